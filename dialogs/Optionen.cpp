#include "dialogs/Optionen.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/HtmlCheckBox.h"
#include "dialogs/PaperTable.h"
#include "dialogs/PasswordEdit.h"
#include "engine/UGraphicPrint.h"
#include "ghostscript/UGhostscript.h"
#include "platform/PrinterSystem.h"
#include "support/SupportInfo.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QToolButton>

#include <cmath>
#include <stdexcept>


namespace {

const char* const kGhostscriptDownload = "https://ghostscript.com/releases/gsdnld.html";
// The largest custom size typed in inches or centimetres; a size in points
// may go up to the same 499 inches, so that every named paper (up to 4008
// points) fits into the edits.
constexpr double kMaxPaperSize = 499;
constexpr double kMaxPaperSizePoints = 499 * 72;

// A size edit that keeps four decimals but shows one: "29.7", and 8.27
// typed or stored survives unchanged although it reads "8.3".
class PaperSizeSpinBox : public QDoubleSpinBox {
public:
    explicit PaperSizeSpinBox(QWidget* parent) : QDoubleSpinBox(parent)
    {
        setDecimals(4);
        setRange(0, kMaxPaperSize);
        setSingleStep(0.1);
    }
    QString textFromValue(double value) const override { return locale().toString(value, 'f', 1); }
    // The text shown for the current value reads back as that value, not as
    // its rounded form: looking at 8.27 as "8.3" does not change it.
    double valueFromText(const QString& text) const override
    {
        if (text == textFromValue(value()))
            return value();
        return QDoubleSpinBox::valueFromText(text);
    }
};

QString Html(const QString& text) { return QStringLiteral("<html>") + text + QStringLiteral("</html>"); }

// Rounds to the nearest integer, halves to the even neighbour (299.5 and
// 300.5 both give 300), whatever rounding mode the process runs in.
int RoundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return int(floor);
    if (diff > 0.5)
        return int(floor) + 1;
    return (int64_t(floor) % 2 == 0) ? int(floor) : int(floor) + 1;
}

QRadioButton* AddRadio(QButtonGroup* group, QBoxLayout* layout, const QString& text, int id)
{
    auto* button = new QRadioButton(text);
    group->addButton(button, id);
    layout->addWidget(button);
    return button;
}

void CheckRadio(QButtonGroup* group, int id)
{
    if (QAbstractButton* b = group->button(id))
        b->setChecked(true);
}

// One of the first 101 lines of the file begins with the PostScript
// signature; printers may put up to 100 lines of job commands before it.
bool HasPostScriptSignature(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (int line = 0; line < 101 && !file.atEnd(); ++line) {
        QByteArray text = file.readLine();
        if (text.startsWith("%!PS-Adobe"))
            return true;
    }
    return false;
}

}  // namespace

QString TFormOption::HomepageUrl() { return QStringLiteral("https://www.kalvinora.org"); }

TFormOption::TFormOption(ProgramState& state, QWidget* owner) : QDialog(owner), m_state(state)
{
    setObjectName(QStringLiteral("FormOption"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    new ElFormCaption(this);

    auto* main = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    main->addWidget(PageControl1);

    TabSheetSettings = new QWidget;
    TabSheetInput = new QWidget;
    TabSheetOutput = new QWidget;
    PageControl1->addTab(TabSheetSettings, QString());
    PageControl1->addTab(TabSheetInput, QString());
    PageControl1->addTab(TabSheetOutput, QString());

    auto* outputLayout = new QVBoxLayout(TabSheetOutput);
    PageControl2 = new QTabWidget(TabSheetOutput);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    outputLayout->addWidget(PageControl2);
    TabSheetPDF = new QWidget;
    TabSheetEncryption = new QWidget;
    TabSheetGraphics = new QWidget;
    TabSheetTIFF = new QWidget;
    PageControl2->addTab(TabSheetPDF, QString());
    PageControl2->addTab(TabSheetEncryption, QString());
    PageControl2->addTab(TabSheetGraphics, QString());
    PageControl2->addTab(TabSheetTIFF, QString());

    BuildSettingsPage();
    BuildInputPage();
    BuildPdfPage();
    BuildEncryptionPage();
    BuildGraphicsPage();
    BuildTiffPage();
    BuildBottomRow(main);

    FormCreate();

    // Enter and Escape act on the whole form, whichever control has the focus.
    qApp->installEventFilter(this);
}

TFormOption::~TFormOption() { qApp->removeEventFilter(this); }

void TFormOption::BuildSettingsPage()
{
    auto* layout = new QVBoxLayout(TabSheetSettings);

    LabelGhostscript = new QLabel;
    ComboBoxGhostscript = new QComboBox;
    ComboBoxGhostscript->setObjectName(QStringLiteral("ComboBoxGhostscript"));
    LabelGhostscript->setBuddy(ComboBoxGhostscript);
    layout->addWidget(LabelGhostscript);
    layout->addWidget(ComboBoxGhostscript);

    LabelPrinter = new QLabel;
    ComboBoxPrinter = new QComboBox;
    ComboBoxPrinter->setObjectName(QStringLiteral("ComboBoxPrinter"));
    LabelPrinter->setBuddy(ComboBoxPrinter);
    ButtonTest = new QPushButton;
    ButtonTest->setObjectName(QStringLiteral("ButtonTest"));
    ButtonTest->setAutoDefault(false);
    layout->addWidget(LabelPrinter);
    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(ComboBoxPrinter, 1);
    printerRow->addWidget(ButtonTest);
    layout->addLayout(printerRow);
    connect(ButtonTest, &QPushButton::clicked, this, &TFormOption::ButtonTestClick);

    layout->addSpacing(8);
    CheckBoxPSDir = new HtmlCheckBox;
    CheckBoxPSDir->setObjectName(QStringLiteral("CheckBoxPSDir"));
    layout->addWidget(CheckBoxPSDir);
    auto* folderRow = new QHBoxLayout;
    EditPSDir = new QLineEdit;
    EditPSDir->setObjectName(QStringLiteral("EditPSDir"));
    ButtonPSDir = new QToolButton;
    ButtonPSDir->setText(QStringLiteral("..."));
    folderRow->addSpacing(20);
    folderRow->addWidget(EditPSDir, 1);
    folderRow->addWidget(ButtonPSDir);
    layout->addLayout(folderRow);
    connect(CheckBoxPSDir, &QCheckBox::toggled, this, &TFormOption::CheckBoxPSDirClick);
    connect(ButtonPSDir, &QToolButton::clicked, this, &TFormOption::ButtonPSDirClick);

    CheckBoxDelPS = new HtmlCheckBox;
    CheckBoxDelPS->setObjectName(QStringLiteral("CheckBoxDelPS"));
    CheckBoxRenamePS = new HtmlCheckBox;
    CheckBoxRenamePS->setObjectName(QStringLiteral("CheckBoxRenamePS"));
    layout->addWidget(CheckBoxDelPS);
    layout->addWidget(CheckBoxRenamePS);

    auto* protRow = new QHBoxLayout;
    CheckBoxCreateProt = new HtmlCheckBox;
    CheckBoxCreateProt->setObjectName(QStringLiteral("CheckBoxCreateProt"));
    ButtonProtocol = new QToolButton;
    ButtonProtocol->setObjectName(QStringLiteral("ButtonProtocol"));
    ButtonProtocol->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    protRow->addWidget(CheckBoxCreateProt, 1);
    protRow->addWidget(ButtonProtocol);
    layout->addLayout(protRow);
    connect(ButtonProtocol, &QToolButton::clicked, this, &TFormOption::ButtonProtocolClick);
    layout->addStretch(1);
}

void TFormOption::BuildInputPage()
{
    auto* layout = new QVBoxLayout(TabSheetInput);
    GroupBoxConvBmp = new QGroupBox;
    layout->addWidget(GroupBoxConvBmp);
    layout->addStretch(1);
    auto* conv = new QGridLayout(GroupBoxConvBmp);

    RadioGroupPaperBmp = new QGroupBox;
    PaperBmpButtons = new QButtonGroup(this);
    auto* paperLayout = new QVBoxLayout(RadioGroupPaperBmp);
    for (int i = 0; i < 3; ++i)
        AddRadio(PaperBmpButtons, paperLayout, QString(), i);
    conv->addWidget(RadioGroupPaperBmp, 0, 0);

    GroupBoxPlaceBmp = new QGroupBox;
    PositionButtons = new QButtonGroup(this);
    PositionButtons->setExclusive(true);
    auto* grid = new QGridLayout(GroupBoxPlaceBmp);
    QToolButton** buttons[3][3] = {{&PosLT, &PosLC, &PosLB}, {&PosCT, &PosCC, &PosCB}, {&PosRT, &PosRC, &PosRB}};
    // The pressed button shows the picture's place as a dark square.
    QPixmap placed(14, 14);
    placed.fill(palette().color(QPalette::WindowText));
    QPixmap empty(14, 14);
    empty.fill(Qt::transparent);
    QIcon placeIcon;
    placeIcon.addPixmap(empty, QIcon::Normal, QIcon::Off);
    placeIcon.addPixmap(placed, QIcon::Normal, QIcon::On);
    const char* columns = "LCR";
    const char* rows = "TCB";
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 3; ++y) {
            auto* b = new QToolButton;
            b->setCheckable(true);
            b->setAutoRaise(false);
            b->setFixedSize(28, 28);
            b->setIcon(placeIcon);
            b->setObjectName(QStringLiteral("Pos") + QLatin1Char(columns[x]) + QLatin1Char(rows[y]));
            PositionButtons->addButton(b, x * 3 + y);
            grid->addWidget(b, y, x);
            *buttons[x][y] = b;
        }
    }
    conv->addWidget(GroupBoxPlaceBmp, 0, 1);

    GroupBoxPapersett = new QGroupBox;
    auto* margins = new QFormLayout(GroupBoxPapersett);
    for (QSpinBox** spin : {&SpinBorderLeft, &SpinBorderRight, &SpinBorderTop, &SpinBorderBottom}) {
        *spin = new QSpinBox;
        (*spin)->setRange(0, 999);
        (*spin)->setSuffix(QStringLiteral(" mm"));
        margins->addRow(new QLabel, *spin);
    }
    conv->addWidget(GroupBoxPapersett, 0, 2);
}

