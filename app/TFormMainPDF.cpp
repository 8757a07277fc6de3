#include "app/TFormMainPDF.h"

#include "app/Artwork.h"
#include "app/FileBrowser.h"
#include "app/ImageButton.h"
#include "core/LanguageFile.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/LanguageMenu.h"
#include "support/AnleitungUnit.h"
#include "support/FAQUnit.h"
#include "core/MessageDlg.h"
#include "core/Protocol.h"
#include "core/TMyIniFile.h"
#include "engine/ConversionRun.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "ghostscript/UGhostscript.h"
#include "dialogs/InfoUnitTovel.h"
#include "dialogs/Optionen.h"
#include "platform/SystemInfo.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kFormMain = QStringLiteral("FormMain");

QString WithoutFirstAmpersand(QString text)
{
    const qsizetype i = text.indexOf('&');
    if (i >= 0)
        text.remove(i, 1);
    return text;
}

QAction* AddRadio(QMenu* menu, QActionGroup* group, const QString& name, const QString& caption, int tag)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(true);
    a->setData(tag);
    group->addAction(a);
    return a;
}

QLabel* StatusImage(QWidget* parent, const QString& name, const QPixmap& pixmap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(pixmap);
    label->setFixedWidth(20);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TFormMainPDF::TFormMainPDF(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMainPDF"));
    setMinimumSize(350, 400);
    resize(437, 456);
    CreateWidgets();
    CreateMenus();

    // 1.
    AdjustFormCaption(this);

    // 2. Placement, then saving is allowed.
    LoadFormSettings();
    m_state.SaveAllowed = true;

    // 3. Caption with the program's version.
    SetFormCaption(this, LangString("Main", "Caption", "Worddateien zu PDF") + QStringLiteral(" - ")
                             + GetFileVersionText(QStringLiteral("%d.%d (build %3:d)")));

    // 5. Texts.
    TranslateTexts();

    // 6. A display that is not at 96 dpi gets taller buttons.
    if (GetScreenDPI() != 96) {
        for (ImageButton* b : {m_buttonDelFile, m_buttonShowPDF, m_buttonCancel, m_buttonStart})
            b->setFixedHeight(b->height() + 7);
    }

    // 9. The installed Ghostscript programs.
    m_state.GhostscriptPool = std::make_shared<TGhostscriptPool>();
    m_state.ChosenGhostscript = nullptr;
    // 10.
    m_state.ProhibitionSet[0] = 0;
    m_state.ProhibitionSet[1] = 15;

    // 11. Settings, with their effects on the window.
    bool printerKeyWasEmpty = false;
    {
        const TMyIniFile ini(SettingsFileName());
        printerKeyWasEmpty = ini.ReadString(QStringLiteral("Allgemein"), QStringLiteral("Printer"), QString()).isEmpty();
    }
    LoadSettings(*this);
    ApplyLoadedSettings(printerKeyWasEmpty);

    // 12.
    m_state.CombineOutput = false;
    // 13.
    BuildLanguageMenu(m_menuSprache, m_state);
}

TFormMainPDF::~TFormMainPDF()
{
    if (!m_destroyed) {
        try {
            FormDestroy();
        } catch (const std::exception&) {
            // Reported by closeEvent when the window was closed normally.
        }
    }
}

void TFormMainPDF::CreateWidgets()
{
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    m_browser = new FileBrowser(m_state, central);

    auto row = [&](QLabel*& cap, QLabel* path, const QString& capName) {
        auto* frame = new QFrame(central);
        frame->setFrameShape(QFrame::StyledPanel);
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(4, 2, 4, 2);
        cap = new QLabel(frame);
        cap->setObjectName(capName);
        path->setMinimumWidth(20);
        path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        layout->addWidget(cap);
        layout->addWidget(path, 1);
        outer->addWidget(frame);
        return layout;
    };
    m_labelPath = m_browser->LabelPath();
    row(m_labelInputCap, m_labelPath, QStringLiteral("LabelInputCap"));
    m_labelPathOutput = new QLabel(central);
    m_labelPathOutput->setObjectName(QStringLiteral("LabelPathOutput"));
    m_labelPathOutput->setTextFormat(Qt::PlainText);
    QHBoxLayout* outRow = row(m_labelOutputCap, m_labelPathOutput, QStringLiteral("LabelOutputCap"));
    m_speedButtonOutDirSelect = new QToolButton(central);
    m_speedButtonOutDirSelect->setObjectName(QStringLiteral("SpeedButtonOutDirSelect"));
    m_speedButtonOutDirSelect->setText(QStringLiteral("..."));
    m_speedButtonOutDirSelect->setPopupMode(QToolButton::MenuButtonPopup);
    outRow->addWidget(m_speedButtonOutDirSelect);

    auto* body = new QHBoxLayout;
    m_panelBackground = new QWidget(central);
    m_panelBackground->setObjectName(QStringLiteral("PanelBackground"));
    auto* bg = new QHBoxLayout(m_panelBackground);
    bg->setContentsMargins(0, 0, 0, 0);
    m_browser->setParent(m_panelBackground);
    bg->addWidget(m_browser);
    body->addWidget(m_panelBackground, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    auto make = [&](ImageButton*& b, const QString& name, const QIcon& icon) {
        b = new ImageButton(icon, central);
        b->setObjectName(name);
        b->setFixedSize(91, 46);
        buttons->addWidget(b);
    };
    make(m_buttonDelFile, QStringLiteral("ButtonDelFile"), Artwork::DeleteFile());
    make(m_buttonShowPDF, QStringLiteral("ButtonShowPDF"), Artwork::ShowFile());
    buttons->addSpacing(10);
    make(m_buttonCancel, QStringLiteral("ButtonCancel"), Artwork::Cancel());
    make(m_buttonStart, QStringLiteral("ButtonStart"), Artwork::Start());
    m_buttonDelFile->setEnabled(false);
    m_buttonShowPDF->setEnabled(false);
    m_buttonCancel->setEnabled(false);
    body->addLayout(buttons);
    outer->addLayout(body, 1);
    setCentralWidget(central);

    connect(m_buttonStart, &QPushButton::clicked, this, &TFormMainPDF::ButtonStartClick);
    connect(m_buttonCancel, &QPushButton::clicked, this, &TFormMainPDF::ButtonCancelClick);
    connect(m_buttonDelFile, &QPushButton::clicked, m_browser, &FileBrowser::ButtonDelFileClick);
    connect(m_buttonShowPDF, &QPushButton::clicked, m_browser, &FileBrowser::ButtonShowPDFClick);
    connect(m_browser, &FileBrowser::ButtonDelFileEnabledChanged, m_buttonDelFile, &QWidget::setEnabled);
    connect(m_browser, &FileBrowser::ButtonShowPDFEnabledChanged, m_buttonShowPDF, &QWidget::setEnabled);

    // Status bar: progress, encryption, combine, printer.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("HTMLStatusBar"));
    bar->setSizeGripEnabled(true);
    m_progressBarStatus = new QProgressBar(bar);
    m_progressBarStatus->setObjectName(QStringLiteral("ProgressBarStatus"));
    m_progressBarStatus->setTextVisible(false);
    m_progressBarStatus->setValue(0);
    m_progressBarStatus->setMaximumHeight(14);
    m_imageSchluessel = StatusImage(bar, QStringLiteral("ImageSchluessel"), Artwork::Key(16, true));
    m_imageSchluesselDis = StatusImage(bar, QStringLiteral("ImageSchluesselDis"), Artwork::Key(16, false));
    m_imageConnect = StatusImage(bar, QStringLiteral("ImageConnect"), Artwork::Connect(16, true));
    m_imageConnectDis = StatusImage(bar, QStringLiteral("ImageConnectDis"), Artwork::Connect(16, false));
    m_printerPanel = new QLabel(bar);
    m_printerPanel->setObjectName(QStringLiteral("PrinterPanel"));
    m_printerPanel->setTextFormat(Qt::RichText);
    bar->addWidget(m_progressBarStatus, 2);
    bar->addWidget(m_imageSchluessel);
    bar->addWidget(m_imageSchluesselDis);
    bar->addWidget(m_imageConnect);
    bar->addWidget(m_imageConnectDis);
    bar->addWidget(m_printerPanel, 3);
    m_imageSchluessel->hide();
    m_imageConnect->hide();
    for (QLabel* image : {m_imageConnect, m_imageConnectDis}) {
        image->installEventFilter(this);
        image->setCursor(Qt::PointingHandCursor);
    }
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this, &TFormMainPDF::HTMLStatusBarContextPopup);
    bar->setMinimumHeight(qMax(20, fontMetrics().height() + 4));
    connect(m_browser, &FileBrowser::ImageConnectHintChanged, m_imageConnect, &QWidget::setToolTip);

    ChooseFolder = [this](const QString& start, const QString& title) {
        return QFileDialog::getExistingDirectory(this, title, start);
    };
}

void TFormMainPDF::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("ElMenuBarMain"));

    m_menuDatei = bar->addMenu(QStringLiteral("Datei"));
    m_menuDatei->setObjectName(QStringLiteral("menuDatei"));
    QAction* options = m_menuDatei->addAction(QStringLiteral("Einstellungen"), this, &TFormMainPDF::menuEinstellungenClick);
    options->setObjectName(QStringLiteral("menuEinstellungen"));
    m_menuDatei->addSeparator();
    QAction* quit = m_menuDatei->addAction(QStringLiteral("Beenden"), this, &TFormMainPDF::menuBeendenClick);
    quit->setObjectName(QStringLiteral("menuBeenden"));

    m_menuSprache = bar->addMenu(QStringLiteral("Sprache"));
    m_menuSprache->setObjectName(QStringLiteral("menuSprache"));

    m_menuExtras = bar->addMenu(QStringLiteral("Extras"));
    m_menuExtras->setObjectName(QStringLiteral("menuExtras"));
    m_menuAusgabeformat = m_menuExtras->addMenu(QStringLiteral("Ausgabeformat"));
    m_menuAusgabeformat->setObjectName(QStringLiteral("menuAusgabeformat"));
    m_formatGroup = new QActionGroup(this);
    AddRadio(m_menuAusgabeformat, m_formatGroup, QStringLiteral("menuPDF"), QStringLiteral("PDF"), 0)->setChecked(true);
    AddRadio(m_menuAusgabeformat, m_formatGroup, QStringLiteral("menuBMP"), QStringLiteral("BMP"), 1);
    AddRadio(m_menuAusgabeformat, m_formatGroup, QStringLiteral("menuJPEG"), QStringLiteral("JPEG"), 2);
    AddRadio(m_menuAusgabeformat, m_formatGroup, QStringLiteral("menuPCX"), QStringLiteral("PCX"), 3);
    connect(m_formatGroup, &QActionGroup::triggered, this, &TFormMainPDF::AusgabeformatClick);

    m_menuEncrypt = m_menuExtras->addMenu(QStringLiteral("PDF Verschlüsselung"));
    m_menuEncrypt->setObjectName(QStringLiteral("menuEncrypt"));
    m_encryptGroup = new QActionGroup(this);
    AddRadio(m_menuEncrypt, m_encryptGroup, QStringLiteral("menuEncrypNo"), QString(), 0)->setChecked(true);
    AddRadio(m_menuEncrypt, m_encryptGroup, QStringLiteral("menuEncryp40"), QString(), 40);
    AddRadio(m_menuEncrypt, m_encryptGroup, QStringLiteral("menuEncryp128"), QString(), 128);
    connect(m_encryptGroup, &QActionGroup::triggered, this, &TFormMainPDF::menuEncrypNoClick);
    m_menuEncrypt->addSeparator();
    m_menuSchutzCap = m_menuEncrypt->addMenu(QString());
    m_menuSchutzCap->setObjectName(QStringLiteral("menuSchutzCap"));
    m_schutzGroup = new QActionGroup(this);
    AddRadio(m_menuSchutzCap, m_schutzGroup, QStringLiteral("menuSchutzNo"), QString(), -1)->setChecked(true);
    AddRadio(m_menuSchutzCap, m_schutzGroup, QStringLiteral("menuSchutzFull"), QString(), 0);
    AddRadio(m_menuSchutzCap, m_schutzGroup, QStringLiteral("menuSchutzUser1"), QString(), 1);
    AddRadio(m_menuSchutzCap, m_schutzGroup, QStringLiteral("menuSchutzUser2"), QString(), 2);
    AddRadio(m_menuSchutzCap, m_schutzGroup, QStringLiteral("menuSchutzUser3"), QString(), 3);
    connect(m_schutzGroup, &QActionGroup::triggered, this, &TFormMainPDF::menuSchutzClick);

    m_menuConnect = m_menuExtras->addAction(QString(), this, &TFormMainPDF::menuConnectClick);
    m_menuConnect->setObjectName(QStringLiteral("menuConnect"));
    m_menuConnect->setCheckable(true);

    m_menuHilfe = bar->addMenu(QStringLiteral("Hilfe"));
    m_menuHilfe->setObjectName(QStringLiteral("menuHilfe"));
    // A help page that cannot be written is reported; nothing escapes the menu.
    const auto guarded = [](void (*open)()) {
        return [open] {
            try {
                open();
            } catch (const std::exception& e) {
                MessageDlg(QString(), ExceptionText(e), mtError, MsgButtons({mbOK}));
            }
        };
    };
    QAction* faq = m_menuHilfe->addAction(QStringLiteral("FAQ"), this, guarded(&menuFAQClick));
    faq->setObjectName(QStringLiteral("menuFAQ"));
    QAction* manual = m_menuHilfe->addAction(QStringLiteral("Anleitung"), this, guarded(&menuAnleitungClick));
    manual->setObjectName(QStringLiteral("menuAnleitung"));
    QAction* pro = m_menuHilfe->addAction(QStringLiteral("Kalvinora Pro (Internet)"));
    pro->setObjectName(QStringLiteral("menuKalvinoraPro"));
    m_menuInternet = m_menuHilfe->addMenu(QStringLiteral("Internet"));
    m_menuInternet->setObjectName(QStringLiteral("menuInternet"));
    QAction* home = m_menuInternet->addAction(QStringLiteral("Homepage"));
    home->setObjectName(QStringLiteral("menuHomepage"));
    QAction* inetFaq = m_menuInternet->addAction(QStringLiteral("FAQ"));
    inetFaq->setObjectName(QStringLiteral("menuInetFAQ"));
    QAction* gs = m_menuInternet->addAction(QStringLiteral("Download Ghostscript"));
    gs->setObjectName(QStringLiteral("menuDownloadGs"));
    QAction* reader = m_menuInternet->addAction(QStringLiteral("Download Acrobat Reader"));
    reader->setObjectName(QStringLiteral("menuDownloadAcrobatReader"));
    QAction* compat = m_menuInternet->addAction(QStringLiteral("Download Office 2007 Compatibility Pack"));
    compat->setObjectName(QStringLiteral("menuDownloadCompa2007"));
    QAction* info = m_menuHilfe->addAction(QStringLiteral("Info"), this, &TFormMainPDF::ButtonInfoClick);
    info->setObjectName(QStringLiteral("menuInfo"));

    // Every web entry opens one address and does nothing else. The program
    // has no site of its own to send people to: its own entries open the
    // manual and the FAQ that come with it; the downloads lead to the
    // projects that provide Ghostscript, a PDF reader and LibreOffice (which
    // opens the newer Word formats).
    connect(pro, &QAction::triggered, this, guarded(&menuAnleitungClick));
    connect(home, &QAction::triggered, this, guarded(&menuAnleitungClick));
    connect(inetFaq, &QAction::triggered, this, guarded(&menuFAQClick));
    const struct {
        QAction* entry;
        const char* address;
    } web[] = {
        {gs, "https://www.ghostscript.com/releases/gsdnld.html"},
        {reader, "https://get.adobe.com/reader/"},
        {compat, "https://www.libreoffice.org/download/download-libreoffice/"},
    };
    for (const auto& w : web) {
        const QString address = QString::fromLatin1(w.address);
        connect(w.entry, &QAction::triggered, this, [this, address] { OpenAddress(address); });
    }

    // Popups.
    m_popupAusgabeformat = new QMenu(this);
    m_popupAusgabeformat->setObjectName(QStringLiteral("PopupMenuAusgabeformat"));
    connect(m_popupAusgabeformat, &QMenu::aboutToShow, this, &TFormMainPDF::PopupMenuAusgabeformatPopup);
    m_buttonStart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_buttonStart, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { m_popupAusgabeformat->popup(m_buttonStart->mapToGlobal(p)); });

    m_popupEncrypt = new QMenu(this);
    m_popupEncrypt->setObjectName(QStringLiteral("ElPopupMenuEncrypt"));
    for (const char* name : {"pMenuEncrypNo", "pMenuEncryp40", "pMenuEncrypNo128"}) {
        QAction* a = m_popupEncrypt->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
    }
    m_popupEncrypt->addSeparator()->setObjectName(QStringLiteral("pMenuTrenner"));
    m_popupSchutzCap = m_popupEncrypt->addMenu(QString());
    m_popupSchutzCap->setObjectName(QStringLiteral("pMenuSchutzCap"));
    for (const char* name : {"pMenuSchutzNo", "pMenuSchutzFull", "pMenuSchutzUser1", "pMenuSchutzUser2", "pMenuSchutzUser3"}) {
        QAction* a = m_popupSchutzCap->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
    }
    connect(m_popupEncrypt, &QMenu::triggered, this, &TFormMainPDF::pMenuEncrypClick);

    m_popupPrinter = new QMenu(this);
    m_popupPrinter->setObjectName(QStringLiteral("PopupMenuPrinter"));

    m_popupOutputDirs = new QMenu(this);
    m_popupOutputDirs->setObjectName(QStringLiteral("PopupMenuOutputDirs"));
    m_outputDirGroup = new QActionGroup(this);
    m_menuEingabeverzeichnis = m_popupOutputDirs->addAction(QString());
    m_menuEingabeverzeichnis->setObjectName(QStringLiteral("menuEingabeverzeichnis"));
    m_menuEingabeverzeichnis->setCheckable(true);
    m_menuEingabeverzeichnis->setChecked(true);
    m_outputDirGroup->addAction(m_menuEingabeverzeichnis);
    connect(m_menuEingabeverzeichnis, &QAction::triggered, this, &TFormMainPDF::menuEingabeverzeichnisClick);
    m_speedButtonOutDirSelect->setMenu(m_popupOutputDirs);
    connect(m_speedButtonOutDirSelect, &QToolButton::clicked, this, &TFormMainPDF::SpeedButtonOutDirSelectClick);
}

