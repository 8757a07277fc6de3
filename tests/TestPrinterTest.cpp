#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/Optionen.h"
#include "platform/PrinterSystem.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// Answers the program's questions and keeps every message it was shown.
class RecordingHost : public DialogHost {
public:
    int questionAnswer = mrYes;
    QList<MessageRequest> messages;

    int ShowMessage(const MessageRequest& request) override
    {
        messages.append(request);
        return request.type == mtConfirmation ? questionAnswer : mrOk;
    }
    bool InputPassword(const QString&, QString&, bool&) override { return false; }
    bool RepeatPassword(const QString&, QString&) override { return false; }
    QString SelectLanguageFile() override { return {}; }
};

// A printer whose driver writes what the test tells it into its port file,
// and lets the test look around while it prints.
class ScriptedPrinter : public PrinterDriver {
public:
    ScriptedPrinter(QString name, QByteArray output) : m_name(std::move(name)), m_output(std::move(output)) {}

    QString Name() const override { return m_name; }
    void SetPort(const QString& filePath) override { m_port = filePath; }
    QString Port() const override { return m_port; }
    void SetLandscape(bool landscape) override { m_landscape = landscape; }
    bool Landscape() const override { return m_landscape; }
    void BeginDoc(const QString&) override
    {
        ++beginCount;
        if (whilePrinting)
            whilePrinting();
        if (!failure.isEmpty())
            throw std::runtime_error(failure.toStdString());
        m_printing = true;
    }
    bool Printing() const override { return m_printing; }
    int DpiX() const override { return 300; }
    int DpiY() const override { return 300; }
    QSize PageSize() const override { return {2480, 3508}; }
    void DrawPicture(const QRect&, const PrintPicture& picture) override { drawnSize = picture.image.size(); }
    void EndDoc() override
    {
        if (!m_printing)
            throw std::runtime_error("no print job");
        m_printing = false;
        QFile out(m_port);
        if (!out.open(QIODevice::WriteOnly) || out.write(m_output) != m_output.size())
            throw std::runtime_error("cannot write the port file");
        if (!failureAtEnd.isEmpty())
            throw std::runtime_error(failureAtEnd.toStdString());
    }

    QString failure;
    QString failureAtEnd;
    std::function<void()> whilePrinting;
    int beginCount = 0;
    QSize drawnSize;

private:
    QString m_name;
    QByteArray m_output;
    QString m_port;
    bool m_landscape = false;
    bool m_printing = false;
};

QByteArray Lines(int count, const QByteArray& line)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += line + "\r\n";
    return out;
}

QString TestBmp() { return GetDataFolder() + QStringLiteral("test.bmp"); }
QString TestPs() { return GetDataFolder() + QStringLiteral("test.ps"); }

const char* const kReportStart = "Testgrafik erstellt\nDrucker \"%1\" erfolgreich eingestellt.\nTestgrafik gedruckt\n\n";
const char* const kSuccessLine =
    "Erzeugtes Dokument geprüft: Druckertreiber unterstützt\ndie Erstellung von Postscript-Dokumenten.";
const char* const kFailLine = "Erzeugtes Dokument geprüft: Druckertreiber erzeugt\nKEINE Postscript-Dokumente. Bitte "
                              "versuchen Sie\neinen anderen Druckertreiber, z.B. \"HP Color Laserjet 5/5M PS\".";

void ChoosePrinter(TFormOption& form, const QString& name)
{
    const int index = form.ComboBoxPrinter->findText(name);
    QVERIFY(index >= 0);
    form.ComboBoxPrinter->setFocus();
    QTest::keyClick(form.ComboBoxPrinter, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(form.ComboBoxPrinter, Qt::Key_Down);
    QCOMPARE(form.ComboBoxPrinter->currentText(), name);
}

}  // namespace

class TestPrinterTest : public QObject {
    Q_OBJECT

    RecordingHost m_host;
    std::unique_ptr<ScopedDialogHost> m_scope;

private slots:
    void init()
    {
        PrinterSystem::Instance().Reset();
        m_host = RecordingHost();
        m_scope = std::make_unique<ScopedDialogHost>(&m_host);
        QFile::remove(TestBmp());
        QFile::remove(TestPs());
    }