void TFormOption::BuildPdfPage()
{
    auto* layout = new QGridLayout(TabSheetPDF);

    RadioGroupGrafQual = new QGroupBox;
    GrafQualButtons = new QButtonGroup(this);
    auto* qual = new QVBoxLayout(RadioGroupGrafQual);
    const char* qualities[] = {"", "96 dpi", "120 dpi", "300 dpi", "600 dpi"};
    for (int i = 0; i < 5; ++i)
        AddRadio(GrafQualButtons, qual, QString::fromLatin1(qualities[i]), i);
    layout->addWidget(RadioGroupGrafQual, 0, 0);

    RadioGroupAcrobat = new QGroupBox;
    AcrobatButtons = new QButtonGroup(this);
    auto* acro = new QVBoxLayout(RadioGroupAcrobat);
    for (int i = 0; i < 3; ++i)
        AddRadio(AcrobatButtons, acro, QStringLiteral("Acrobat %1").arg(3 + i), i);
    acro->addStretch(1);
    layout->addWidget(RadioGroupAcrobat, 1, 0);

    GroupBoxDocTitle = new QGroupBox;
    auto* title = new QGridLayout(GroupBoxDocTitle);
    RadioNoTitleChange = new QRadioButton;
    RadioTitleFileName = new QRadioButton;
    RadioTitleFix = new QRadioButton;
    auto* titleGroup = new QButtonGroup(this);
    titleGroup->addButton(RadioNoTitleChange, 0);
    titleGroup->addButton(RadioTitleFileName, 1);
    titleGroup->addButton(RadioTitleFix, 2);
    EditTitlePrefix = new QLineEdit;
    EditTitleSuffix = new QLineEdit;
    EditTitleFix = new QLineEdit;
    EditTitleFix->setObjectName(QStringLiteral("EditTitleFix"));
    RadioTitleFix->setAccessibleName(QStringLiteral("EditTitleFix"));
    title->addWidget(RadioNoTitleChange, 0, 0, 1, 3);
    title->addWidget(RadioTitleFileName, 1, 0, 1, 3);
    auto* prefixLabel = new QLabel;
    prefixLabel->setObjectName(QStringLiteral("LabelTitlePrefix"));
    auto* suffixLabel = new QLabel;
    suffixLabel->setObjectName(QStringLiteral("LabelTitleSuffix"));
    title->addWidget(prefixLabel, 2, 1);
    title->addWidget(EditTitlePrefix, 2, 2);
    title->addWidget(suffixLabel, 3, 1);
    title->addWidget(EditTitleSuffix, 3, 2);
    title->addWidget(RadioTitleFix, 4, 0);
    title->addWidget(EditTitleFix, 4, 1, 1, 2);
    title->setColumnMinimumWidth(0, 20);
    EditTitlePrefix->installEventFilter(this);
    EditTitleSuffix->installEventFilter(this);
    EditTitleFix->installEventFilter(this);
    connect(RadioTitleFix, &QRadioButton::clicked, this, [this] {
        if (isVisible())
            EditTitleFix->setFocus(Qt::OtherFocusReason);
    });
    layout->addWidget(GroupBoxDocTitle, 0, 1);

    GroupBoxPaper = new QGroupBox;
    auto* paper = new QGridLayout(GroupBoxPaper);
    ComboBoxPaper = new QComboBox;
    ComboBoxPaper->setObjectName(QStringLiteral("ComboBoxPaper"));
    ComboBoxPaper->setMaxVisibleItems(20);
    ComboBoxMeasure = new QComboBox;
    ComboBoxMeasure->setObjectName(QStringLiteral("ComboBoxMeasure"));
    EditPaperW = new PaperSizeSpinBox(this);
    EditPaperW->setObjectName(QStringLiteral("EditPaperW"));
    EditPaperH = new PaperSizeSpinBox(this);
    EditPaperH->setObjectName(QStringLiteral("EditPaperH"));
    auto* widthLabel = new QLabel;
    widthLabel->setObjectName(QStringLiteral("LabelPaperWidth"));
    auto* heightLabel = new QLabel;
    heightLabel->setObjectName(QStringLiteral("LabelPaperHeight"));
    widthLabel->setBuddy(EditPaperW);
    heightLabel->setBuddy(EditPaperH);
    paper->addWidget(ComboBoxPaper, 0, 0);
    paper->addWidget(ComboBoxMeasure, 0, 1);
    paper->addWidget(widthLabel, 1, 0);
    paper->addWidget(EditPaperW, 1, 1);
    paper->addWidget(heightLabel, 2, 0);
    paper->addWidget(EditPaperH, 2, 1);
    connect(ComboBoxPaper, &QComboBox::currentIndexChanged, this, &TFormOption::ComboBoxPaperChange);
    connect(ComboBoxMeasure, &QComboBox::currentIndexChanged, this, &TFormOption::ComboBoxMeasureChange);
    layout->addWidget(GroupBoxPaper, 1, 1);
    layout->setRowStretch(2, 1);
}