void TFormMainPDF::TranslateTexts()
{
    m_menuDatei->setTitle(LangString("Main", "menuFile", "Datei"));
    FindAction(QStringLiteral("menuEinstellungen"))->setText(LangString("Main", "menuOption", "Einstellungen"));
    FindAction(QStringLiteral("menuBeenden"))->setText(LangString("Main", "menuExit", "Beenden"));
    m_menuHilfe->setTitle(LangString("Main", "menuHelp", "Hilfe"));
    FindAction(QStringLiteral("menuFAQ"))->setText(LangString("Main", "menuFAQ", "FAQ"));
    FindAction(QStringLiteral("menuAnleitung"))->setText(LangString("Main", "menuAnleit", "Anleitung"));
    FindAction(QStringLiteral("menuInfo"))->setText(LangString("Main", "menuInfo", "Info"));
    m_menuInternet->setTitle(LangString("Main", "menuInet", "Internet"));
    FindAction(QStringLiteral("menuHomepage"))->setText(LangString("Main", "menuHomepage", "Homepage"));
    FindAction(QStringLiteral("menuInetFAQ"))->setText(LangString("Main", "menuFAQ", "FAQ"));
    m_menuSprache->setTitle(LangString("Main", "menuLg", "Sprache"));
    m_menuExtras->setTitle(LangString("Main", "menuExtras", "Extras"));
    m_menuAusgabeformat->setTitle(LangString("Main", "menuOutput", "Ausgabeformat"));
    m_labelPath->setToolTip(QStringLiteral("<html>")
                            + LangString("Main", "PathHint", "Zeigt den aktuell eingestellten Pfad<br>für die Auswahl der Worddokumente an.")
                            + QStringLiteral("</html>"));
    m_buttonDelFile->SetHtmlCaption(LangString("Main", "ButtonDelCap", "Datei löschen"));
    m_buttonDelFile->setToolTip(LangString("Main", "ButtonDelHin", "Ausgewählte Datei(en) löschen."));
    m_buttonShowPDF->SetHtmlCaption(LangString("Main", "ButtonPDFCap", "Anschauen"));
    m_buttonShowPDF->setToolTip(
        QStringLiteral("<html>")
        + LangString("Main", "ButtonPDFHin", "Aktuell gewähltes PDF anschauen.<br>Dafür wird im Allgemeinen der<br><b>Adobe Acrobat Reader</b> gestartet.")
        + QStringLiteral("</html>"));
    m_buttonCancel->SetHtmlCaption(LangString("Main", "ButtonCancelCap", "Abbrechen"));
    m_buttonCancel->setToolTip(LangString("Main", "ButtonCancelHin", "Konvertierungsvorgang abbrechen."));
    m_buttonStart->SetHtmlCaption(ReplaceFirst(LangString("Main", "ButtonStartCap", "<B>%s</B> erzeugen"), QStringLiteral("%s"),
                                               QStringLiteral("PDF")));
    m_buttonStart->setToolTip(LangString("Main", "ButtonStartHin", "Konvertierungsvorgang starten."));
    m_menuEncrypt->setTitle(QStringLiteral("PDF ") + LangString("Option", "Encryption", "Verschlüsselung"));
    FindAction(QStringLiteral("menuEncrypNo"))->setText(LangString("Main", "NoEncrypt", "keine Verschlüsselung"));
    FindAction(QStringLiteral("menuEncryp40"))
        ->setText(LangString("Main", "Encryp40", "Verschlüsselung mit 40 Bit") + QStringLiteral(" (")
                  + LangString("Option", "Acro4NoGS814", "ab Acrobat 4, ab GS 8.15") + QStringLiteral(")"));
    FindAction(QStringLiteral("menuEncryp128"))
        ->setText(LangString("Main", "Encryp128", "Verschlüsselung mit 128 Bit") + QStringLiteral(" (")
                  + LangString("Option", "Acro5", "ab Acrobat 5, ab GS 8.14") + QStringLiteral(")"));
    m_menuSchutzCap->setTitle(LangString("Main", "PermCap", "Art des Schutzes (nur mit Verschlüsselung)"));
    FindAction(QStringLiteral("menuSchutzNo"))->setText(LangString("Main", "PermNo", "kein Schutz"));
    FindAction(QStringLiteral("menuSchutzFull"))->setText(LangString("Main", "PermFull", "voller Schutz"));
    m_menuEingabeverzeichnis->setText(QStringLiteral("[ ") + LangString("Main", "InputDir", "Eingabeverzeichnis") + QStringLiteral(" ]"));
    m_labelInputCap->setText(LangString("Main", "InputCap", "Eingabe:"));
    m_labelOutputCap->setText(LangString("Main", "OutputCap", "Ausgabe:"));
    m_menuConnect->setText(LangString("Main", "OutputConnect", "combine output document"));
    m_imageConnect->setToolTip(m_menuConnect->text());
    m_browser->SetConnectCaption(m_menuConnect->text());
    m_imageConnectDis->setToolTip(
        LangString("Main", "OutputNoConnect", "every source document creates a single output document (default)"));
}

