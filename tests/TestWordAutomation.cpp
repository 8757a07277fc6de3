#include "support/ScriptedOfficeApplication.h"
#include "support/TestEnvironment.h"

#include "core/ProgramState.h"
#include "core/Protocol.h"
#include "core/UniCodeException.h"
#include "engine/WordAutomation.h"
#include "engine/WorkPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString kPrinter = QStringLiteral("Kalvinora PostScript");

// The messages of the log, without their time stamps.
QStringList LogMessages()
{
    QFile file(ProtocolFileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList messages;
    for (const QByteArray& line : file.readAll().split('\n')) {
        QString text = QString::fromUtf8(line);
        if (text.endsWith('\r'))
            text.chop(1);
        const qsizetype sep = text.indexOf(QLatin1String(" - "));
        if (sep >= 0)
            messages << text.mid(sep + 3);
    }
    return messages;
}

QString NoDocPrintText(const QString& message)
{
    return QStringLiteral("Der Zugriff auf die COM-Schnittstelle vom Winword-Dokument schlug fehl (%1). Starten Sie "
                          "Windows neu und versuchen Sie es erneut. Sollte dieser Fehler erneut auftreten, versuchen Sie "
                          "einen anderen Druckertreiber oder verkleinern Sie das Dokument.")
        .arg(message);
}

QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

}  // namespace