void TFormOption::BuildEncryptionPage()
{
    auto* layout = new QGridLayout(TabSheetEncryption);

    GroupBoxEncryption = new QGroupBox;
    auto* enc = new QVBoxLayout(GroupBoxEncryption);
    CheckBox40Bit = new HtmlCheckBox;
    CheckBox40Bit->setObjectName(QStringLiteral("CheckBox40Bit"));
    CheckBox128Bit = new HtmlCheckBox;
    CheckBox128Bit->setObjectName(QStringLiteral("CheckBox128Bit"));
    enc->addWidget(CheckBox40Bit);
    enc->addWidget(CheckBox128Bit);
    enc->addStretch(1);
    // The two key lengths exclude each other; both may be off.
    connect(CheckBox40Bit, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            CheckBox128Bit->setChecked(false);
    });
    connect(CheckBox128Bit, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            CheckBox40Bit->setChecked(false);
    });
    layout->addWidget(GroupBoxEncryption, 0, 0);

    GroupBoxPasswords = new QGroupBox;
    auto* pw = new QFormLayout(GroupBoxPasswords);
    EditOpenPassword = new PasswordEdit;
    EditOpenPassword->setObjectName(QStringLiteral("EditOpenPassword"));
    EditProtPassword = new PasswordEdit;
    EditProtPassword->setObjectName(QStringLiteral("EditProtPassword"));
    auto* openLabel = new QLabel;
    openLabel->setObjectName(QStringLiteral("LabelPswOpen"));
    auto* protLabel = new QLabel;
    protLabel->setObjectName(QStringLiteral("LabelPswProt"));
    openLabel->setBuddy(EditOpenPassword);
    protLabel->setBuddy(EditProtPassword);
    pw->setRowWrapPolicy(QFormLayout::WrapAllRows);
    pw->addRow(openLabel, EditOpenPassword);
    pw->addRow(protLabel, EditProtPassword);
    layout->addWidget(GroupBoxPasswords, 0, 1);

    GroupBoxPermissions = new QGroupBox;
    auto* perm = new QGridLayout(GroupBoxPermissions);
    for (int row = 0; row < 3; ++row) {
        EditSetName[size_t(row)] = new QLineEdit;
        EditSetName[size_t(row)]->setObjectName(QStringLiteral("EditSetName%1").arg(row + 1));
        perm->addWidget(EditSetName[size_t(row)], row, 0);
        for (int col = 0; col < 4; ++col) {
            auto* box = new QCheckBox;
            box->setObjectName(QStringLiteral("CheckBoxPerm%1%2").arg(row + 1).arg(col + 1));
            CheckBoxPermission[size_t(row)][size_t(col)] = box;
            perm->addWidget(box, row, col + 1);
        }
    }
    layout->addWidget(GroupBoxPermissions, 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
}

void TFormOption::BuildGraphicsPage()
{
    auto* layout = new QGridLayout(TabSheetGraphics);

    GroupBoxDPI = new QGroupBox;
    auto* dpi = new QFormLayout(GroupBoxDPI);
    SpinDPIx = new QSpinBox;
    SpinDPIx->setObjectName(QStringLiteral("SpinDPIx"));
    SpinDPIy = new QSpinBox;
    SpinDPIy->setObjectName(QStringLiteral("SpinDPIy"));
    for (QSpinBox* s : {SpinDPIx, SpinDPIy}) {
        s->setRange(1, 600);
        s->setValue(72);
    }
    dpi->addRow(QStringLiteral("x:"), SpinDPIx);
    dpi->addRow(QStringLiteral("y:"), SpinDPIy);
    layout->addWidget(GroupBoxDPI, 0, 0);

    GroupBoxJPEG = new QGroupBox(QStringLiteral("JPEG"));
    auto* jpeg = new QGridLayout(GroupBoxJPEG);
    RadioGray = new QRadioButton;
    RadioRGB = new QRadioButton(QStringLiteral("RGB"));
    auto* colourGroup = new QButtonGroup(this);
    colourGroup->addButton(RadioGray, 0);
    colourGroup->addButton(RadioRGB, 1);
    jpeg->addWidget(RadioGray, 0, 0);
    jpeg->addWidget(RadioRGB, 0, 1);
    auto* qualityLabel = new QLabel;
    qualityLabel->setObjectName(QStringLiteral("LabelQuality"));
    TrackBarJPEGQual = new QSlider(Qt::Horizontal);
    TrackBarJPEGQual->setObjectName(QStringLiteral("TrackBarJPEGQual"));
    TrackBarJPEGQual->setRange(0, 100);
    TrackBarJPEGQual->setTickInterval(10);
    TrackBarJPEGQual->setTickPosition(QSlider::TicksBelow);
    TrackBarJPEGQual->setPageStep(10);
    LabelJPEGQual = new QLabel;
    LabelJPEGQual->setObjectName(QStringLiteral("LabelJPEGQual"));
    LabelJPEGQual->setMinimumWidth(LabelJPEGQual->fontMetrics().horizontalAdvance(QStringLiteral("100 %")));
    jpeg->addWidget(qualityLabel, 1, 0);
    jpeg->addWidget(TrackBarJPEGQual, 1, 1);
    jpeg->addWidget(LabelJPEGQual, 1, 2);
    connect(TrackBarJPEGQual, &QSlider::valueChanged, this, &TFormOption::TrackBarJPEGQualChange);
    layout->addWidget(GroupBoxJPEG, 1, 0);

    RadioGroupBmpColor = new QGroupBox(QStringLiteral("BMP / PCX / PNG"));
    BmpColorButtons = new QButtonGroup(this);
    auto* colours = new QVBoxLayout(RadioGroupBmpColor);
    for (int i = 0; i < 5; ++i)
        AddRadio(BmpColorButtons, colours, QString(), i);
    layout->addWidget(RadioGroupBmpColor, 0, 1, 2, 1);
    layout->setRowStretch(2, 1);
}