void TFormMainPDF::ApplyLoadedSettings(bool printerKeyWasEmpty)
{
    FindAction(QStringLiteral("menuSchutzUser1"))->setText(m_state.User1);
    FindAction(QStringLiteral("menuSchutzUser2"))->setText(m_state.User2);
    FindAction(QStringLiteral("menuSchutzUser3"))->setText(m_state.User3);
    if (m_state.Type == 0)
        FindAction(QStringLiteral("menuSchutzNo"))->setChecked(true);
    else if (m_state.Type == 1)
        FindAction(QStringLiteral("menuSchutzFull"))->setChecked(true);
    const char* encryption[] = {"menuEncrypNo", "menuEncryp40", "menuEncryp128"};
    FindAction(QString::fromLatin1(encryption[qMin<int>(m_state.Bit, 2)]))->setChecked(true);
    UpdateEncryptionIndicator();

    m_state.PrinterIndex = -1;
    ShowPrinter(printerKeyWasEmpty);

    // The TIFF entry joins the format menu at start.
    QAction* tif = AddRadio(m_menuAusgabeformat, m_formatGroup, QStringLiteral("menuTIF"), QStringLiteral("TIFF"), 4);
    Q_UNUSED(tif);
    const char* formats[] = {"menuPDF", "menuBMP", "menuJPEG", "menuPCX", "menuTIF"};
    AusgabeformatClick(FindAction(QString::fromLatin1(formats[qMin<int>(m_state.OutputFormat, 4)])));

    m_browser->SetLeftWindow(m_state.LeftWindow);

    BuildOutputDirMenu();
    if (m_state.OutputToInput) {
        m_menuEingabeverzeichnis->trigger();
    } else if (m_popupOutputDirs->actions().size() > 1) {
        m_popupOutputDirs->actions().at(1)->trigger();
    }
}