class TestWordAutomation : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedOfficeApplication> m_app;
    ProgramState m_state;
    int m_steps = 0;

    std::unique_ptr<WordAutomation> Automation()
    {
        return std::make_unique<WordAutomation>(m_state, [this] { ++m_steps; }, m_app->Connector());
    }

    QString MakeDocument(const QString& relative)
    {
        const QString path = m_dir->filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("{\\rtf1 text}");
        return path;
    }

    QString ExpectNoDocPrint(WordAutomation& word, const QString& path)
    {
        try {
            word.ConvertWordDocument(path);
        } catch (const UniCodeException& e) {
            return e.Message();
        }
        return QStringLiteral("(no failure)");
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_app = std::make_shared<ScriptedOfficeApplication>();
        m_state = ProgramState();
        m_state.Printer = kPrinter;
        m_state.PSDir = m_dir->filePath(QStringLiteral("psdir"));
        QDir().mkpath(m_state.PSDir);
        m_steps = 0;
        QFile::remove(ProtocolFileName());
        SetProtocolEnabled(true);
    }

    void cleanup()
    {
        SetProtocolEnabled(false);
        ReleaseShortPaths();
    }

    void startWordSwitchesThePrinterAndFinishPutsItBack()
    {
        auto word = Automation();
        word->StartWord();
        QCOMPARE(m_app->calls, (QStringList{QStringLiteral("ActivePrinter"), QStringLiteral("ActivePrinter=") + kPrinter,
                                            QStringLiteral("ActivePrinter")}));
        QCOMPARE(word->SavedPrinter(), QStringLiteral("HP LaserJet 4"));
        QCOMPARE(m_app->activePrinter, kPrinter);
        QCOMPARE(m_steps, 2);
        QCOMPARE(LogMessages(), (QStringList{QStringLiteral("WordApp verbunden"),
                                             QStringLiteral("Printer >Kalvinora PostScript< gesetzt")}));

        m_app->calls.clear();
        word->FinishWord();
        QCOMPARE(m_app->calls, (QStringList{QStringLiteral("ActivePrinter=HP LaserJet 4"), QStringLiteral("Documents.Count"),
                                            QStringLiteral("Quit")}));
        QCOMPARE(m_app->activePrinter, QStringLiteral("HP LaserJet 4"));
        QCOMPARE(m_steps, 3);
        QCOMPARE(LogMessages().mid(2), (QStringList{QStringLiteral("vor Printer ruecksetzen"),
                                                    QStringLiteral("nach Printer ruecksetzen")}));
    }

    void connectIsRetriedOnceAtOnce_data()
    {
        QTest::addColumn<QStringList>("failures");
        QTest::addColumn<QString>("error");
        QTest::newRow("second attempt connects") << QStringList{QStringLiteral("Server busy")} << QString();
        QTest::newRow("both attempts fail")
            << QStringList{QStringLiteral("first reason"), QStringLiteral("Class not registered")}
            << QStringLiteral("Der Zugriff auf die COM-Schnittstelle von Winword wurde verweigert (Class not registered). "
                              "Dieser Fehler lässt sich im Allgemeinen durch die Neuinstallation oder "
                              "Reperaturinstallation von Winword beheben.");
    }

    void connectIsRetriedOnceAtOnce()
    {
        QFETCH(QStringList, failures);
        QFETCH(QString, error);
        // With the scripted failures used up, a third attempt would succeed:
        // there must be none.
        m_app->connectFailures = failures;

        auto word = Automation();
        QString raised;
        try {
            word->StartWord();
        } catch (const UniCodeException& e) {
            raised = e.Message();
        }
        QCOMPARE(raised, error);
        QCOMPARE(m_app->connectAttempts, 2);
        if (error.isEmpty()) {
            QCOMPARE(m_app->activePrinter, kPrinter);
        } else {
            // Nothing in the application was touched.
            QVERIFY(m_app->calls.isEmpty());
            QCOMPARE(m_steps, 0);
            QVERIFY(!LogMessages().contains(QStringLiteral("WordApp verbunden")));
        }
    }

    void unknownPrinterGivesNoSetPrinter_data()
    {
        QTest::addColumn<QString>("printer");
        QTest::newRow("plain name") << QStringLiteral("Office Jet 9");
        QTest::newRow("name holding a placeholder") << QStringLiteral("Lab %s printer");
        QTest::newRow("empty name") << QString();
    }

    void unknownPrinterGivesNoSetPrinter()
    {
        QFETCH(QString, printer);
        m_state.Printer = printer;
        auto word = Automation();
        QString raised;
        try {
            word->StartWord();
        } catch (const UniCodeException& e) {
            raised = e.Message();
        }
        QCOMPARE(raised, QStringLiteral("Der gewählte Drucker \"%1\" konnte nicht eingestellt werden (There is a printer error.).")
                             .arg(printer));
        QCOMPARE(m_app->activePrinter, QStringLiteral("HP LaserJet 4"));
        QCOMPARE(m_steps, 1);
        QVERIFY(!m_app->calls.contains(QStringLiteral("Quit")));
    }

    void documentIsOpenedPrintedAndClosed()
    {
        const QString path = MakeDocument(QStringLiteral("docs/report.doc"));
        const QString dir = m_dir->filePath(QStringLiteral("docs"));
        auto word = Automation();
        word->StartWord();
        m_app->calls.clear();
        QFile::remove(ProtocolFileName());

        word->ConvertWordDocument(path);

        const QString ps = dir + QStringLiteral("/report.ps");
        QCOMPARE(m_app->calls,
                 (QStringList{QStringLiteral("Documents.Count"), QStringLiteral("ChangeFileOpenDirectory(%1)").arg(dir),
                              QStringLiteral("Documents.Open(report.doc)"), QStringLiteral("Options.PrintReverse"),
                              QStringLiteral("Options.PrintReverse=false"),
                              path + QStringLiteral(" > Subdocuments.Expanded=true"),
                              path + QStringLiteral(" > PrintOut(false,%1,0,1,0,true)").arg(ps),
                              QStringLiteral("Options.PrintReverse=false"), path + QStringLiteral(" > Close(false)")}));
        QCOMPARE(word->PSInput(), ps);
        QCOMPARE(word->OutputPath(), ps);
        QVERIFY(m_app->OpenDocuments().isEmpty());
        QCOMPARE(m_steps, 3);

        QFile out(ps);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.readAll().startsWith("%!PS-Adobe-3.0\n%%Title: report.doc\n"));

        QCOMPARE(LogMessages(),
                 (QStringList{QStringLiteral("Dokument: ") + path, QStringLiteral("Dokument verbunden"),
                              QStringLiteral("CheckPSPath1: ") + ps, QStringLiteral("CheckPSPath UsePsDir False"),
                              QStringLiteral("CheckPSPath2: ") + ps, QStringLiteral("CheckOutPath1: ") + ps,
                              QStringLiteral("CheckOutPath2: ") + ps, QStringLiteral("Dokument2: ") + ps,
                              QStringLiteral("Print Revers ausgelesen"), QStringLiteral("Print Revers gesetzt"),
                              QStringLiteral("SubDoc OK"), QStringLiteral("Vor Dok gedruckt"), QStringLiteral("Dok. gedruckt"),
                              QStringLiteral("Print Rev. rueckgesetzt"), QStringLiteral("Dok CLose"),
                              QStringLiteral("Dok. geschlossen")}));

        m_app->calls.clear();
        word->FinishWord();
        QVERIFY(m_app->calls.contains(QStringLiteral("Quit")));
        QVERIFY(!m_app->calls.contains(QStringLiteral("Visible=true")));
    }

    void workFileNameIsCleanedButNotTheOutputName()
    {
        const QString path = MakeDocument(QStringLiteral("Re=port\u20AC,1.doc"));
        auto word = Automation();
        word->StartWord();
        word->ConvertWordDocument(path);
        QCOMPARE(word->PSInput(), m_dir->filePath(QStringLiteral("Report1.ps")));
        QCOMPARE(word->OutputPath(), m_dir->filePath(QStringLiteral("Re=port\u20AC,1.ps")));
        QVERIFY(QFileInfo(word->PSInput()).size() > 0);
    }

    void workFileGoesToPSDirAndOutputToOutputDir()
    {
        const QString path = MakeDocument(QStringLiteral("docs/report.docx"));
        m_state.UsePSDir = true;
        m_state.OutputDir = m_dir->filePath(QStringLiteral("out"));
        QDir().mkpath(m_state.OutputDir);
        auto word = Automation();
        word->StartWord();
        word->ConvertWordDocument(path);
        QCOMPARE(word->PSInput(), m_state.PSDir + QStringLiteral("/report.ps"));
        QCOMPARE(word->OutputPath(), m_state.OutputDir + QStringLiteral("/report.ps"));
        QVERIFY(LogMessages().contains(QStringLiteral("CheckOutPath3: ") + m_state.OutputDir));
    }

    void foldersWithBlanksAreReachedWithoutBlanks()
    {
        const QString path = MakeDocument(QStringLiteral("my docs/annual report.doc"));
        m_state.OutputDir = m_dir->filePath(QStringLiteral("out dir"));
        QDir().mkpath(m_state.OutputDir);
        auto word = Automation();
        word->StartWord();
        word->ConvertWordDocument(path);

        // The application is pointed at the folder through a name without
        // blanks; the name of the document itself is handed over as it is.
        const QString openDir = m_app->openDirectory;
        QVERIFY2(!openDir.contains(' '), qPrintable(openDir));
        QCOMPARE(Canonical(openDir), Canonical(m_dir->filePath(QStringLiteral("my docs"))));
        QVERIFY(m_app->calls.contains(QStringLiteral("Documents.Open(annual report.doc)")));

        QVERIFY2(!word->PSInput().contains(' '), qPrintable(word->PSInput()));
        const QString workFile = m_dir->filePath(QStringLiteral("my docs/annual report.ps"));
        QCOMPARE(Canonical(word->PSInput()), Canonical(workFile));
        QFile out(workFile);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.readAll().startsWith("%!PS"));

        const QFileInfo output(word->OutputPath());
        QVERIFY2(!output.path().contains(' '), qPrintable(word->OutputPath()));
        QCOMPARE(output.fileName(), QStringLiteral("annual report.ps"));
        QCOMPARE(Canonical(output.path()), Canonical(m_state.OutputDir));
    }

    void alreadyOpenDocumentIsPrintedAsItStandsAndLeftOpen()
    {
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        m_app->AddOpenDocument(m_dir->filePath(QStringLiteral("other.doc")));
        m_app->AddOpenDocument(path, true);
        auto word = Automation();
        word->StartWord();
        m_app->calls.clear();

        word->ConvertWordDocument(path);
        QCOMPARE(m_app->calls.mid(0, 5),
                 (QStringList{QStringLiteral("Documents.Count"), QStringLiteral("Documents.Item(1)"),
                              QStringLiteral("Documents.Item(2)"), QStringLiteral("Options.PrintReverse"),
                              QStringLiteral("Options.PrintReverse=false")}));
        for (const QString& call : std::as_const(m_app->calls)) {
            QVERIFY2(!call.startsWith(QLatin1String("Documents.Open")) && !call.startsWith(QLatin1String("ChangeFileOpenDirectory")) &&
                         !call.contains(QLatin1String("Close(")),
                     qPrintable(call));
        }
        QCOMPARE(m_app->OpenDocuments().size(), 2);
        QFile out(word->PSInput());
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.readAll().contains("%%Title: report.doc (edited)"));
        QVERIFY(LogMessages().contains(QStringLiteral("Dok CLose")));

        m_app->calls.clear();
        word->FinishWord();
        QCOMPARE(m_app->calls.mid(1), (QStringList{QStringLiteral("Documents.Count"), QStringLiteral("Visible=true")}));
        QVERIFY(!m_app->quit);
        QVERIFY(m_app->visible);
    }

    void pathDifferingInCaseIsNotTheOpenDocument()
    {
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        const QString other = m_dir->filePath(QStringLiteral("Report.doc"));
        m_app->AddOpenDocument(other);
        auto word = Automation();
        word->StartWord();
        word->ConvertWordDocument(path);
        QVERIFY(m_app->calls.contains(QStringLiteral("Documents.Open(report.doc)")));
        QVERIFY(m_app->calls.contains(path + QStringLiteral(" > Close(false)")));
        QCOMPARE(m_app->OpenDocuments(), QStringList{other});
        word->FinishWord();
        QVERIFY(m_app->visible);
        QVERIFY(!m_app->quit);
    }

    void printReverseIsOffWhilePrinting_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("on before") << true;
        QTest::newRow("off before") << false;
    }

    void printReverseIsOffWhilePrinting()
    {
        QFETCH(bool, before);
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        m_app->printReverse = before;
        auto word = Automation();
        word->StartWord();
        word->ConvertWordDocument(path);
        word->ConvertWordDocument(path);
        QCOMPARE(m_app->printReverseAtPrint, (QList<bool>{false, false}));
        QCOMPARE(m_app->printReverse, before);
    }

    void failureWhilePrintingLeavesTheDocumentOpen()
    {
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        m_app->printReverse = true;
        m_app->printFailures.insert(path, QStringLiteral("The printer is out of paper"));
        auto word = Automation();
        word->StartWord();
        const int steps = m_steps;
        QFile::remove(ProtocolFileName());

        QCOMPARE(ExpectNoDocPrint(*word, path), NoDocPrintText(QStringLiteral("The printer is out of paper")));
        QCOMPARE(m_app->OpenDocuments(), QStringList{path});
        QVERIFY(!m_app->calls.contains(path + QStringLiteral(" > Close(false)")));
        QCOMPARE(m_steps, steps);
        // The user's option is not left switched off by the failure.
        QCOMPARE(m_app->printReverse, true);
        const QStringList log = LogMessages();
        const qsizetype exc = log.indexOf(QStringLiteral("Exc:The printer is out of paper"));
        QVERIFY(exc > 0);
        QCOMPARE(log.mid(exc, 3), (QStringList{QStringLiteral("Exc:The printer is out of paper"),
                                               QStringLiteral("Exc Disconnect"), QStringLiteral("Exc Doc Free")}));
        QVERIFY(!log.contains(QStringLiteral("Dok. gedruckt")));
    }

    void failuresAroundTheDocumentBecomeNoDocPrint_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("staysOpen");
        QTest::newRow("open refused") << QStringLiteral("Documents.Open") << QStringLiteral("Word cannot open the file") << false;
        QTest::newRow("looking for open documents") << QStringLiteral("Documents.Count") << QStringLiteral("Call was rejected by callee") << false;
        QTest::newRow("subdocuments") << QStringLiteral("Subdocuments.Expanded=") << QStringLiteral("Not a master document") << true;
        QTest::newRow("closing") << QStringLiteral("Close") << QStringLiteral("Document is locked") << true;
    }

    void failuresAroundTheDocumentBecomeNoDocPrint()
    {
        QFETCH(QString, operation);
        QFETCH(QString, message);
        QFETCH(bool, staysOpen);
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        m_app->printReverse = true;
        auto word = Automation();
        word->StartWord();
        m_app->failures.insert(operation, message);
        QCOMPARE(ExpectNoDocPrint(*word, path), NoDocPrintText(message));
        QCOMPARE(m_app->OpenDocuments().contains(path), staysOpen);
        QCOMPARE(m_app->printReverse, true);
        QVERIFY(LogMessages().contains(QStringLiteral("Exc:") + message));
    }

    void missingDocumentBecomesNoDocPrint()
    {
        const QString path = m_dir->filePath(QStringLiteral("gone.doc"));
        auto word = Automation();
        word->StartWord();
        const QString raised = ExpectNoDocPrint(*word, path);
        QCOMPARE(raised, NoDocPrintText(QStringLiteral("This file could not be found. (%1)").arg(path)));
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("gone.ps"))));
    }

    void workFileThatCannotBeMadeBecomesNoDocPrint()
    {
        const QString path = MakeDocument(QStringLiteral("report.doc"));
        // A folder below a regular file can be made by nobody.
        const QString blocker = MakeDocument(QStringLiteral("blocker"));
        m_state.UsePSDir = true;
        m_state.PSDir = blocker + QStringLiteral("/sub");
        auto word = Automation();
        word->StartWord();
        const QString raised = ExpectNoDocPrint(*word, path);
        QVERIFY2(raised.startsWith(QStringLiteral("Der Zugriff auf die COM-Schnittstelle vom Winword-Dokument schlug fehl (")),
                 qPrintable(raised));
        QVERIFY2(raised.contains(m_state.PSDir + QStringLiteral("/report.ps")), qPrintable(raised));
        // Opened by the program and not printed: it stays open.
        QCOMPARE(m_app->OpenDocuments(), QStringList{path});
        for (const QString& call : std::as_const(m_app->calls))
            QVERIFY2(!call.contains(QLatin1String("PrintOut")), qPrintable(call));
    }

    void finishWordFailuresPassThroughUnchanged_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("documentOpen");
        QTest::newRow("restoring the printer") << QStringLiteral("ActivePrinter=") << false;
        QTest::newRow("quitting") << QStringLiteral("Quit") << false;
        QTest::newRow("showing") << QStringLiteral("Visible=") << true;
    }

    void finishWordFailuresPassThroughUnchanged()
    {
        QFETCH(QString, operation);
        QFETCH(bool, documentOpen);
        if (documentOpen)
            m_app->AddOpenDocument(m_dir->filePath(QStringLiteral("open.doc")));
        auto word = Automation();
        word->StartWord();
        m_app->failures.insert(operation, QStringLiteral("The RPC server is unavailable."));
        bool unicode = false;
        QString raised;
        try {
            word->FinishWord();
        } catch (const UniCodeException& e) {
            unicode = true;
            raised = e.Message();
        } catch (const std::exception& e) {
            raised = QString::fromStdString(e.what());
        }
        QVERIFY(!unicode);
        QCOMPARE(raised, QStringLiteral("The RPC server is unavailable."));
    }

    void releaseWordLeavesTheApplicationRunning()
    {
        auto word = Automation();
        word->StartWord();
        word->ReleaseWord();
        word->ReleaseWord();
        word.reset();
        QVERIFY(!m_app->quit);
        QVERIFY(!m_app->calls.contains(QStringLiteral("Quit")));
        QCOMPARE(m_app->activePrinter, kPrinter);
    }

    void replacedFactoryIsUsedWithoutAConnector()
    {
        struct Restore {
            OfficeConnector previous;
            ~Restore() { SetOfficeApplicationFactory(previous); }
        } restore{SetOfficeApplicationFactory(m_app->Connector())};
        WordAutomation word(m_state);
        word.StartWord();
        QCOMPARE(m_app->connectAttempts, 1);
        QCOMPARE(m_app->activePrinter, kPrinter);
    }
};

KALVINORA_TEST_MAIN(TestWordAutomation)
#include "TestWordAutomation.moc"