void TFormOption::BuildTiffPage()
{
    auto* layout = new QGridLayout(TabSheetTIFF);

    auto* resRow = new QHBoxLayout;
    auto* resLabel = new QLabel;
    resLabel->setObjectName(QStringLiteral("LabelTIFFRes"));
    SpinTIFFRes = new QDoubleSpinBox;
    SpinTIFFRes->setObjectName(QStringLiteral("SpinTIFFRes"));
    SpinTIFFRes->setRange(1.0, 600.0);
    SpinTIFFRes->setDecimals(1);
    SpinTIFFRes->setSuffix(QStringLiteral(" dpi"));
    resLabel->setBuddy(SpinTIFFRes);
    resRow->addWidget(resLabel);
    resRow->addWidget(SpinTIFFRes);
    resRow->addStretch(1);
    layout->addLayout(resRow, 0, 0, 1, 2);

    RadioGroupTFExt = new QGroupBox;
    TFExtButtons = new QButtonGroup(this);
    auto* ext = new QVBoxLayout(RadioGroupTFExt);
    AddRadio(TFExtButtons, ext, QStringLiteral("TIFF"), 0);
    AddRadio(TFExtButtons, ext, QStringLiteral("TIF"), 1);
    ext->addStretch(1);
    layout->addWidget(RadioGroupTFExt, 1, 0);

    RadioGroupTFCompr = new QGroupBox;
    TFComprButtons = new QButtonGroup(this);
    auto* compr = new QVBoxLayout(RadioGroupTFCompr);
    for (int i = 0; i < 8; ++i)
        AddRadio(TFComprButtons, compr, QString(), i);
    layout->addWidget(RadioGroupTFCompr, 1, 1);
    layout->setRowStretch(2, 1);
}

void TFormOption::BuildBottomRow(QBoxLayout* main)
{
    auto* row = new QHBoxLayout;
    ButtonSupportInfo = new QToolButton;
    ButtonSupportInfo->setObjectName(QStringLiteral("ButtonSupportInfo"));
    ButtonSupportInfo->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    connect(ButtonSupportInfo, &QToolButton::clicked, this, &TFormOption::ButtonSupportInfoClick);

    LinkLabel = new QLabel;
    LinkLabel->setObjectName(QStringLiteral("LinkLabel"));
    LinkLabel->setTextFormat(Qt::RichText);
    LinkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    LinkLabel->setOpenExternalLinks(false);
    connect(LinkLabel, &QLabel::linkActivated, this,
            [](const QString& link) { ShellExecuteFile(link, QString(), QStringLiteral("open"), 1); });

    ButtonOK = new HtmlButton;
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton;
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setAutoDefault(false);
    connect(ButtonOK, &QPushButton::clicked, this, &TFormOption::ButtonOKClick);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormOption::reject);

    row->addWidget(ButtonSupportInfo);
    row->addWidget(LinkLabel);
    row->addStretch(1);
    row->addWidget(ButtonOK);
    row->addWidget(ButtonCancel);
    main->addLayout(row);
}

void TFormOption::FormCreate()
{
    // 1. The caption component stays only with a Unicode language file.
    AdjustFormCaption(this);
    // 2. Printers: the stored one, else the printer currently selected.
    QStringList printers;
    GetPrinterlist(printers);
    ComboBoxPrinter->addItems(printers);
    int printerIndex = ComboBoxPrinter->findText(m_state.Printer, Qt::MatchFixedString);
    if (printerIndex < 0) {
        PrinterSystem& system = PrinterSystem::Instance();
        int current = system.CurrentIndex();
        if (current < 0)
            current = system.IndexOf(system.DefaultPrinterName());
        if (current >= 0 && current < ComboBoxPrinter->count())
            printerIndex = current;
    }
    ComboBoxPrinter->setCurrentIndex(printerIndex);

    // 3. Units and papers.
    {
        const QSignalBlocker blockPaper(ComboBoxPaper);
        const QSignalBlocker blockMeasure(ComboBoxMeasure);
        ComboBoxMeasure->addItem(LangString("Option", "PaperMeasureIn", "Inches"));
        ComboBoxMeasure->addItem(LangString("Option", "PaperMeasureCM", "cm"));
        ComboBoxMeasure->addItem(LangString("Option", "PaperMeasurePn", "Punkte"));
        ComboBoxPaper->addItem(LangString("Option", "PaperUserDef", "benutzerdef."));
        ComboBoxPaper->addItem(LangString("Option", "PaperGS", "Ghostscript"));
        for (const PaperSize& paper : PaperTable)
            ComboBoxPaper->addItem(QString::fromLatin1(paper.name));
    }

    // 4. Texts.
    SetTexts();

    // 5. Ghostscript installations.
    const TGhostscriptPool* pool = m_state.GhostscriptPool.get();
    if (pool && pool->Count() > 0) {
        for (int i = 0; i < pool->Count(); ++i)
            ComboBoxGhostscript->addItem(pool->Item(i)->DisplayName());
        ComboBoxGhostscript->setCurrentIndex(m_state.ChosenGhostscript ? pool->IndexOf(m_state.ChosenGhostscript) : -1);
    } else {
        ComboBoxGhostscript->addItem(QStringLiteral("Ghostscript not found"));
        ComboBoxGhostscript->setCurrentIndex(0);
    }

    // 6. to 10.
    CopyValuesIn();

    // 11. Both page controls open on their first page.
    PageControl1->setCurrentIndex(0);
    PageControl2->setCurrentIndex(0);

    if (GetScreenDPI() != 96)
        AdjustForScreenResolution();
}