    void cleanup()
    {
        m_scope.reset();
        ActiveLanguageFile() = LanguageFile();
        PrinterSystem::Instance().Reset();
    }

    void builtInPrinterPasses()
    {
        ProgramState state;
        state.Printer = PrinterSystem::BuiltInPrinterName();
        TFormOption form(state);
        form.show();
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QCOMPARE(m_host.messages.size(), 2);
        QCOMPARE(m_host.messages[0].type, mtConfirmation);
        QCOMPARE(m_host.messages[0].buttons, MsgButtons({mbYes, mbNo}));
        QVERIFY(m_host.messages[0].message.startsWith(QStringLiteral("Dieser Vorgang testet")));

        const MessageRequest& result = m_host.messages[1];
        QCOMPARE(result.type, mtInformation);
        QCOMPARE(result.buttons, MsgButtons({mbOK}));
        QCOMPARE(result.title, QStringLiteral("Der Vorgang wurde erfolgreich abgeschlossen:"));
        QCOMPARE(result.message,
                 QString::fromUtf8(kReportStart).arg(PrinterSystem::BuiltInPrinterName()) + QString::fromUtf8(kSuccessLine));
        QVERIFY(!QFile::exists(TestBmp()));
        QVERIFY(!QFile::exists(TestPs()));
        QVERIFY(form.isVisible());
    }

    void signatureMustStandInTheFirstLines_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("passes");