QAction* TFormMainPDF::FindAction(const QString& name) const
{
    return findChild<QAction*>(name);
}

void TFormMainPDF::ShowPrinter(bool chooseHint)
{
    if (chooseHint)
        m_printerPanel->setText(QStringLiteral("<font color=\"#FF0000\"><b>")
                                + LangString("Main", "ChoosePrinter", "Druckertreiber im Dialog Einstellungen wählen !")
                                + QStringLiteral("</b></font>"));
    else
        m_printerPanel->setText(m_state.Printer.toHtmlEscaped());
}

// ---- Settings host ----

void TFormMainPDF::ChooseGhostscript(const QString& storedPath)
{
    if (!m_state.GhostscriptPool)
        return;
    m_state.ChosenGhostscript = m_state.GhostscriptPool->FindByPath(storedPath);
    if (!m_state.ChosenGhostscript)
        m_state.ChosenGhostscript = m_state.GhostscriptPool->DefaultInstallation();
}

QString TFormMainPDF::ChosenGhostscriptPath() const
{
    return m_state.ChosenGhostscript ? m_state.ChosenGhostscript->ExePath() : QString();
}

void TFormMainPDF::ReleaseGhostscriptList()
{
    m_state.ChosenGhostscript = nullptr;
    m_state.GhostscriptPool.reset();
}