void TFormOption::SetTexts()
{
    SetFormCaption(this, LangString("Option", "Caption", "Einstellungen"));
    PageControl1->setTabText(0, LangString("Option", "Tab1Caption", "Einstellungen"));
    PageControl1->setTabText(1, LangString("Option", "TabsheetInput", "Eingabe"));
    PageControl1->setTabText(2, LangString("Option", "TabsheetOutput", "Ausgabe"));
    PageControl2->setTabText(0, LangString("Option", "Tab3Caption", "PDF-Optionen"));
    PageControl2->setTabText(1, LangString("Option", "Tab4Caption", "PDF-Verschlüsselung"));
    PageControl2->setTabText(2, LangString("Option", "Tab2Caption", "Ausgabeoptionen"));
    PageControl2->setTabText(3, LangString("Option", "TFOption", "TIFF-Optionen"));

    // Settings page.
    LabelPrinter->setText(LangString("Option", "PSPrinterCap", "Postscript &Druckertreiber:"));
    const QString printerHint = Html(LangString(
        "Option", "PrinterHint",
        "Der Druckertreiber, mit dem Word-Dokumente und Grafiken in Postscript-Dateien gedruckt werden. "
        "Er muss Postscript erzeugen; mit <b>Testen</b> können Sie das prüfen."));
    LabelPrinter->setToolTip(printerHint);
    ComboBoxPrinter->setToolTip(printerHint);
    LabelGhostscript->setText(LangString("Option", "GsCaption", "Installation Ghostscript"));
    const QString gsLink = QStringLiteral("<font color=\"blue\"><u>") + QString::fromLatin1(kGhostscriptDownload) +
                           QStringLiteral("</u></font>");
    const QString gsHint = Html(ReplaceFirst(
        LangString("Option", "GsHint",
                   "Die Ghostscript-Installation, mit der konvertiert wird.<br>Ghostscript erhalten Sie unter %s"),
        QStringLiteral("%s"), gsLink));
    LabelGhostscript->setToolTip(gsHint);
    ComboBoxGhostscript->setToolTip(gsHint);
    ButtonTest->setText(LangString("Option", "TestCaption", "&Testen"));
    ButtonTest->setToolTip(Html(LangString(
        "Option", "TestHint", "Es wird ein Test durchgeführt, ob der eingestellte Druckertreiber Postscript unterstützt.")));
    CheckBoxPSDir->SetHtmlCaption(LangString("Option", "PSDirectory", "Postscriptdateien in folgendes Verzeichnis ausgeben:"));
    CheckBoxCreateProt->SetHtmlCaption(
        LangString("Option", "CreateProt", "Protokolldatei <b>protokoll.txt</b> erzeugen (wichtig bei Problemanalyse)"));
    CheckBoxDelPS->SetHtmlCaption(
        LangString("Option", "DelPSFiles", "erzeugte Postscriptdateien <B>nach </B>Durchführung der Konvertierung löschen"));
    CheckBoxRenamePS->SetHtmlCaption(LangString(
        "Option", "RenamePSFile", "bereits vorhandene und bearbeitete Postscriptdateien umbenennen (*.bak)"));
    ButtonProtocol->setToolTip(QStringLiteral("protokoll.txt"));

    // Input page.
    GroupBoxConvBmp->setTitle(LangString("Option", "CapConvBmp", "Umwandlung von Grafiken"));
    GroupBoxPlaceBmp->setTitle(LangString("Option", "PlaceBmp", "Platzierung"));
    RadioGroupPaperBmp->setTitle(LangString("Option", "PaperBmp", "Papierformat"));
    PaperBmpButtons->button(0)->setText(LangString("Option", "AutoDirBmp", "Automatisch"));
    PaperBmpButtons->button(1)->setText(LangString("Option", "PortraitBmp", "Hochkant"));
    PaperBmpButtons->button(2)->setText(LangString("Option", "LandscapeBmp", "Quer"));
    GroupBoxPapersett->setTitle(LangString("Option", "PapersettBmp", "Seiteneinrichtung"));
    auto* margins = static_cast<QFormLayout*>(GroupBoxPapersett->layout());
    const QString marginTexts[4] = {LangString("Option", "LeftBorderBmp", "linker Rand"),
                                    LangString("Option", "RightBorderBmp", "rechter Rand"),
                                    LangString("Option", "TopBorderBmp", "oberer Rand"),
                                    LangString("Option", "BottomBorderBmp", "unterer Rand")};
    for (int i = 0; i < 4; ++i) {
        if (auto* label = qobject_cast<QLabel*>(margins->itemAt(i, QFormLayout::LabelRole)->widget()))
            label->setText(marginTexts[i] + QLatin1Char(':'));
    }

    // Output / PDF.
    RadioGroupGrafQual->setTitle(LangString("Option", "GrafQualCap", "Auflösung der Bilder"));
    GrafQualButtons->button(0)->setText(LangString("Option", "GrafNoChange", "keine Änd."));
    RadioGroupAcrobat->setTitle(LangString("Option", "AcrobatCap", "Level"));
    RadioGroupAcrobat->setToolTip(
        Html(LangString("Option", "AcrobatHint", "Bestimmt das PDF-Level der erzeugten PDF-Dokumente.")));
    GroupBoxDocTitle->setTitle(LangString("Option", "DocTitleCap", "Dokumententitel"));
    RadioNoTitleChange->setText(LangString("Option", "NoTitleChange", "nicht verändern"));
    RadioTitleFileName->setText(LangString("Option", "TitleFileName", "Dateiname (ohne Dateiendung)"));
    findChild<QLabel*>(QStringLiteral("LabelTitlePrefix"))->setText(LangString("Option", "TitleFilePr", "Präfix:"));
    findChild<QLabel*>(QStringLiteral("LabelTitleSuffix"))->setText(LangString("Option", "TitleFileSf", "Suffix:"));
    GroupBoxPaper->setTitle(LangString("Option", "PaperFormatCap", "Papierformat"));
    findChild<QLabel*>(QStringLiteral("LabelPaperWidth"))->setText(LangString("Option", "PaperWidthCap", "Weite:"));
    findChild<QLabel*>(QStringLiteral("LabelPaperHeight"))->setText(LangString("Option", "PaperHeightCap", "Höhe:"));

    // Output / encryption.
    GroupBoxEncryption->setTitle(LangString("Option", "Encryption", "Verschlüsselung"));
    GroupBoxPasswords->setTitle(LangString("Option", "Passwords", "Kennwörter"));
    GroupBoxPermissions->setTitle(LangString("Option", "Permissions", "selbst definierte Verbote"));
    const QString caption40 = QStringLiteral("<html><b>40 Bit</b><br>(") +
                              LangString("Option", "Acro4NoGS814", "ab Acrobat 4, kein GS 8.14") +
                              QStringLiteral(")</html>");
    const QString caption128 = QStringLiteral("<html><b>128 Bit</b> (") + LangString("Option", "Acro5", "ab Acrobat 5") +
                               QStringLiteral(")</html>");
    CheckBox40Bit->SetHtmlCaption(caption40);
    CheckBox40Bit->setToolTip(caption40);
    CheckBox128Bit->SetHtmlCaption(caption128);
    CheckBox128Bit->setToolTip(caption128);
    findChild<QLabel*>(QStringLiteral("LabelPswOpen"))
        ->setText(LangString("Option", "PswOpenCap", "Kennwort zu Öffnen") + QLatin1Char(':'));
    findChild<QLabel*>(QStringLiteral("LabelPswProt"))
        ->setText(LangString("Option", "PswProtCap", "Kennwort zu Abschalten vom Dokumentenschutz") + QLatin1Char(':'));
    EditOpenPassword->setToolTip(
        Html(LangString("Option", "PswOpenHint1", "Mit diesem Kennwort wird das PDF-Dokument geöffnet.") +
             QStringLiteral("<br>") +
             LangString("Option", "PswOpenHint2", "Bleibt das Feld leer, kann jeder das Dokument öffnen.")));
    EditProtPassword->setToolTip(Html(
        LangString("Option", "PswProtHint1", "Mit diesem Kennwort kann der Dokumentenschutz aufgehoben werden.") +
        QStringLiteral("<br>") +
        LangString("Option", "PswProtHint2", "Ein verschlüsseltes PDF-Dokument braucht dieses Kennwort.") +
        QStringLiteral("<br>") +
        LangString("Option", "PswProtHint3", "Bleibt das Feld leer, werden Sie bei jeder verschlüsselten Konvertierung danach gefragt.") +
        QStringLiteral("<br>") +
        LangString("Option", "PswProtHint4", "Erlaubt sind nur Buchstaben (A-Z, a-z) und Ziffern (0-9).")));
    const QString permTexts[4] = {LangString("Option", "PermPrint", "Drucken"), LangString("Option", "PermChange", "Ändern"),
                                  LangString("Option", "PermCopy", "Kopieren"),
                                  LangString("Option", "PermAnnot", "Anmerkung")};
    for (auto& row : CheckBoxPermission) {
        for (int col = 0; col < 4; ++col)
            row[size_t(col)]->setText(permTexts[col]);
    }

    // Output / raster.
    GroupBoxDPI->setTitle(LangString("Option", "DPICaption", "Auflösung der Grafikausgabe"));
    RadioGray->setText(LangString("Option", "Gray", "Graustufen"));
    findChild<QLabel*>(QStringLiteral("LabelQuality"))->setText(LangString("Option", "Quality", "Qualität") + QLatin1Char(':'));
    const QString jpgHint =
        Html(LangString("Option", "JPGHint", "Je höher die Qualität, desto besser das Bild und desto größer die Datei."));
    TrackBarJPEGQual->setToolTip(jpgHint);
    findChild<QLabel*>(QStringLiteral("LabelQuality"))->setToolTip(jpgHint);
    BmpColorButtons->button(0)->setText(LangString("Option", "BitmapColor1", "1 bit (Schwarz / Weiß)"));
    BmpColorButtons->button(1)->setText(LangString("Option", "BitmapColor2", "8 bit (256 Graustufen)"));
    BmpColorButtons->button(2)->setText(LangString("Option", "BitmapColor3", "4 bit (16 Farben)"));
    BmpColorButtons->button(3)->setText(LangString("Option", "BitmapColor4", "8 Bit (256 Farben)"));
    BmpColorButtons->button(4)->setText(LangString("Option", "BitmapColor5", "24 bit (16,7 Mio. Farben)"));

    // Output / TIFF.
    findChild<QLabel*>(QStringLiteral("LabelTIFFRes"))->setText(LangString("Option", "TFRes", "&Auflösung") + QLatin1Char(':'));
    RadioGroupTFExt->setTitle(LangString("Option", "TFExt", "Dateiendung"));
    RadioGroupTFCompr->setTitle(LangString("Option", "TFCompr", "TIFF-Komprimierung"));
    const QString gray = LangString("Option", "Gray", "Graustufen") + QStringLiteral(": ");
    TFComprButtons->button(0)->setText(QStringLiteral("RGB: 12-bit"));
    TFComprButtons->button(1)->setText(QStringLiteral("RGB: 24-bit"));
    TFComprButtons->button(2)->setText(gray + LangString("Option", "TFComp1", "G3 Fax Kodierung ohne EOLs"));
    TFComprButtons->button(3)->setText(gray + LangString("Option", "TFComp2", "G3 Fax Kodierung mit EOLs"));
    TFComprButtons->button(4)->setText(gray + LangString("Option", "TFComp3", "2-D G3 Fax Kodierung"));
    TFComprButtons->button(5)->setText(gray + LangString("Option", "TFComp4", "G4 Fax Kodierung"));
    TFComprButtons->button(6)->setText(gray + LangString("Option", "TFComp5", "LZW-kompatible Komprimierung"));
    TFComprButtons->button(7)->setText(gray + LangString("Option", "TFComp6", "PackBits Komprimierung"));

    // Bottom row.
    ButtonOK->SetHtmlCaption(QStringLiteral("<b>") + LangString("Option", "ButtonOK", "OK") + QStringLiteral("</b>"));
    ButtonCancel->setText(LangString("Option", "ButtonCancel", "Abbrechen"));
    ButtonSupportInfo->setToolTip(QStringLiteral("Save Support Infos"));
    LinkLabel->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                           .arg(HomepageUrl(), QString(HomepageUrl()).remove(QStringLiteral("https://"))));
}