        QTest::newRow("first line") << QByteArray("%!PS-Adobe-3.0\r\n%%Title: test\r\nshowpage\r\n") << true;
        QTest::newRow("after 100 job lines") << Lines(100, "@PJL SET RESOLUTION=600") + "%!PS-Adobe-3.0\r\n" << true;
        QTest::newRow("line 102") << Lines(101, "@PJL SET RESOLUTION=600") + "%!PS-Adobe-3.0\r\n" << false;
        QTest::newRow("lower case") << QByteArray("%!ps-adobe-3.0\r\nshowpage\r\n") << false;
        QTest::newRow("signature inside a line") << QByteArray(" %!PS-Adobe-3.0\r\n") << false;
        QTest::newRow("printer language") << QByteArray("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1b" "E") << false;
        QTest::newRow("nothing") << QByteArray() << false;
    }

    void signatureMustStandInTheFirstLines()
    {
        QFETCH(QByteArray, output);
        QFETCH(bool, passes);

        auto printer = std::make_shared<ScriptedPrinter>(QStringLiteral("Scripted"), output);
        PrinterSystem::Instance().AddPrinter(printer);
        ProgramState state;
        state.Printer = PrinterSystem::BuiltInPrinterName();
        TFormOption form(state);
        form.show();
        ChoosePrinter(form, QStringLiteral("Scripted"));
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QCOMPARE(printer->beginCount, 1);
        QCOMPARE(printer->Port(), TestPs());
        QCOMPARE(printer->drawnSize, QSize(1, 1));
        QCOMPARE(m_host.messages.size(), 2);
        const MessageRequest& result = m_host.messages[1];
        QCOMPARE(result.title, passes ? QStringLiteral("Der Vorgang wurde erfolgreich abgeschlossen:")
                                      : QStringLiteral("Der Vorgang schlug fehl. Bitte überprüfen Sie das Protokoll:"));
        QCOMPARE(result.message, QString::fromUtf8(kReportStart).arg(QStringLiteral("Scripted")) +
                                     QString::fromUtf8(passes ? kSuccessLine : kFailLine));
        QVERIFY(!QFile::exists(TestBmp()));
        QVERIFY(!QFile::exists(TestPs()));
        // The test changes no setting.
        QCOMPARE(state.Printer, PrinterSystem::BuiltInPrinterName());
    }

    void controlsAreDisabledWhilePrinting()
    {
        auto printer = std::make_shared<ScriptedPrinter>(QStringLiteral("Scripted"), "%!PS-Adobe-3.0\r\n");
        PrinterSystem::Instance().AddPrinter(printer);
        ProgramState state;
        state.PaperFormat = QStringLiteral("a4");
        TFormOption form(state);
        form.show();
        ChoosePrinter(form, QStringLiteral("Scripted"));
        QVERIFY(!form.EditPaperW->isEnabled());

        bool looked = false;
        printer->whilePrinting = [&] {
            looked = true;
            QVERIFY(QApplication::overrideCursor());
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QVERIFY(!form.ButtonOK->isEnabled());
            QVERIFY(!form.ButtonCancel->isEnabled());
            QVERIFY(!form.ButtonTest->isEnabled());
            QVERIFY(!form.ComboBoxPrinter->isEnabled());
            QVERIFY(QFile::exists(TestBmp()));
            // Neither a key nor the window's close button ends the dialog now.
            QTest::keyClick(&form, Qt::Key_Escape);
            form.close();
            QVERIFY(form.isVisible());
        };
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QVERIFY(looked);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(form.ButtonOK->isEnabled());
        QVERIFY(form.ButtonTest->isEnabled());
        QVERIFY(form.ComboBoxPrinter->isEnabled());
        // What was disabled before stays so.
        QVERIFY(!form.EditPaperW->isEnabled());
        QVERIFY(form.isVisible());
    }

    void failingPrinterReportsItsErrorAndCleansUp_data()
    {
        QTest::addColumn<bool>("atEnd");
        QTest::newRow("fails to start") << false;
        QTest::newRow("fails after writing") << true;
    }

    void failingPrinterReportsItsErrorAndCleansUp()
    {
        QFETCH(bool, atEnd);
        auto printer = std::make_shared<ScriptedPrinter>(QStringLiteral("Broken"), "%!PS-Adobe-3.0\r\n");
        (atEnd ? printer->failureAtEnd : printer->failure) = QStringLiteral("The port cannot be opened.");
        PrinterSystem::Instance().AddPrinter(printer);
        ProgramState state;
        TFormOption form(state);
        form.show();
        ChoosePrinter(form, QStringLiteral("Broken"));
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QCOMPARE(printer->beginCount, 1);
        QCOMPARE(m_host.messages.size(), 2);
        QCOMPARE(m_host.messages[1].type, mtError);
        QVERIFY(m_host.messages[1].message.contains(QStringLiteral("The port cannot be opened.")));
        QVERIFY(!QFile::exists(TestBmp()));
        QVERIFY(!QFile::exists(TestPs()));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(form.ButtonOK->isEnabled());
    }

    void answeringNoPrintsNothing()
    {
        auto printer = std::make_shared<ScriptedPrinter>(QStringLiteral("Scripted"), "%!PS-Adobe-3.0\r\n");
        PrinterSystem::Instance().AddPrinter(printer);
        m_host.questionAnswer = mrNo;
        ProgramState state;
        TFormOption form(state);
        form.show();
        ChoosePrinter(form, QStringLiteral("Scripted"));
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QCOMPARE(printer->beginCount, 0);
        QCOMPARE(m_host.messages.size(), 1);
        QVERIFY(!QFile::exists(TestBmp()));
    }

    void headingWithoutTrailingPlaceholderTakesTheReportInside()
    {
        ActiveLanguageFile().Parse(QStringLiteral("[Option]\r\nOutputSuccess=Fertig: %s Ende.\r\n\r\n"));
        ProgramState state;
        state.Printer = PrinterSystem::BuiltInPrinterName();
        TFormOption form(state);
        form.show();
        QTest::mouseClick(form.ButtonTest, Qt::LeftButton);

        QCOMPARE(m_host.messages.size(), 2);
        QCOMPARE(m_host.messages[1].title, QString());
        QCOMPARE(m_host.messages[1].message,
                 QStringLiteral("Fertig: \n\n") + QString::fromUtf8(kReportStart).arg(PrinterSystem::BuiltInPrinterName()) +
                     QString::fromUtf8(kSuccessLine) + QStringLiteral(" Ende."));
    }
};

KALVINORA_TEST_MAIN(TestPrinterTest)
#include "TestPrinterTest.moc"