void TFormMainPDF::RestoreViewState(const QByteArray& stream) { m_browser->RestoreViewState(stream); }

QByteArray TFormMainPDF::SnapshotViewState() { return m_browser->SnapshotViewState(); }

int TFormMainPDF::BrowserAreaWidth() const
{
    // Before the window is laid out the area is what the window's width
    // leaves beside the button column.
    if (m_panelBackground->isVisible())
        return m_panelBackground->width();
    return width() - 91 - 16;
}

int TFormMainPDF::CurrentLeftWindow() const { return m_browser->LeftWindow(); }

bool TFormMainPDF::OutputToInputChecked() const { return m_menuEingabeverzeichnis->isChecked(); }

// ---- Run window ----

void TFormMainPDF::SetRunning(bool running)
{
    m_buttonCancel->setEnabled(running);
    m_buttonStart->setEnabled(!running);
    // After a run the file list decides again what the selection allows.
    m_buttonShowPDF->setEnabled(!running && m_browser->ButtonShowPDFEnabled());
    m_buttonDelFile->setEnabled(!running && m_browser->ButtonDelFileEnabled());
}

void TFormMainPDF::SetBusyCursor(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

void TFormMainPDF::SetProgressMaximum(int maximum) { m_progressBarStatus->setMaximum(maximum); }

void TFormMainPDF::SetProgressPosition(int position) { m_progressBarStatus->setValue(position); }

void TFormMainPDF::StepProgress()
{
    m_progressBarStatus->setValue(qMin(m_progressBarStatus->value() + 1, m_progressBarStatus->maximum()));
    statusBar()->repaint();
}

void TFormMainPDF::ProcessPendingEvents() { QCoreApplication::processEvents(); }

// ---- Output format, encryption, protection, combine ----

void TFormMainPDF::AusgabeformatClick(QAction* entry)
{
    if (!entry)
        return;
    const QString name = WithoutFirstAmpersand(entry->text());
    m_buttonStart->SetHtmlCaption(ReplaceFirst(LangString("Main", "ButtonStartCap", "<B>%s</B> erzeugen"), QStringLiteral("%s"), name));
    const QString component = entry->objectName();
    if (component.contains(QLatin1String("menuPDF")))
        m_state.OutputFormat = ofPDF;
    else if (component.contains(QLatin1String("menuBMP")))
        m_state.OutputFormat = ofBMP;
    else if (component.contains(QLatin1String("menuPCX")))
        m_state.OutputFormat = ofPCX;
    else if (component.contains(QLatin1String("menuTIF")))
        m_state.OutputFormat = ofTIFF;
    else
        m_state.OutputFormat = ofJPEG;
    QString mainName = component;
    const qsizetype two = mainName.indexOf('2');
    if (two >= 0)
        mainName.remove(two, 1);
    if (QAction* main = FindAction(mainName); main && main->actionGroup() == m_formatGroup)
        main->setChecked(true);
}

void TFormMainPDF::PopupMenuAusgabeformatPopup()
{
    m_popupAusgabeformat->clear();
    auto* group = new QActionGroup(m_popupAusgabeformat);
    for (QAction* source : m_menuAusgabeformat->actions()) {
        QAction* copy = m_popupAusgabeformat->addAction(source->text());
        copy->setObjectName(source->objectName() + QStringLiteral("2"));
        copy->setCheckable(true);
        copy->setChecked(source->isChecked());
        group->addAction(copy);
        connect(copy, &QAction::triggered, this, [this, copy] { AusgabeformatClick(copy); });
    }
}

void TFormMainPDF::menuEncrypNoClick(QAction* entry)
{
    entry->setChecked(true);
    switch (entry->data().toInt()) {
    case 0: m_state.Bit = 0; break;
    case 40: m_state.Bit = 1; break;
    case 128: m_state.Bit = 2; break;
    default: break;
    }
    UpdateEncryptionIndicator();
}

void TFormMainPDF::UpdateEncryptionIndicator()
{
    m_imageSchluessel->hide();
    m_imageSchluesselDis->hide();
    const bool on = m_state.Bit != 0;
    (on ? m_imageSchluessel : m_imageSchluesselDis)->show();
    const char* entries[] = {"menuEncrypNo", "menuEncryp40", "menuEncryp128"};
    const QString hint = FindAction(QString::fromLatin1(entries[qMin<int>(m_state.Bit, 2)]))->text();
    m_imageSchluessel->setToolTip(hint);
    m_imageSchluesselDis->setToolTip(hint);
    m_menuSchutzCap->setEnabled(on);
    m_popupSchutzCap->setEnabled(on);
}

void TFormMainPDF::menuSchutzClick(QAction* entry)
{
    entry->setChecked(true);
    const int tag = entry->data().toInt();
    if (tag >= -1 && tag <= 3)
        m_state.Type = uint8_t(tag + 1);
}

void TFormMainPDF::CopyMenuState(const QAction* from, QAction* to)
{
    to->setText(from->text());
    to->setVisible(from->isVisible());
    to->setChecked(from->isChecked());
    to->setEnabled(from->isEnabled());
}

namespace {
const std::pair<const char*, const char*> kEncryptionPairs[] = {
    {"menuEncrypNo", "pMenuEncrypNo"},       {"menuEncryp40", "pMenuEncryp40"},
    {"menuEncryp128", "pMenuEncrypNo128"},   {"menuSchutzNo", "pMenuSchutzNo"},
    {"menuSchutzFull", "pMenuSchutzFull"},   {"menuSchutzUser1", "pMenuSchutzUser1"},
    {"menuSchutzUser2", "pMenuSchutzUser2"}, {"menuSchutzUser3", "pMenuSchutzUser3"},
};
}  // namespace

void TFormMainPDF::SyncEncryptionPopup()
{
    for (const auto& [main, popup] : kEncryptionPairs)
        CopyMenuState(FindAction(QString::fromLatin1(main)), FindAction(QString::fromLatin1(popup)));
    m_popupSchutzCap->setTitle(m_menuSchutzCap->title());
    m_popupSchutzCap->setEnabled(m_menuSchutzCap->isEnabled());
}

void TFormMainPDF::pMenuEncrypClick(QAction* entry)
{
    for (const auto& [main, popup] : kEncryptionPairs) {
        if (entry->objectName() == QLatin1String(popup)) {
            FindAction(QString::fromLatin1(main))->trigger();
            return;
        }
    }
}

void TFormMainPDF::menuConnectClick()
{
    m_state.CombineOutput = !m_state.CombineOutput;
    m_menuConnect->setChecked(m_state.CombineOutput);
    m_imageConnect->hide();
    m_imageConnectDis->hide();
    (m_state.CombineOutput ? m_imageConnect : m_imageConnectDis)->show();
}

void TFormMainPDF::ImageConnectClick() { m_menuConnect->trigger(); }

// ---- Output directory ----

void TFormMainPDF::SpeedButtonOutDirSelectClick()
{
    const QString chosen = ChooseFolder(m_state.OutputDir, LangString("Main", "DialogOutputDir", "Ausgabeverzeichnis auswählen"));
    if (chosen.isEmpty())
        return;
    // Conversions go to local folders only; a network location is refused.
    const bool network = chosen.startsWith(QLatin1String("//")) || chosen.startsWith(QLatin1String("\\\\"))
                         || chosen.contains(QLatin1String("://")) || !QDir::isAbsolutePath(chosen);
    if (network) {
        MessageDlg(QString(), LangString("Main", "NoNetwork", "Für die Konvertierung sind nur lokale Laufwerke zulässig."),
                   mtError, MsgButtons({mbOK}));
        return;
    }
    m_state.OutputDir = chosen;
    m_labelPathOutput->setText(chosen);
    m_labelPathOutput->setToolTip(chosen);
    AddOutputDirHistory(chosen);
}

void TFormMainPDF::menuEingabeverzeichnisClick()
{
    m_state.OutputDir.clear();
    const QString caption = WithoutFirstAmpersand(m_menuEingabeverzeichnis->text());
    m_labelPathOutput->setText(caption);
    m_labelPathOutput->setToolTip(caption);
    m_menuEingabeverzeichnis->setChecked(true);
}

void TFormMainPDF::OutputDirItemClick(QAction* entry)
{
    m_state.OutputDir = WithoutFirstAmpersand(entry->text());
    m_labelPathOutput->setText(m_state.OutputDir);
    m_labelPathOutput->setToolTip(m_state.OutputDir);
    AddOutputDirHistory(m_state.OutputDir);
}

void TFormMainPDF::AddOutputDirHistory(const QString& directory)
{
    QStringList& history = m_state.OutputDirHistory;
    history.prepend(directory);
    for (qsizetype i = history.size() - 1; i > 0; --i) {
        for (qsizetype j = 0; j < i; ++j) {
            if (history[j].compare(history[i], Qt::CaseInsensitive) == 0) {
                history.removeAt(i);
                break;
            }
        }
    }
    while (history.size() > 10)
        history.removeAt(10);
    BuildOutputDirMenu();
}

void TFormMainPDF::BuildOutputDirMenu()
{
    for (QAction* a : m_popupOutputDirs->actions()) {
        if (a != m_menuEingabeverzeichnis) {
            m_popupOutputDirs->removeAction(a);
            a->deleteLater();
        }
    }
    for (const QString& directory : std::as_const(m_state.OutputDirHistory)) {
        QAction* a = m_popupOutputDirs->addAction(directory);
        a->setCheckable(true);
        m_outputDirGroup->addAction(a);
        if (directory == m_state.OutputDir && !m_state.OutputDir.isEmpty())
            a->setChecked(true);
        connect(a, &QAction::triggered, this, [this, a] { OutputDirItemClick(a); });
    }
}

// ---- Status bar and printers ----

void TFormMainPDF::HTMLStatusBarContextPopup(const QPoint& position)
{
    QWidget* under = statusBar()->childAt(position);
    const QPoint global = statusBar()->mapToGlobal(position);
    if (under == m_printerPanel) {
        BuildPrinterMenu();
        m_popupPrinter->popup(global);
    } else if (under == m_imageSchluessel || under == m_imageSchluesselDis) {
        SyncEncryptionPopup();
        m_popupEncrypt->popup(global);
    }
}

void TFormMainPDF::BuildPrinterMenu()
{
    m_popupPrinter->clear();
    auto* group = new QActionGroup(m_popupPrinter);
    QStringList printers;
    GetPrinterlist(printers);
    for (const QString& name : std::as_const(printers)) {
        QAction* a = m_popupPrinter->addAction(name);
        a->setCheckable(true);
        a->setChecked(name == m_state.Printer);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, a] { PrinterItemClick(a); });
    }
}