void TFormOption::CopyValuesIn()
{
    const ProgramState& s = m_state;

    CheckBoxDelPS->setChecked(s.DelPS);
    CheckBoxRenamePS->setChecked(s.RenamePS);
    CheckBoxCreateProt->setChecked(ProtocolEnabled());
    CheckRadio(GrafQualButtons, s.Grafikqu);
    CheckRadio(AcrobatButtons, s.AcroVer);
    CheckRadio(BmpColorButtons, s.BmpColor);
    (s.JPEGRGB ? RadioRGB : RadioGray)->setChecked(true);
    TrackBarJPEGQual->setValue(s.JPEGQual);
    TrackBarJPEGQualChange();
    SpinDPIx->setValue(s.DPIx);
    SpinDPIy->setValue(s.DPIy);
    SpinTIFFRes->setValue(s.TIFFQual);
    CheckRadio(TFComprButtons, s.TiffFormat);
    CheckRadio(TFExtButtons, s.TIFFExtension ? 0 : 1);
    CheckRadio(PaperBmpButtons, s.GrOrientation);
    SpinBorderLeft->setValue(s.GrBorderLeft);
    SpinBorderRight->setValue(s.GrBorderRight);
    SpinBorderTop->setValue(s.GrBorderTop);
    SpinBorderBottom->setValue(s.GrBorderBottom);

    EditPSDir->setText(s.PSDir);
    {
        const QSignalBlocker block(CheckBoxPSDir);
        CheckBoxPSDir->setChecked(!EditPSDir->text().isEmpty() && s.UsePSDir);
    }
    CheckBoxPSDirClick();

    // 7. Paper: a known name, else a custom size, else Ghostscript's own.
    {
        const QSignalBlocker blockPaper(ComboBoxPaper);
        const QSignalBlocker blockMeasure(ComboBoxMeasure);
        if (s.PaperMeasure < ComboBoxMeasure->count())
            ComboBoxMeasure->setCurrentIndex(s.PaperMeasure);
        UpdatePaperLimits();
        if (!s.PaperFormat.isEmpty()) {
            const int paper = FindPaper(s.PaperFormat);
            ComboBoxPaper->setCurrentIndex(paper >= 0 ? paper + 2 : -1);
        } else if (s.PaperW != 0 || s.PaperH != 0) {
            ComboBoxPaper->setCurrentIndex(0);
            // A stored size above the limit is shown as it is, not cut down.
            EditPaperW->setMaximum(std::max(EditPaperW->maximum(), s.PaperW));
            EditPaperH->setMaximum(std::max(EditPaperH->maximum(), s.PaperH));
            EditPaperW->setValue(s.PaperW);
            EditPaperH->setValue(s.PaperH);
        } else {
            ComboBoxPaper->setCurrentIndex(1);
        }
    }
    ComboBoxPaperChange();

    // 8. Picture position.
    const int x = std::min<int>(s.GrPicturePosX, 2);
    const int y = std::min<int>(s.GrPicturePosY, 2);
    if (QAbstractButton* b = PositionButtons->button(x * 3 + y))
        b->setChecked(true);

    // 9. Title.
    if (s.TitleMode == 1)
        RadioTitleFileName->setChecked(true);
    else if (s.TitleMode == 2)
        RadioTitleFix->setChecked(true);
    else
        RadioNoTitleChange->setChecked(true);
    EditTitleSuffix->setText(s.dtSuffix);
    EditTitlePrefix->setText(s.dtPrefix);
    EditTitleFix->setText(s.dtFixCaption);

    // 10. Encryption.
    CheckBox40Bit->setChecked(false);
    CheckBox128Bit->setChecked(false);
    if (s.Bit == 1)
        CheckBox40Bit->setChecked(true);
    else if (s.Bit == 2)
        CheckBox128Bit->setChecked(true);
    EditOpenPassword->setText(s.OpenP);
    EditProtPassword->setText(s.ProtP);
    for (int row = 0; row < 3; ++row) {
        const uint8_t set = s.ProhibitionSet[size_t(row) + 2];
        for (int col = 0; col < 4; ++col)
            CheckBoxPermission[size_t(row)][size_t(col)]->setChecked((set & (1u << col)) != 0);
    }
    EditSetName[0]->setText(s.User1);
    EditSetName[1]->setText(s.User2);
    EditSetName[2]->setText(s.User3);
}

