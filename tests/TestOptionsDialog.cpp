#include "support/ListedPrinter.h"
#include "support/TestEnvironment.h"

#include "app/TFormMainPDF.h"
#include "core/DialogHost.h"
#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/HtmlCheckBox.h"
#include "dialogs/InfoUnitTovel.h"
#include "dialogs/Optionen.h"
#include "dialogs/PasswordEdit.h"
#include "ghostscript/UGhostscript.h"
#include "platform/PrinterSystem.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

// A state in which every setting the dialog edits differs from its default,
// so that a value the dialog loses or mixes up shows.
ProgramState FullState()
{
    ProgramState s;
    s.AcroVer = 2;
    s.Grafikqu = 4;
    s.BmpColor = 1;
    s.JPEGRGB = false;
    s.JPEGQual = 33;
    s.DPIx = 150;
    s.DPIy = 151;
    s.TIFFQual = 204;
    s.TiffFormat = 6;
    s.TIFFExtension = true;
    s.PaperFormat.clear();
    s.PaperMeasure = 0;
    s.PaperW = 7.25;
    s.PaperH = 10.5;
    s.dtPrefix = QStringLiteral("pre ");
    s.dtSuffix = QStringLiteral(" suf");
    s.dtFixCaption = QStringLiteral("Fixed title");
    s.GrOrientation = 2;
    s.GrPicturePosX = 2;
    s.GrPicturePosY = 0;
    s.GrBorderLeft = 11;
    s.GrBorderTop = 12;
    s.GrBorderRight = 13;
    s.GrBorderBottom = 14;
    s.DelPS = false;
    s.RenamePS = true;
    s.PSDir = QDir::tempPath() + QStringLiteral("/");
    s.UsePSDir = true;
    s.Printer = PrinterSystem::BuiltInPrinterName();
    s.PrinterIndex = 0;
    s.User1 = QStringLiteral("Set one");
    s.User2 = QStringLiteral("Set two");
    s.User3 = QStringLiteral("Set three");
    s.OpenP = QStringLiteral("open1");
    s.ProtP = QStringLiteral("Owner2");
    s.Bit = 2;
    s.ProhibitionSet = {0, 15, 5, 10, 9};
    s.TitleMode = 2;
    return s;
}

// Every item the dialog edits, compared one by one so that a failure names it.
void CompareEdited(const ProgramState& a, const ProgramState& b)
{
    QCOMPARE(a.AcroVer, b.AcroVer);
    QCOMPARE(a.Grafikqu, b.Grafikqu);
    QCOMPARE(a.BmpColor, b.BmpColor);
    QCOMPARE(a.JPEGRGB, b.JPEGRGB);
    QCOMPARE(a.JPEGQual, b.JPEGQual);
    QCOMPARE(a.DPIx, b.DPIx);
    QCOMPARE(a.DPIy, b.DPIy);
    QCOMPARE(a.TIFFQual, b.TIFFQual);
    QCOMPARE(a.TiffFormat, b.TiffFormat);
    QCOMPARE(a.TIFFExtension, b.TIFFExtension);
    QCOMPARE(a.PaperFormat, b.PaperFormat);
    QCOMPARE(a.PaperMeasure, b.PaperMeasure);
    QCOMPARE(a.PaperW, b.PaperW);
    QCOMPARE(a.PaperH, b.PaperH);
    QCOMPARE(a.dtPrefix, b.dtPrefix);
    QCOMPARE(a.dtSuffix, b.dtSuffix);
    QCOMPARE(a.dtFixCaption, b.dtFixCaption);
    QCOMPARE(a.GrOrientation, b.GrOrientation);
    QCOMPARE(a.GrPicturePosX, b.GrPicturePosX);
    QCOMPARE(a.GrPicturePosY, b.GrPicturePosY);
    QCOMPARE(a.GrBorderLeft, b.GrBorderLeft);
    QCOMPARE(a.GrBorderTop, b.GrBorderTop);
    QCOMPARE(a.GrBorderRight, b.GrBorderRight);
    QCOMPARE(a.GrBorderBottom, b.GrBorderBottom);
    QCOMPARE(a.DelPS, b.DelPS);
    QCOMPARE(a.RenamePS, b.RenamePS);
    QCOMPARE(a.PSDir, b.PSDir);
    QCOMPARE(a.UsePSDir, b.UsePSDir);
    QCOMPARE(a.Printer, b.Printer);
    QCOMPARE(a.PrinterIndex, b.PrinterIndex);
    QCOMPARE(a.User1, b.User1);
    QCOMPARE(a.User2, b.User2);
    QCOMPARE(a.User3, b.User3);
    QCOMPARE(a.OpenP, b.OpenP);
    QCOMPARE(a.ProtP, b.ProtP);
    QCOMPARE(a.Bit, b.Bit);
    QCOMPARE(a.ProhibitionSet, b.ProhibitionSet);
    QCOMPARE(a.TitleMode, b.TitleMode);
    QCOMPARE(a.ChosenGhostscript, b.ChosenGhostscript);
}


// Answers the password confirmations from a script and records what was
// asked, in order.
class ScriptedHost : public DialogHost {
public:
    struct Answer {
        bool confirm;
        QString password;  // what the user left in the first entry; empty: unchanged
    };
    QList<Answer> answers;
    QStringList prompts;
    QStringList offered;
    QList<MessageRequest> messages;

    int ShowMessage(const MessageRequest& request) override
    {
        messages.append(request);
        return mrOk;
    }
    bool InputPassword(const QString&, QString&, bool&) override { return false; }
    bool RepeatPassword(const QString& description, QString& password) override
    {
        prompts << description;
        offered << password;
        const Answer a = answers.isEmpty() ? Answer{false, {}} : answers.takeFirst();
        if (a.confirm && !a.password.isEmpty())
            password = a.password;
        return a.confirm;
    }
    QString SelectLanguageFile() override { return {}; }
};