void TFormMainPDF::PrinterItemClick(QAction* entry)
{
    if (entry->text() != m_state.Printer)
        m_state.PrinterIndex = -1;
    m_state.Printer = entry->text();
    ShowPrinter(false);
}

// ---- Dialogs, exit ----

void TFormMainPDF::menuEinstellungenClick()
{
    if (!ShowOptions(m_state, this))
        return;
    ShowPrinter(false);
    // The dialog may have renamed the user-defined sets and changed the key length.
    FindAction(QStringLiteral("menuSchutzUser1"))->setText(m_state.User1);
    FindAction(QStringLiteral("menuSchutzUser2"))->setText(m_state.User2);
    FindAction(QStringLiteral("menuSchutzUser3"))->setText(m_state.User3);
    const char* encryption[] = {"menuEncrypNo", "menuEncryp40", "menuEncryp128"};
    FindAction(QString::fromLatin1(encryption[qMin<int>(m_state.Bit, 2)]))->setChecked(true);
    UpdateEncryptionIndicator();
}

void TFormMainPDF::ButtonInfoClick() { ShowInfo(this, m_state.GhostscriptPool.get()); }

void TFormMainPDF::menuBeendenClick() { close(); }

void TFormMainPDF::OpenAddress(const QString& address) { ShellExecuteFile(address); }