void TFormOption::AdjustForScreenResolution()
{
    // Qt draws check boxes and radio buttons on the parent's background
    // already; what is left is the hover highlight of the tabs.
    for (QTabWidget* pages : {PageControl1, PageControl2}) {
        pages->tabBar()->setAttribute(Qt::WA_Hover, false);
        pages->tabBar()->setMouseTracking(false);
    }
}

void TFormOption::UpdatePaperLimits()
{
    // Typed sizes are not converted when the unit changes, so the limit never
    // cuts down a value that is already there.
    const double max = ComboBoxMeasure->currentIndex() == puPoints ? kMaxPaperSizePoints : kMaxPaperSize;
    EditPaperW->setMaximum(std::max(max, EditPaperW->value()));
    EditPaperH->setMaximum(std::max(max, EditPaperH->value()));
}

void TFormOption::ComboBoxPaperChange()
{
    const int index = ComboBoxPaper->currentIndex();
    EditPaperW->setEnabled(index == 0);
    EditPaperH->setEnabled(index == 0);
    ComboBoxMeasure->setEnabled(index != 1);
    FillPaperSize();
}

void TFormOption::ComboBoxMeasureChange()
{
    UpdatePaperLimits();
    FillPaperSize();
}

void TFormOption::FillPaperSize()
{
    const int paper = ComboBoxPaper->currentIndex() - 2;
    if (paper < 0 || paper >= int(PaperTable.size()))
        return;
    const int unit = ComboBoxMeasure->currentIndex();
    UpdatePaperLimits();
    EditPaperW->setValue(PaperWidth(PaperTable[size_t(paper)], unit));
    EditPaperH->setValue(PaperHeight(PaperTable[size_t(paper)], unit));
}

void TFormOption::CheckBoxPSDirClick()
{
    const bool on = CheckBoxPSDir->isChecked();
    EditPSDir->setVisible(on);
    ButtonPSDir->setVisible(on);
}

void TFormOption::ButtonPSDirClick()
{
    const QString folder = QFileDialog::getExistingDirectory(
        this, LangString("Option", "PSDirectory", "Postscriptdateien in folgendes Verzeichnis ausgeben:"),
        EditPSDir->text());
    if (!folder.isEmpty())
        EditPSDir->setText(folder);
}

void TFormOption::TrackBarJPEGQualChange()
{
    LabelJPEGQual->setText(QString::number(TrackBarJPEGQual->value()) + QStringLiteral(" %"));
}

void TFormOption::ButtonProtocolClick()
{
    ShellExecuteFile(GetDataFolder() + QStringLiteral("protokoll.txt"), QString(), QStringLiteral("open"), 1);
}

void TFormOption::ButtonSupportInfoClick()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("Support Infos (*.cab)"));
    dialog.setDefaultSuffix(QStringLiteral("cab"));
    // The dialog asks before it lets the user pick an existing file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString target = dialog.selectedFiles().constFirst();

    try {
        const QString archive = CreateSupportInfo(m_state.GhostscriptPool.get());
        QFile source(archive);
        if (!source.open(QIODevice::ReadOnly))
            throw UniCodeException(source.fileName() + QStringLiteral(": ") + source.errorString());
        // Written beside the target and then put in its place, so that a
        // failed copy leaves an existing file as it was.
        QSaveFile copy(target);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(source.readAll()) != source.size() || !copy.commit())
            throw UniCodeException(ReplaceFirst(
                LangString("Option", "SupportSaveFailed", "Die Datei %s konnte nicht geschrieben werden."),
                QStringLiteral("%s"), target) + QStringLiteral("\n") + copy.errorString());
    } catch (const std::exception& e) {
        WriteProtocol(QStringLiteral("Error SupportInfo: ") + ExceptionText(e));
        MessageDlg(QString(), ExceptionText(e), mtError, MsgButtons({mbOK}));
    }
}