const char* const kRepeatProt = "Bitte wiederholen Sie das Passwort zum Abschalten vom Dokumentenschutz.";
const char* const kRepeatOpen = "Bitte wiederholen Sie das Passwort zum Öffnen vom PDF-Dokument.";

// Runs action on the next modal dialog of type T as soon as it is shown.
template <typename T>
void WhenModal(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

// Goes to folder in the file dialog, types name and presses Save, as a user
// does. The dialog lists a folder in the background and clears the name
// field when the listing arrives, so the name is typed after that. A dialog
// that cannot be confirmed is cancelled, so that the test fails instead of
// waiting for ever.
void SaveAs(QFileDialog* dialog, const QString& folder, const QString& name)
{
    auto* model = dialog->findChild<QFileSystemModel*>();
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QPushButton* save = buttons ? buttons->button(QDialogButtonBox::Save) : nullptr;
    if (!model || !edit || !save) {
        dialog->reject();
        QFAIL("not the file dialog expected");
    }
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    dialog->setDirectory(folder);
    loaded.wait(5000);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, name);
    if (!save->isEnabled()) {
        dialog->reject();
        QFAIL("the Save button stays disabled");
    }
    QTest::mouseClick(save, Qt::LeftButton);
}

void TypePassword(TFormOption& form, QLineEdit* edit, const QString& text)
{
    form.PageControl1->setCurrentWidget(form.TabSheetOutput);
    form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// Stand-ins for the desktop's xdg-open and xdg-mime: xdg-mime says every
// file has a program, xdg-open writes what it was asked to open into
// "xdg-open.args" beside it.
QString FakeDesktop()
{
    const QString bin = TestEnvironment::Home() + QStringLiteral("/fakebin");
    if (QFile::exists(bin + "/xdg-open"))
        return bin;
    QDir().mkpath(bin);
    const QList<QPair<QString, QByteArray>> scripts = {
        {QStringLiteral("xdg-open"), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.tmp\"\nmv \"$0.args.tmp\" \"$0.args\"\n"},
        {QStringLiteral("xdg-mime"), "#!/bin/sh\nif [ \"$2\" = filetype ]; then echo text/plain; else echo editor.desktop; fi\n"},
    };
    for (const auto& [name, text] : scripts) {
        QFile f(bin + "/" + name);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        f.close();
        QFile::setPermissions(f.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qputenv("PATH", (bin + ":" + qEnvironmentVariable("PATH")).toLocal8Bit());
    return bin;
}

QString OpenedByDesktop()
{
    QFile f(FakeDesktop() + QStringLiteral("/xdg-open.args"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

void ClickOK(TFormOption& form) { QTest::mouseClick(form.ButtonOK, Qt::LeftButton); }

// Selects an entry of a combo box the way a user does with the keyboard:
// to the top, then down to it.
void TypeIntoCombo(QComboBox* combo, const QString& text)
{
    const int target = combo->findText(text, Qt::MatchStartsWith);
    QVERIFY2(target >= 0, qPrintable(text));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < target; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentIndex(), target);
}

// Types text key by key, also characters beyond ASCII.
void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        const auto key = Qt::Key(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

// Replaces the text of a spin box by typing, in the program's number format.
void TypeIntoSpin(QAbstractSpinBox* spin, const QString& text)
{
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, text);
    QTest::keyClick(spin, Qt::Key_Tab);
}

QString Number(double value, int decimals) { return QLocale().toString(value, 'f', decimals); }

}  // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        PrinterSystem::Instance().Reset();
        SetProtocolEnabled(true);
    }

    void confirmingWithoutChangesKeepsEverySetting_data()
    {
        QTest::addColumn<QString>("psDir");
        QTest::addColumn<QString>("expectedPSDir");
        QTest::addColumn<QString>("paperFormat");

        const QString temp = QDir::tempPath();
        QTest::newRow("folder with delimiter") << temp + "/" << temp + "/" << QString();
        QTest::newRow("folder gains the delimiter") << temp << temp + "/" << QString();
        QTest::newRow("empty folder becomes the delimiter") << QString() << QStringLiteral("/") << QString();
        QTest::newRow("named paper") << temp + "/" << temp + "/" << QStringLiteral("a4");
        QTest::newRow("last named paper") << temp + "/" << temp + "/" << QStringLiteral("halfletter");
    }

    void confirmingWithoutChangesKeepsEverySetting()
    {
        QFETCH(QString, psDir);
        QFETCH(QString, expectedPSDir);
        QFETCH(QString, paperFormat);

        ProgramState state = FullState();
        state.GhostscriptPool = std::make_shared<TGhostscriptPool>();
        if (state.GhostscriptPool->Count() > 0)
            state.ChosenGhostscript = state.GhostscriptPool->Item(state.GhostscriptPool->Count() - 1);
        state.PSDir = psDir;
        state.UsePSDir = !psDir.isEmpty();
        state.PaperFormat = paperFormat;
        SetProtocolEnabled(false);
        ProgramState expected = state;
        expected.PSDir = expectedPSDir;

        TFormOption form(state);
        form.show();
        ClickOK(form);

        QCOMPARE(form.result(), int(QDialog::Accepted));
        CompareEdited(state, expected);
        QCOMPARE(ProtocolEnabled(), false);
    }

    void storedPrinterThatIsGoneIsReplacedByThePreselectedOne()
    {
        PrinterSystem::Instance().AddPrinter(std::make_shared<ListedPrinter>(QStringLiteral("Office Laser")));
        ProgramState state = FullState();
        state.Printer = QStringLiteral("Removed Printer");
        state.PrinterIndex = 4;

        TFormOption form(state);
        QCOMPARE(form.ComboBoxPrinter->currentText(), PrinterSystem::BuiltInPrinterName());
        ClickOK(form);

        QCOMPARE(state.Printer, PrinterSystem::BuiltInPrinterName());
        QCOMPARE(state.PrinterIndex, -1);
    }

    void storedPrinterIsFoundWhateverItsCase()
    {
        PrinterSystem::Instance().AddPrinter(std::make_shared<ListedPrinter>(QStringLiteral("Office Laser")));
        ProgramState state = FullState();
        state.Printer = QStringLiteral("office laser");

        TFormOption form(state);
        QCOMPARE(form.ComboBoxPrinter->currentText(), QStringLiteral("Office Laser"));
    }

    void choosingAnotherPrinterAsksForALookUp()
    {
        PrinterSystem::Instance().AddPrinter(std::make_shared<ListedPrinter>(QStringLiteral("Office Laser")));
        ProgramState state = FullState();
        state.PrinterIndex = 0;

        TFormOption form(state);
        TypeIntoCombo(form.ComboBoxPrinter, QStringLiteral("Office Laser"));
        QCOMPARE(form.ComboBoxPrinter->currentText(), QStringLiteral("Office Laser"));
        ClickOK(form);

        QCOMPARE(state.Printer, QStringLiteral("Office Laser"));
        QCOMPARE(state.PrinterIndex, -1);
    }

    void cancelAndEscapeLeaveEverySetting_data()
    {
        QTest::addColumn<bool>("useEscape");
        QTest::newRow("cancel button") << false;
        QTest::newRow("escape key") << true;
    }

    void cancelAndEscapeLeaveEverySetting()
    {
        QFETCH(bool, useEscape);
        ProgramState state = FullState();
        const ProgramState before = state;

        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::mouseClick(form.CheckBox40Bit, Qt::LeftButton);
        form.EditTitleFix->setFocus();
        QTest::keyClicks(form.EditTitleFix, QStringLiteral("changed"));
        QTest::mouseClick(form.PosLB, Qt::LeftButton);
        TypeIntoCombo(form.ComboBoxPaper, QStringLiteral("a3"));
        if (useEscape)
            QTest::keyClick(form.EditTitleFix, Qt::Key_Escape);
        else
            QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);

        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(!form.isVisible());
        CompareEdited(state, before);
    }

    void enterConfirmsFromAnyControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("title edit") << QStringLiteral("EditTitleFix");
        QTest::newRow("printer test button") << QStringLiteral("ButtonTest");
        QTest::newRow("resolution spin box") << QStringLiteral("SpinDPIx");
        QTest::newRow("password edit") << QStringLiteral("EditOpenPassword");
    }

    void enterConfirmsFromAnyControl()
    {
        QFETCH(QString, control);
        ProgramState state = FullState();

        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::mouseClick(form.PosLB, Qt::LeftButton);
        auto* widget = form.findChild<QWidget*>(control);
        QVERIFY(widget);
        // Bring the control's page to the front so that it can take the focus.
        for (QWidget* w = widget; w; w = w->parentWidget()) {
            if (auto* pages = qobject_cast<QTabWidget*>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
                pages->setCurrentWidget(w);
        }
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);

        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(state.GrPicturePosX, uint8_t(0));
        QCOMPARE(state.GrPicturePosY, uint8_t(2));
    }

    void typedNumberCountsWhenEnterConfirms()
    {
        ProgramState state = FullState();
        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetGraphics);
        form.SpinDPIy->setFocus();
        QTest::keyClick(form.SpinDPIy, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(form.SpinDPIy, QStringLiteral("300"));
        QTest::keyClick(form.SpinDPIy, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(state.DPIy, uint16_t(300));
    }

    void showOptionsAnswersWhetherConfirmed()
    {
        ProgramState state = FullState();
        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
            QVERIFY(form);
            QTest::mouseClick(form->PosCC, Qt::LeftButton);
            QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
        });
        QVERIFY(ShowOptions(state, nullptr));
        QCOMPARE(state.GrPicturePosX, uint8_t(1));
        QCOMPARE(state.GrPicturePosY, uint8_t(1));

        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<TFormOption*>(QApplication::activeModalWidget());
            QVERIFY(form);
            QTest::mouseClick(form->PosLT, Qt::LeftButton);
            QTest::mouseClick(form->ButtonCancel, Qt::LeftButton);
        });
        QVERIFY(!ShowOptions(state, nullptr));
        QCOMPARE(state.GrPicturePosX, uint8_t(1));
    }

    void namedPaperFillsTheSizeInTheChosenUnit()
    {
        ProgramState state = FullState();
        state.PaperMeasure = 1;

        TFormOption form(state);
        form.show();
        TypeIntoCombo(form.ComboBoxPaper, QStringLiteral("a4"));
        QCOMPARE(form.ComboBoxPaper->currentText(), QStringLiteral("a4"));
        QCOMPARE(form.EditPaperW->value(), 21.0);
        QCOMPARE(form.EditPaperH->value(), 29.7);
        QCOMPARE(form.EditPaperW->text(), Number(21.0, 1));
        QVERIFY(!form.EditPaperW->isEnabled());
        QVERIFY(form.ComboBoxMeasure->isEnabled());

        TypeIntoCombo(form.ComboBoxMeasure, QStringLiteral("Punkte"));
        QCOMPARE(form.ComboBoxMeasure->currentIndex(), 2);
        QCOMPARE(form.EditPaperW->value(), 595.0);
        QCOMPARE(form.EditPaperH->value(), 842.0);

        TypeIntoCombo(form.ComboBoxMeasure, QStringLiteral("Inches"));
        QCOMPARE(form.EditPaperW->value(), 8.3);
        QCOMPARE(form.EditPaperH->value(), 11.7);

        ClickOK(form);
        QCOMPARE(state.PaperFormat, QStringLiteral("a4"));
        QCOMPARE(state.PaperMeasure, uint8_t(0));
        // A named paper leaves the custom size as it was.
        QCOMPARE(state.PaperW, 7.25);
        QCOMPARE(state.PaperH, 10.5);
    }

    void everyNamedPaperFitsItsEdits()
    {
        ProgramState state = FullState();
        TFormOption form(state);
        for (int unit = 0; unit < 3; ++unit) {
            form.ComboBoxMeasure->setCurrentIndex(unit);
            for (int item = 2; item < form.ComboBoxPaper->count(); ++item) {
                form.ComboBoxPaper->setCurrentIndex(item);
                QVERIFY2(form.EditPaperW->value() > 0 && form.EditPaperH->value() > 0,
                         qPrintable(form.ComboBoxPaper->currentText()));
            }
        }
        form.ComboBoxPaper->setCurrentIndex(form.ComboBoxPaper->findText(QStringLiteral("isob0")));
        QCOMPARE(form.EditPaperH->value(), 4008.0);
    }

    void customSizeIsKeptButNotConvertedOnUnitChange()
    {
        ProgramState state = FullState();
        state.PaperMeasure = 1;
        state.PaperW = 0;
        state.PaperH = 0;

        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        TypeIntoCombo(form.ComboBoxPaper, QStringLiteral("a4"));
        TypeIntoCombo(form.ComboBoxPaper, QStringLiteral("benutzerdef."));
        QCOMPARE(form.ComboBoxPaper->currentIndex(), 0);
        QVERIFY(form.EditPaperW->isEnabled());
        QVERIFY(form.EditPaperH->isEnabled());
        QCOMPARE(form.EditPaperW->value(), 21.0);
        QCOMPARE(form.EditPaperH->value(), 29.7);

        TypeIntoCombo(form.ComboBoxMeasure, QStringLiteral("Inches"));
        QCOMPARE(form.EditPaperW->value(), 21.0);
        QCOMPARE(form.EditPaperH->value(), 29.7);

        TypeIntoSpin(form.EditPaperW, Number(20.25, 2));
        QCOMPARE(form.EditPaperW->value(), 20.25);
        QCOMPARE(form.EditPaperW->text(), Number(20.25, 1));

        ClickOK(form);
        QCOMPARE(state.PaperFormat, QString());
        QCOMPARE(state.PaperW, 20.25);
        QCOMPARE(state.PaperH, 29.7);
        QCOMPARE(state.PaperMeasure, uint8_t(0));
    }

    void ghostscriptPaperStoresNoSize()
    {
        ProgramState state = FullState();
        state.PaperFormat = QStringLiteral("letter");

        TFormOption form(state);
        form.show();
        QCOMPARE(form.ComboBoxPaper->currentText(), QStringLiteral("letter"));
        TypeIntoCombo(form.ComboBoxPaper, QStringLiteral("Ghostscript"));
        QCOMPARE(form.ComboBoxPaper->currentIndex(), 1);
        QVERIFY(!form.ComboBoxMeasure->isEnabled());
        QVERIFY(!form.EditPaperW->isEnabled());
        QVERIFY(!form.EditPaperH->isEnabled());

        ClickOK(form);
        QCOMPARE(state.PaperFormat, QString());
        QCOMPARE(state.PaperW, 0.0);
        QCOMPARE(state.PaperH, 0.0);
    }

    void storedPaperChoosesTheEntry_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("expectedIndex");
        QTest::addColumn<QString>("expectedFormat");

        QTest::newRow("custom size") << QString() << 5.0 << 0.0 << 0 << QString();
        QTest::newRow("no size") << QString() << 0.0 << 0.0 << 1 << QString();
        QTest::newRow("name in other case") << QStringLiteral("LEGAL") << 0.0 << 0.0 << 4 << QStringLiteral("legal");
        QTest::newRow("unknown name") << QStringLiteral("b5") << 3.0 << 4.0 << -1 << QStringLiteral("b5");
    }

    void storedPaperChoosesTheEntry()
    {
        QFETCH(QString, format);
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, expectedIndex);
        QFETCH(QString, expectedFormat);

        ProgramState state = FullState();
        state.PaperFormat = format;
        state.PaperW = width;
        state.PaperH = height;

        TFormOption form(state);
        QCOMPARE(form.ComboBoxPaper->currentIndex(), expectedIndex);
        ClickOK(form);
        // No entry: OK keeps the paper as it was.
        QCOMPARE(state.PaperFormat, expectedFormat);
        QCOMPARE(state.PaperW, width);
        QCOMPARE(state.PaperH, height);
    }

    void keyLengthsExcludeEachOther()
    {
        ProgramState state = FullState();
        state.Bit = 0;

        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
        QVERIFY(!form.CheckBox40Bit->isChecked());
        QVERIFY(!form.CheckBox128Bit->isChecked());

        QTest::mouseClick(form.CheckBox40Bit, Qt::LeftButton);
        QVERIFY(form.CheckBox40Bit->isChecked());
        // The caption is part of the box: a click on its text toggles it.
        QTest::mouseClick(form.CheckBox128Bit, Qt::LeftButton, {}, QPoint(form.CheckBox128Bit->width() - 3, 5));
        QVERIFY(form.CheckBox128Bit->isChecked());
        QVERIFY(!form.CheckBox40Bit->isChecked());
        ClickOK(form);
        QCOMPARE(state.Bit, uint8_t(2));

        TFormOption again(state);
        again.show();
        QVERIFY(again.CheckBox128Bit->isChecked());
        QTest::mouseClick(again.CheckBox128Bit, Qt::LeftButton);
        QVERIFY(!again.CheckBox40Bit->isChecked());
        QVERIFY(!again.CheckBox128Bit->isChecked());
        ClickOK(again);
        QCOMPARE(state.Bit, uint8_t(0));
    }

    void keyLengthCaptionsAreRichText()
    {
        ProgramState state;
        TFormOption form(state);
        QCOMPARE(form.CheckBox40Bit->HtmlCaption(),
                 QStringLiteral("<html><b>40 Bit</b><br>(ab Acrobat 4, kein GS 8.14)</html>"));
        QCOMPARE(form.CheckBox128Bit->HtmlCaption(), QStringLiteral("<html><b>128 Bit</b> (ab Acrobat 5)</html>"));
        QCOMPARE(form.CheckBox40Bit->toolTip(), form.CheckBox40Bit->HtmlCaption());
        QCOMPARE(form.CheckBox128Bit->PlainCaption(), QStringLiteral("128 Bit (ab Acrobat 5)"));
        // Two lines of caption make the box taller than one.
        QVERIFY(form.CheckBox40Bit->sizeHint().height() > form.CheckBox128Bit->sizeHint().height());
    }

    void passwordEditsTakeOnlyLettersAndDigits_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");

        for (const char* edit : {"EditOpenPassword", "EditProtPassword"}) {
            const QString name = QString::fromLatin1(edit);
            QTest::addRow("%s blank", edit) << name << QStringLiteral(" ") << QString();
            QTest::addRow("%s umlaut", edit) << name << QStringLiteral("ä") << QString();
            QTest::addRow("%s sharp s", edit) << name << QStringLiteral("ß") << QString();
            QTest::addRow("%s hyphen", edit) << name << QStringLiteral("-") << QString();
            QTest::addRow("%s mixed", edit) << name << QStringLiteral("a b-C_9") << QStringLiteral("abC9");
            QTest::addRow("%s letters and digits", edit) << name << QStringLiteral("Zz09Aa") << QStringLiteral("Zz09Aa");
        }
    }

    void passwordEditsTakeOnlyLettersAndDigits()
    {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(QString, expected);

        ProgramState state;
        TFormOption form(state);
        form.show();
        auto* field = form.findChild<PasswordEdit*>(edit);
        QVERIFY(field);
        QSignalSpy refused(field, &PasswordEdit::InputRefused);
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
        field->setFocus();
        TypeText(field, typed);

        QCOMPARE(field->text(), expected);
        QCOMPARE(refused.count(), int(typed.size() - expected.size()));
        QCOMPARE(field->displayText(), QString(expected.size(), QLatin1Char('*')));
    }

    void pastedPasswordIsFilteredToo_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("expected");
        QTest::newRow("letters and digits") << QStringLiteral("abc123") << QStringLiteral("abc123");
        QTest::newRow("with a blank") << QStringLiteral("abc 123") << QString();
        QTest::newRow("with an umlaut") << QStringLiteral("Größe") << QString();
    }

    void pastedPasswordIsFilteredToo()
    {
        QFETCH(QString, clipboard);
        QFETCH(QString, expected);

        ProgramState state;
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
        QApplication::clipboard()->setText(clipboard);
        QSignalSpy refused(form.EditOpenPassword, &PasswordEdit::InputRefused);
        form.EditOpenPassword->setFocus();
        form.EditOpenPassword->paste();

        QCOMPARE(form.EditOpenPassword->text(), expected);
        QCOMPARE(refused.count(), expected.isEmpty() ? 1 : 0);
    }

    void storedPasswordWithOtherCharactersCanBeCleared()
    {
        ProgramState state;
        state.OpenP = QStringLiteral("ab c");
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
        form.EditOpenPassword->setFocus();
        form.EditOpenPassword->end(false);
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(form.EditOpenPassword, Qt::Key_Backspace);
        QCOMPARE(form.EditOpenPassword->text(), QString());
    }

    void tiffResolutionIsRoundedHalfToEven_data()
    {
        QTest::addColumn<double>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("299.5") << 299.5 << 300;
        QTest::newRow("300.5") << 300.5 << 300;
        QTest::newRow("300.4") << 300.4 << 300;
        QTest::newRow("300.6") << 300.6 << 301;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("599.5") << 599.5 << 600;
    }

    void tiffResolutionIsRoundedHalfToEven()
    {
        QFETCH(double, typed);
        QFETCH(int, stored);

        ProgramState state;
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetTIFF);
        TypeIntoSpin(form.SpinTIFFRes, Number(typed, 1));
        QCOMPARE(form.SpinTIFFRes->value(), typed);
        ClickOK(form);
        QCOMPARE(int(state.TIFFQual), stored);
    }

    void positionButtonsFollowTheStoredPosition_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("button");
        QTest::newRow("top right") << 2 << 0 << QStringLiteral("PosRT");
        QTest::newRow("bottom left") << 0 << 2 << QStringLiteral("PosLB");
        QTest::newRow("centre") << 1 << 1 << QStringLiteral("PosCC");
        QTest::newRow("centre right") << 2 << 1 << QStringLiteral("PosRC");
    }

    void positionButtonsFollowTheStoredPosition()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, button);

        ProgramState state;
        state.GrPicturePosX = uint8_t(x);
        state.GrPicturePosY = uint8_t(y);
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetInput);
        auto* pressed = form.findChild<QToolButton*>(button);
        QVERIFY(pressed);
        QVERIFY(pressed->isChecked());
        const QList<QAbstractButton*> all = form.PositionButtons->buttons();
        QCOMPARE(std::count_if(all.begin(), all.end(), [](QAbstractButton* b) { return b->isChecked(); }), 1);
        // The button stands in the grid where the user expects that position.
        auto* centre = form.PosCC;
        QCOMPARE(pressed->geometry().center().x() > centre->geometry().center().x(), x == 2);
        QCOMPARE(pressed->geometry().center().y() > centre->geometry().center().y(), y == 2);
    }

    void clickedPositionIsStored()
    {
        ProgramState state;
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetInput);
        QTest::mouseClick(form.PosRB, Qt::LeftButton);
        QTest::mouseClick(form.PosLC, Qt::LeftButton);
        QVERIFY(!form.PosRB->isChecked());
        ClickOK(form);
        QCOMPARE(state.GrPicturePosX, uint8_t(0));
        QCOMPARE(state.GrPicturePosY, uint8_t(1));
    }

    void folderEditShowsOnlyWhileTheBoxIsChecked()
    {
        ProgramState state;
        state.PSDir = QString();
        state.UsePSDir = true;
        TFormOption form(state);
        form.show();
        // No folder: the box starts unchecked whatever was stored.
        QVERIFY(!form.CheckBoxPSDir->isChecked());
        QVERIFY(!form.EditPSDir->isVisible());

        QTest::mouseClick(form.CheckBoxPSDir, Qt::LeftButton);
        QVERIFY(form.EditPSDir->isVisible());
        form.EditPSDir->setFocus();
        QTest::keyClicks(form.EditPSDir, QDir::tempPath());
        ClickOK(form);
        QVERIFY(state.UsePSDir);
        QCOMPARE(state.PSDir, QDir::tempPath() + "/");
    }

    void titleEditsChooseTheirMode()
    {
        ProgramState state;
        state.TitleMode = 0;
        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetPDF);
        QVERIFY(form.RadioNoTitleChange->isChecked());

        QTest::mouseClick(form.EditTitleSuffix, Qt::LeftButton);
        QVERIFY(form.RadioTitleFileName->isChecked());
        QTest::keyClicks(form.EditTitleSuffix, QStringLiteral("-final"));

        QTest::mouseClick(form.RadioNoTitleChange, Qt::LeftButton);
        QTest::mouseClick(form.RadioTitleFix, Qt::LeftButton);
        QVERIFY(form.EditTitleFix->hasFocus());
        QTest::keyClicks(form.EditTitleFix, QStringLiteral("Report"));
        ClickOK(form);

        QCOMPARE(state.TitleMode, uint8_t(2));
        QCOMPARE(state.dtSuffix, QStringLiteral("-final"));
        QCOMPARE(state.dtFixCaption, QStringLiteral("Report"));
    }

    void prohibitionRowsAreTheUserSets()
    {
        ProgramState state;
        state.ProhibitionSet = {0, 15, 0, 0, 0};
        TFormOption form(state);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetEncryption);
        // Row 1 denies printing and copying, row 3 annotations.
        QTest::mouseClick(form.CheckBoxPermission[0][0], Qt::LeftButton);
        QTest::mouseClick(form.CheckBoxPermission[0][2], Qt::LeftButton);
        QTest::mouseClick(form.CheckBoxPermission[2][3], Qt::LeftButton);
        form.EditSetName[1]->setFocus();
        form.EditSetName[1]->selectAll();
        QTest::keyClicks(form.EditSetName[1], QStringLiteral("Read only"));
        ClickOK(form);

        QCOMPARE(state.ProhibitionSet, (std::array<uint8_t, 5>{0, 15, 5, 0, 8}));
        QCOMPARE(state.User2, QStringLiteral("Read only"));
    }

    void storedProhibitionsShowInTheirRows()
    {
        ProgramState state;
        state.ProhibitionSet = {0, 15, 1, 6, 8};
        TFormOption form(state);
        const bool expected[3][4] = {{true, false, false, false}, {false, true, true, false}, {false, false, false, true}};
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 4; ++col)
                QCOMPARE(form.CheckBoxPermission[row][col]->isChecked(), expected[row][col]);
        }
    }

    void qualityLabelFollowsTheTrackBar()
    {
        ProgramState state;
        TFormOption form(state);
        form.show();
        QCOMPARE(form.LabelJPEGQual->text(), QStringLiteral("75 %"));
        form.PageControl1->setCurrentWidget(form.TabSheetOutput);
        form.PageControl2->setCurrentWidget(form.TabSheetGraphics);
        form.TrackBarJPEGQual->setFocus();
        QTest::keyClick(form.TrackBarJPEGQual, Qt::Key_PageUp);
        QCOMPARE(form.LabelJPEGQual->text(), QStringLiteral("85 %"));
        QTest::keyClick(form.TrackBarJPEGQual, Qt::Key_End);
        QCOMPARE(form.LabelJPEGQual->text(), QStringLiteral("100 %"));
        ClickOK(form);
        QCOMPARE(state.JPEGQual, uint8_t(100));
    }

    void noGhostscriptShowsItAndKeepsTheChoiceEmpty()
    {
        ProgramState state;
        TFormOption form(state);
        QCOMPARE(form.ComboBoxGhostscript->count(), 1);
        QCOMPARE(form.ComboBoxGhostscript->currentText(), QStringLiteral("Ghostscript not found"));
        ClickOK(form);
        QCOMPARE(state.ChosenGhostscript, nullptr);
    }

    void ghostscriptComboListsTheInstallations()
    {
        ProgramState state;
        state.GhostscriptPool = std::make_shared<TGhostscriptPool>();
        if (state.GhostscriptPool->Count() == 0)
            QSKIP("no Ghostscript installed");
        const TGhostscriptPool& pool = *state.GhostscriptPool;
        state.ChosenGhostscript = nullptr;

        TFormOption form(state);
        QCOMPARE(form.ComboBoxGhostscript->count(), pool.Count());
        QCOMPARE(form.ComboBoxGhostscript->itemText(0), pool.Item(0)->DisplayName());
        // No installation chosen yet: nothing is selected, and OK keeps it so.
        QCOMPARE(form.ComboBoxGhostscript->currentIndex(), -1);
        ClickOK(form);
        QCOMPARE(state.ChosenGhostscript, nullptr);

        TFormOption again(state);
        again.show();
        again.ComboBoxGhostscript->setFocus();
        QTest::keyClick(again.ComboBoxGhostscript, Qt::Key_Home);
        ClickOK(again);
        QCOMPARE(state.ChosenGhostscript, pool.Item(0));
    }

    void logSwitchIsTheProcessWideOne()
    {
        SetProtocolEnabled(true);
        ProgramState state;
        TFormOption form(state);
        form.show();
        QVERIFY(form.CheckBoxCreateProt->isChecked());
        QTest::mouseClick(form.CheckBoxCreateProt, Qt::LeftButton);
        QVERIFY(ProtocolEnabled());
        ClickOK(form);
        QVERIFY(!ProtocolEnabled());
    }

    void cancelledOwnerConfirmationKeepsTheDialogOpen()
    {
        ScriptedHost host;
        host.answers = {{false, {}}};
        const ScopedDialogHost scope(&host);
        ProgramState state = FullState();
        const ProgramState before = state;

        TFormOption form(state);
        form.show();
        QTest::mouseClick(form.PosCC, Qt::LeftButton);
        TypePassword(form, form.EditProtPassword, QStringLiteral("NewOwner7"));
        ClickOK(form);

        QCOMPARE(host.prompts, QStringList{QString::fromUtf8(kRepeatProt)});
        QCOMPARE(host.offered, QStringList{QStringLiteral("NewOwner7")});
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        // Nothing else was taken over either.
        CompareEdited(state, before);
        QCOMPARE(form.EditProtPassword->text(), QStringLiteral("NewOwner7"));
    }

    void confirmedOwnerPasswordStaysWhenTheOpenOneIsNot()
    {
        ScriptedHost host;
        host.answers = {{true, {}}, {false, {}}};
        const ScopedDialogHost scope(&host);
        ProgramState state = FullState();

        TFormOption form(state);
        form.show();
        TypePassword(form, form.EditProtPassword, QStringLiteral("NewOwner7"));
        TypePassword(form, form.EditOpenPassword, QStringLiteral("NewOpen8"));
        ClickOK(form);

        QCOMPARE(host.prompts, (QStringList{QString::fromUtf8(kRepeatProt), QString::fromUtf8(kRepeatOpen)}));
        QVERIFY(form.isVisible());
        QCOMPARE(state.ProtP, QStringLiteral("NewOwner7"));
        QCOMPARE(state.OpenP, QStringLiteral("open1"));

        QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
        QCOMPARE(state.ProtP, QStringLiteral("NewOwner7"));
        QCOMPARE(state.OpenP, QStringLiteral("open1"));
    }

    void passwordsNeedConfirmationOnlyWhenChanged_data()
    {
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QStringList>("prompts");

        const QString prot = QString::fromUtf8(kRepeatProt);
        const QString open = QString::fromUtf8(kRepeatOpen);
        QTest::newRow("both unchanged") << QStringLiteral("Owner2") << QStringLiteral("open1") << QStringList();
        QTest::newRow("both changed") << QStringLiteral("Owner3") << QStringLiteral("open2") << QStringList{prot, open};
        QTest::newRow("open changed") << QStringLiteral("Owner2") << QStringLiteral("open2") << QStringList{open};
        QTest::newRow("both emptied") << QString() << QString() << QStringList();
        QTest::newRow("case differs") << QStringLiteral("OWNER2") << QStringLiteral("open1") << QStringList{prot};
    }

    void passwordsNeedConfirmationOnlyWhenChanged()
    {
        QFETCH(QString, owner);
        QFETCH(QString, open);
        QFETCH(QStringList, prompts);

        ScriptedHost host;
        host.answers = {{true, {}}, {true, {}}};
        const ScopedDialogHost scope(&host);
        ProgramState state = FullState();

        TFormOption form(state);
        form.show();
        TypePassword(form, form.EditProtPassword, owner);
        TypePassword(form, form.EditOpenPassword, open);
        ClickOK(form);

        QCOMPARE(host.prompts, prompts);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(state.ProtP, owner);
        QCOMPARE(state.OpenP, open);
    }

    void theConfirmedPasswordIsTheOneStored()
    {
        // The confirmation's first entry can still be edited; what the user
        // confirmed there is what counts.
        ScriptedHost host;
        host.answers = {{true, QStringLiteral("Typed2x")}};
        const ScopedDialogHost scope(&host);
        ProgramState state = FullState();

        TFormOption form(state);
        form.show();
        TypePassword(form, form.EditProtPassword, QStringLiteral("Typed1x"));
        ClickOK(form);

        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(state.ProtP, QStringLiteral("Typed2x"));
    }

    void supportArchiveIsSavedWhereTheUserSays_data()
    {
        QTest::addColumn<QString>("typedName");
        QTest::addColumn<QString>("savedName");
        QTest::newRow("default extension added") << QStringLiteral("report") << QStringLiteral("report.cab");
        QTest::newRow("with extension") << QStringLiteral("my support.cab") << QStringLiteral("my support.cab");
    }

    void supportArchiveIsSavedWhereTheUserSays()
    {
        QFETCH(QString, typedName);
        QFETCH(QString, savedName);
        QTemporaryDir dir;
        ProgramState state;
        SetProtocolEnabled(true);
        WriteProtocol(QStringLiteral("a line for the archive"));

        ScriptedHost host;
        const ScopedDialogHost scope(&host);
        TFormOption form(state);
        form.show();
        QVERIFY(form.ButtonSupportInfo->isEnabled());
        QString filter;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            filter = dialog->selectedNameFilter();
            SaveAs(dialog, dir.path(), typedName);
        });
        QTest::mouseClick(form.ButtonSupportInfo, Qt::LeftButton);

        QCOMPARE(filter, QStringLiteral("Support Infos (*.cab)"));
        QVERIFY2(host.messages.isEmpty(), qPrintable(host.messages.value(0).message));
        const QString saved = dir.filePath(savedName);
        QVERIFY2(QFile::exists(saved), qPrintable(QDir(dir.path()).entryList(QDir::Files).join('|')));
        QProcess cab;
        cab.start(QStringLiteral("cabextract"), {QStringLiteral("-l"), saved});
        QVERIFY(cab.waitForFinished(30000));
        const QByteArray listing = cab.readAllStandardOutput();
        QVERIFY2(cab.exitStatus() == QProcess::NormalExit && cab.exitCode() == 0, listing.constData());
        QVERIFY(listing.contains("system.txt"));
        QVERIFY(listing.contains("protokoll.txt"));
        QCOMPARE(form.result(), 0);
        QVERIFY(form.isVisible());
    }

    void supportArchiveAsksBeforeReplacing_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("replace") << true;
        QTest::newRow("keep") << false;
    }

    void supportArchiveAsksBeforeReplacing()
    {
        QFETCH(bool, replace);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("old.cab"));
        {
            QFile old(target);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an older archive");
        }
        ScriptedHost host;
        const ScopedDialogHost scope(&host);
        ProgramState state;
        TFormOption form(state);
        form.show();
        bool asked = false;
        WhenModal<QFileDialog>([&](QFileDialog* dialog) {
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                asked = true;
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            SaveAs(dialog, dir.path(), QStringLiteral("old.cab"));
            // Not replacing leaves the user in the file dialog; he cancels it.
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseClick(form.ButtonSupportInfo, Qt::LeftButton);

        QVERIFY(asked);
        QVERIFY2(host.messages.isEmpty(), qPrintable(host.messages.value(0).message));
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QCOMPARE(content == "an older archive", !replace);
        if (replace)
            QVERIFY(content.startsWith("MSCF"));
    }

    void logButtonOpensTheLogFile()
    {
        QFile::remove(FakeDesktop() + QStringLiteral("/xdg-open.args"));
        SetProtocolEnabled(true);
        WriteProtocol(QStringLiteral("something to read"));
        ProgramState state;
        TFormOption form(state);
        form.show();
        QCOMPARE(form.ButtonProtocol->toolTip(), QStringLiteral("protokoll.txt"));
        QTest::mouseClick(form.ButtonProtocol, Qt::LeftButton);
        QTRY_COMPARE(OpenedByDesktop(), QUrl::fromLocalFile(GetDataFolder() + "protokoll.txt").toString());
        QVERIFY(form.isVisible());
    }

    void linkLabelOpensTheHomepage()
    {
        QFile::remove(FakeDesktop() + QStringLiteral("/xdg-open.args"));
        ProgramState state;
        TFormOption form(state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.LinkLabel, Qt::LeftButton, {}, form.LinkLabel->rect().center());
        QTRY_COMPARE(OpenedByDesktop(), TFormOption::HomepageUrl());
    }

    void mainWindowTakesTheConfirmedSettings()
    {
        SettingsFileName() = GetDataFolder() + QStringLiteral("settings.ini");
        QFile::remove(SettingsFileName());
        TFormMainPDF window;
        QCOMPARE(window.State().Bit, uint8_t(0));
        bool shown = false;
        WhenModal<TFormOption>([&](TFormOption* form) {
            shown = true;
            QCOMPARE(form->parentWidget(), &window);
            form->PageControl1->setCurrentWidget(form->TabSheetOutput);
            form->PageControl2->setCurrentWidget(form->TabSheetEncryption);
            QTest::mouseClick(form->CheckBox40Bit, Qt::LeftButton);
            form->EditSetName[1]->setFocus();
            form->EditSetName[1]->selectAll();
            QTest::keyClicks(form->EditSetName[1], QStringLiteral("Read only"));
            QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
        });
        window.findChild<QAction*>(QStringLiteral("menuEinstellungen"))->trigger();

        QVERIFY(shown);
        QCOMPARE(window.State().Bit, uint8_t(1));
        QVERIFY(window.findChild<QAction*>(QStringLiteral("menuEncryp40"))->isChecked());
        QCOMPARE(window.findChild<QAction*>(QStringLiteral("menuSchutzUser2"))->text(), QStringLiteral("Read only"));
    }

    void mainWindowOpensTheInfoDialog()
    {
        SettingsFileName() = GetDataFolder() + QStringLiteral("settings.ini");
        TFormMainPDF window;
        bool shown = false;
        WhenModal<TFormInfo>([&](TFormInfo* form) {
            shown = true;
            QCOMPARE(form->parentWidget(), &window);
            QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
        });
        window.findChild<QAction*>(QStringLiteral("menuInfo"))->trigger();
        QVERIFY(shown);
    }

    void pagesOpenAtTheFirstOne()
    {
        ProgramState state;
        TFormOption form(state);
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheetSettings);
        QCOMPARE(form.PageControl2->currentWidget(), form.TabSheetPDF);
        QCOMPARE(form.PageControl1->tabText(2), QStringLiteral("Ausgabe"));
        QCOMPARE(form.PageControl2->tabText(1), QStringLiteral("PDF-Verschlüsselung"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Einstellungen"));
    }
};

KALVINORA_TEST_MAIN(TestOptionsDialog)
#include "TestOptionsDialog.moc"