void TFormMainPDF::ButtonStartClick()
{
    // The run keeps the window alive; a second click cannot start another
    // run because the start button is off while one goes on.
    if (!m_buttonStart->isEnabled())
        return;
    ::ButtonStartClick(m_state, *this);
}

void TFormMainPDF::ButtonCancelClick()
{
    ::ButtonCancelClick(m_state);
    m_buttonCancel->setEnabled(false);
}

// ---- Placement and destruction ----

void TFormMainPDF::LoadFormSettings()
{
    const TMyIniFile ini(SettingsFileName());
    QRect r = geometry();
    const int left = ini.ReadInteger(kFormMain, QStringLiteral("Left"), r.left());
    const int top = ini.ReadInteger(kFormMain, QStringLiteral("Top"), r.top());
    int right = ini.ReadInteger(kFormMain, QStringLiteral("Right"), r.left() + r.width());
    int bottom = ini.ReadInteger(kFormMain, QStringLiteral("Bottom"), r.top() + r.height());
    const bool maximized = ini.ReadBool(kFormMain, QStringLiteral("Maximized"), isMaximized());
    if (!ini.ValueExists(kFormMain, QStringLiteral("Left")))
        return;  // placed by the desktop
    QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    const QSize screen = platform::ScreenSize();
    if (screen.isValid()) {
        if (rect.right() + 1 > screen.width())
            rect.moveLeft(rect.left() - (rect.right() + 1 - screen.width()));
        if (rect.bottom() + 1 > screen.height())
            rect.moveTop(rect.top() - (rect.bottom() + 1 - screen.height()));
        if (maximized)
            rect = QRect(QPoint(0, 0), screen);
    }
    setGeometry(rect);
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormMainPDF::SaveFormSettings()
{
    try {
        TMyIniFile ini(SettingsFileName());
        const QRect r = isMaximized() ? normalGeometry() : geometry();
        ini.WriteInteger(kFormMain, QStringLiteral("Left"), r.left());
        ini.WriteInteger(kFormMain, QStringLiteral("Top"), r.top());
        ini.WriteInteger(kFormMain, QStringLiteral("Right"), r.left() + r.width());
        ini.WriteInteger(kFormMain, QStringLiteral("Bottom"), r.top() + r.height());
        ini.WriteBool(kFormMain, QStringLiteral("Maximized"), isMaximized());
        ini.UpdateFile();
    } catch (const std::exception&) {
        // The placement is a convenience; losing it is not worth a message.
    }
}

void TFormMainPDF::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    if (m_state.SaveAllowed && !SettingsFileName().isEmpty())
        SaveSettings(*this);
    m_state.OutputDirHistory.clear();
    m_state.SelectionOrder.clear();
    SaveFormSettings();
}

bool TFormMainPDF::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_imageConnect || watched == m_imageConnectDis) && event->type() == QEvent::MouseButtonRelease) {
        ImageConnectClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMainPDF::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The panes get their real widths only once the window is laid out.
    if (!m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, [this] { m_browser->SetLeftWindow(ClampLeftWindow(m_state.LeftWindow, BrowserAreaWidth())); });
    }
}

void TFormMainPDF::closeEvent(QCloseEvent* event)
{
    try {
        FormDestroy();
    } catch (const std::exception& e) {
        MessageDlg(QString(), QString::fromStdString(e.what()), mtError, MsgButtons({mbOK}));
    }
    event->accept();
}