bool TFormOption::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && isActiveWindow()) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
                if (ButtonOK->isVisible() && ButtonOK->isEnabled())
                    ButtonOK->click();
                return true;
            }
            if (plain && key->key() == Qt::Key_Escape) {
                if (ButtonCancel->isVisible() && ButtonCancel->isEnabled())
                    ButtonCancel->click();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusIn) {
        // Typing a prefix or suffix means the file name title; typing a
        // fixed title means that one.
        if (watched == EditTitlePrefix || watched == EditTitleSuffix)
            RadioTitleFileName->setChecked(true);
        else if (watched == EditTitleFix)
            RadioTitleFix->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

void TFormOption::closeEvent(QCloseEvent* event)
{
    // The printer test must finish before the dialog can go.
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormOption::reject()
{
    if (m_busy)
        return;
    QDialog::reject();
}

void TFormOption::ButtonOKClick()
{
    if (m_busy)
        return;
    ProgramState& s = m_state;
    // Enter confirms without leaving the control: a number still being typed
    // counts as entered.
    for (QAbstractSpinBox* spin : findChildren<QAbstractSpinBox*>())
        spin->interpretText();

    // 1. and 2. A new password counts only once the user has typed it twice.
    // A confirmed password is taken at once, even if the other one is then
    // not confirmed; the confirmed text is what the edit keeps.
    struct PasswordStep {
        PasswordEdit* edit;
        QString* stored;
        QString prompt;
    };
    const PasswordStep steps[2] = {
        {EditProtPassword, &s.ProtP,
         LangString("Option", "RepeatPswProt", "Bitte wiederholen Sie das Passwort zum Abschalten vom Dokumentenschutz.")},
        {EditOpenPassword, &s.OpenP,
         LangString("Option", "RepeatPswOpen", "Bitte wiederholen Sie das Passwort zum Öffnen vom PDF-Dokument.")},
    };
    for (const PasswordStep& step : steps) {
        QString typed = step.edit->text();
        if (typed != *step.stored && !typed.isEmpty()) {
            if (!RepeatPassword(step.prompt, typed))
                return;
            *step.stored = typed;
            step.edit->setText(typed);
        }
    }

    // 3. A changed printer is looked up again before the next conversion.
    const QString printer = ComboBoxPrinter->currentText();
    if (printer != s.Printer)
        s.PrinterIndex = -1;
    s.Printer = printer;

    // 4. Ghostscript.
    if (s.GhostscriptPool && s.GhostscriptPool->Count() > 0) {
        const int gs = ComboBoxGhostscript->currentIndex();
        if (gs >= 0 && gs < s.GhostscriptPool->Count())
            s.ChosenGhostscript = s.GhostscriptPool->Item(gs);
    }

    // 5.
    s.DelPS = CheckBoxDelPS->isChecked();
    s.RenamePS = CheckBoxRenamePS->isChecked();
    SetProtocolEnabled(CheckBoxCreateProt->isChecked());
    if (GrafQualButtons->checkedId() >= 0)
        s.Grafikqu = uint8_t(GrafQualButtons->checkedId());
    if (AcrobatButtons->checkedId() >= 0)
        s.AcroVer = uint8_t(AcrobatButtons->checkedId());
    if (BmpColorButtons->checkedId() >= 0)
        s.BmpColor = uint8_t(BmpColorButtons->checkedId());
    s.JPEGRGB = RadioRGB->isChecked();
    s.JPEGQual = uint8_t(TrackBarJPEGQual->value());
    s.DPIx = uint16_t(SpinDPIx->value());
    s.DPIy = uint16_t(SpinDPIy->value());
    s.UsePSDir = CheckBoxPSDir->isChecked();
    s.PSDir = EditPSDir->text();
    if (!s.PSDir.endsWith(QLatin1Char('/')))
        s.PSDir += QLatin1Char('/');

    // 6. Title.
    s.TitleMode = RadioTitleFix->isChecked() ? 2 : RadioTitleFileName->isChecked() ? 1 : 0;
    s.dtSuffix = EditTitleSuffix->text();
    s.dtPrefix = EditTitlePrefix->text();
    s.dtFixCaption = EditTitleFix->text();

    // 7. Paper.
    const int paper = ComboBoxPaper->currentIndex();
    if (paper == 0) {
        s.PaperFormat.clear();
        s.PaperW = EditPaperW->value();
        s.PaperH = EditPaperH->value();
    } else if (paper == 1) {
        s.PaperFormat.clear();
        s.PaperW = 0;
        s.PaperH = 0;
    } else if (paper >= 2) {
        s.PaperFormat = QString::fromLatin1(PaperTable[size_t(paper - 2)].name);
    }
    if (ComboBoxMeasure->currentIndex() >= 0)
        s.PaperMeasure = uint8_t(ComboBoxMeasure->currentIndex());

    // 8. Encryption and passwords.
    s.Bit = CheckBox40Bit->isChecked() ? 1 : CheckBox128Bit->isChecked() ? 2 : 0;
    s.OpenP = EditOpenPassword->text();
    s.ProtP = EditProtPassword->text();

    // 9. The user-defined prohibition sets and their names.
    for (int row = 0; row < 3; ++row) {
        uint8_t set = 0;
        for (int col = 0; col < 4; ++col) {
            if (CheckBoxPermission[size_t(row)][size_t(col)]->isChecked())
                set |= uint8_t(1u << col);
        }
        s.ProhibitionSet[size_t(row) + 2] = set;
    }
    s.User1 = EditSetName[0]->text();
    s.User2 = EditSetName[1]->text();
    s.User3 = EditSetName[2]->text();

    // 10. TIFF.
    s.TIFFQual = uint16_t(RoundHalfEven(SpinTIFFRes->value()));
    if (TFComprButtons->checkedId() >= 0)
        s.TiffFormat = uint8_t(TFComprButtons->checkedId());
    s.TIFFExtension = TFExtButtons->checkedId() == 0;

    // 11. Pictures: the first pressed position button in column order.
    if (PaperBmpButtons->checkedId() >= 0)
        s.GrOrientation = uint8_t(PaperBmpButtons->checkedId());
    for (int id = 0; id < 9; ++id) {
        if (PositionButtons->button(id)->isChecked()) {
            s.GrPicturePosX = uint8_t(id / 3);
            s.GrPicturePosY = uint8_t(id % 3);
            break;
        }
    }
    s.GrBorderLeft = SpinBorderLeft->value();
    s.GrBorderRight = SpinBorderRight->value();
    s.GrBorderTop = SpinBorderTop->value();
    s.GrBorderBottom = SpinBorderBottom->value();

    // 12.
    PageControl1->setCurrentIndex(0);
    accept();
}

void TFormOption::SetControlsBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        // Only the top-level controls are switched; the ones inside keep
        // their own state (a disabled paper size stays disabled afterwards).
        m_enabledBeforeTest.clear();
        for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            m_enabledBeforeTest.append({child, child->isEnabled()});
            child->setEnabled(false);
        }
        repaint();
    } else {
        for (const auto& [child, enabled] : m_enabledBeforeTest)
            child->setEnabled(enabled);
        m_enabledBeforeTest.clear();
    }
}

void TFormOption::ButtonTestClick()
{
    if (m_busy)
        return;
    if (MessageDlg(QString(),
                   LangString("Option", "TestPrinter",
                              "Dieser Vorgang testet, ob mit dem eingestellten Druckertreiber Postscript-Dateien "
                              "angelegt werden können. Soll dieser Test nun durchgeführt werden?"),
                   mtConfirmation, MsgButtons({mbYes, mbNo})) == mrNo)
        return;

    SetControlsBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    WriteProtocol(QStringLiteral("Start Test"));

    const QString bmpFile = GetDataFolder() + QStringLiteral("test.bmp");
    const QString psFile = GetDataFolder() + QStringLiteral("test.ps");
    QStringList report;
    bool success = false;
    QString error;
    try {
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.fill(Qt::white);
        if (!pixel.save(bmpFile, "BMP"))
            throw std::runtime_error(QStringLiteral("%1: cannot be written").arg(bmpFile).toStdString());
        report << LangString("Option", "CreateTestBMP", "Testgrafik erstellt");

        const QString printer = ComboBoxPrinter->currentText();
        PrinterSystem::Instance().SelectCurrent(FindPrinterIndex(printer));
        report << LangString("Option", "PrinterOK", "Drucker \"%s\" erfolgreich eingestellt.")
                      .replace(QStringLiteral("%s"), printer);

        {
            TGrafikPrint print(bmpFile);
            print.Print(psFile);
        }
        report << LangString("Option", "PrintTestBMP", "Testgrafik gedruckt");

        QCoreApplication::processEvents();

        success = HasPostScriptSignature(psFile);
        report << QString();
        if (success)
            report << LangString("Option", "TestSuccess",
                                 "Erzeugtes Dokument geprüft: Druckertreiber unterstützt%sdie Erstellung von "
                                 "Postscript-Dokumenten.")
                          .replace(QStringLiteral("%s"), QStringLiteral("\n"));
        else
            report << LangString("Option", "TestFail",
                                 "Erzeugtes Dokument geprüft: Druckertreiber erzeugt%sKEINE Postscript-Dokumente. "
                                 "Bitte versuchen Sie%seinen anderen Druckertreiber, z.B. \"HP Color Laserjet 5/5M "
                                 "PS\".")
                          .replace(QStringLiteral("%s"), QStringLiteral("\n"));
    } catch (const std::exception& e) {
        error = ExceptionText(e);
    }

    // Whatever happened: the work files go, the form comes back.
    QFile::remove(psFile);
    QFile::remove(bmpFile);
    QApplication::restoreOverrideCursor();
    QApplication::beep();
    SetControlsBusy(false);

    if (!error.isEmpty()) {
        WriteProtocol(QStringLiteral("Error Test: ") + error);
        MessageDlg(QString(), error, mtError, MsgButtons({mbOK}));
        return;
    }

    const QString heading =
        success ? LangString("Option", "OutputSuccess", "Der Vorgang wurde erfolgreich abgeschlossen:%s")
                : LangString("Option", "OutputError", "Der Vorgang schlug fehl. Bitte überprüfen Sie das Protokoll:%s");
    const QString body = report.join(QLatin1Char('\n'));
    if (heading.endsWith(QStringLiteral("%s")))
        MessageDlg(heading.chopped(2), body, mtInformation, MsgButtons({mbOK}));
    else
        MessageDlg(QString(), ReplaceFirst(heading, QStringLiteral("%s"), QStringLiteral("\n\n") + body), mtInformation,
                   MsgButtons({mbOK}));
}

bool ShowOptions(ProgramState& state, QWidget* parent)
{
    TFormOption form(state, parent);
    return form.exec() == QDialog::Accepted;
}
