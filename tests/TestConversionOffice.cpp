#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "engine/ConversionRun.h"
#include "engine/WordAutomation.h"
#include "platform/PrinterSystem.h"
#include "platform/office/LibreOfficeApplication.h"
#include "support/PdfCheck.h"
#include "support/RecordingDialogHost.h"
#include "support/RunHarness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

// The conversion run with the real office, real Ghostscript and real
// documents. One office serves the whole executable: a document the user
// keeps open in it means no run quits it.
using namespace RunHarness;

namespace {

const QString kPageOne = QStringLiteral("Kalvinora fixture page one: the quick brown fox.");
const QString kPageTwo = QStringLiteral("Kalvinora fixture page two: jumps over the lazy dog.");

}  // namespace

class TestConversionOffice : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/office run XXXXXX")};
    std::shared_ptr<OfficeApplication> m_office;
    std::shared_ptr<OfficeDocument> m_keeper;
    qint64 m_pid = -1;
    std::unique_ptr<RecordingDialogHost> m_dialogs;
    std::unique_ptr<ScopedDialogHost> m_dialogScope;
    QString m_folder;

    // A copy of a fixture under a name of its own, in this test's folder.
    QString Copy(const QString& fixture, const QString& name)
    {
        const QString target = m_folder + '/' + name;
        QFile::copy(TestEnvironment::FixturePath(QStringLiteral("office/") + fixture), target);
        return target;
    }
    QString Path(const QString& name) const { return m_folder + '/' + name; }

    QString AllMessages() const
    {
        QStringList texts;
        for (const auto& m : m_dialogs->messages)
            texts << m.title + QStringLiteral(" | ") + m.message;
        return texts.join('\n');
    }

    bool EndsWithSuccess(int count) const
    {
        return !m_dialogs->messages.isEmpty() && m_dialogs->messages.last().type == mtInformation
               && m_dialogs->messages.last().message
                      == QStringLiteral("Es wurde(n) %1 Dokument(e) erfolgreich konvertiert.").arg(count);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(LibreOfficeApplication::Installed(), "LibreOffice is needed");
        SetOfficeApplicationFactory({});
        m_office = LibreOfficeApplication::Connect();
        m_pid = LibreOfficeApplication::RunningProcessId();
        QDir().mkpath(m_dir.filePath("keeper"));
        QFile::copy(TestEnvironment::FixturePath("office/fixture.rtf"), m_dir.filePath("keeper/kept open.rtf"));
        m_office->ChangeFileOpenDirectory(m_dir.filePath("keeper"));
        m_keeper = m_office->DocumentsOpen(QStringLiteral("kept open.rtf"));
        QVERIFY(m_keeper);
    }

    void init()
    {
        m_folder = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral(" files"));
        QDir().mkpath(m_folder);
        m_dialogScope.reset();
        m_dialogs = std::make_unique<RecordingDialogHost>();
        m_dialogScope = std::make_unique<ScopedDialogHost>(m_dialogs.get());
    }

    void cleanup()
    {
        m_dialogScope.reset();
        // Every run attached to the same office and left it running.
        QCOMPARE(LibreOfficeApplication::RunningProcessId(), m_pid);
    }

    void cleanupTestCase()
    {
        if (m_keeper)
            m_keeper->Close(false);
        m_keeper.reset();
        m_office.reset();
        LibreOfficeApplication::Shutdown();
    }

    void wordDocumentsBecomePdfsWithTextAndTitle()
    {
        const QStringList files{Copy("fixture.docx", "brief.docx"), Copy("fixture.doc", "bericht alt.doc"),
                                Copy("fixture.rtf", "notiz.rtf")};
        QMap<QString, Stamp> before;
        for (const QString& f : files)
            before.insert(f, StampOf(f));
        ProgramState s = StateFor(files);

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QVERIFY2(EndsWithSuccess(3), qPrintable(AllMessages()));
        for (const QString& f : files) {
            const QString base = QFileInfo(f).completeBaseName();
            const QString pdf = Path(base + ".pdf");
            QCOMPARE(PdfPages(pdf), 2);
            const QString text = PdfText(pdf);
            QVERIFY2(text.contains(kPageOne) && text.contains(kPageTwo), qPrintable(text));
            QVERIFY(text.indexOf(kPageOne) < text.indexOf(kPageTwo));
            QCOMPARE(PdfCheck::PdfInfoField(pdf, "Title"), base);
            QVERIFY2(StampOf(f) == before[f], qPrintable(f));
            QVERIFY(!QFileInfo::exists(Path(base + ".ps")));
        }
        // The user's own document is still open in the office.
        QCOMPARE(m_office->DocumentsCount(), 1);
    }

    void combinedOutputJoinsDocumentPictureAndPostScript()
    {
        const QString doc = Copy("fixture.docx", "letter.docx");
        const QString pic = Path("photo.png");
        WritePicture(pic, QSize(300, 200));
        const QString ps = Path("appendix.ps");
        WritePostScript(ps, {"Appendix"});
        const Stamp psBefore = StampOf(ps);
        // Listed in the folder's order; selected picture first, then the
        // PostScript file, then the document.
        ProgramState s = StateFor({ps, doc, pic});
        s.SelectionOrder = QStringList{pic, ps, doc};
        s.CombineOutput = true;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QVERIFY2(EndsWithSuccess(3), qPrintable(AllMessages()));
        const QString pdf = Path("photo.pdf");
        QCOMPARE(PdfPages(pdf), 4);
        QCOMPARE(PdfText(pdf, 1), QString());
        QCOMPARE(PdfImagesOnPage(pdf, 1), 1);
        QCOMPARE(PdfText(pdf, 2), QStringLiteral("Appendix"));
        QCOMPARE(PdfText(pdf, 3), kPageOne);
        QCOMPARE(PdfText(pdf, 4), kPageTwo);
        QVERIFY(StampOf(ps) == psBefore);
        QStringList left = QDir(m_folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left, QStringList({"appendix.ps", "letter.docx", "photo.pdf", "photo.png"}));
    }

    void cancelAfterTheFirstOfThreeDocuments()
    {
        const QStringList docs{Copy("fixture.docx", "one.docx"), Copy("fixture.rtf", "two.rtf"),
                               Copy("fixture.doc", "three.doc")};
        const QString pic = Path("pic.png");
        WritePicture(pic, QSize(40, 30));
        const QString ps = Path("print.ps");
        WritePostScript(ps, {"Print"});
        ProgramState s = StateFor(QStringList(docs) << pic << ps);
        TestRunWindow w;
        // Cancel is clicked while the first document prints; the run sees it
        // once that document is through.
        bool clicked = false;
        w.onStep = [&] {
            if (!clicked && QFileInfo(Path("one.ps")).size() > 0) {
                clicked = true;
                ButtonCancelClick(s);
            }
        };

        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY(clicked);
        QCOMPARE(r.SuccessCount, 3);
        QVERIFY2(EndsWithSuccess(3), qPrintable(AllMessages()));
        QVERIFY(QFileInfo::exists(Path("one.pdf")));
        QVERIFY(!QFileInfo::exists(Path("two.pdf")));
        QVERIFY(!QFileInfo::exists(Path("three.pdf")));
        QVERIFY(QFileInfo::exists(Path("pic.pdf")));
        QVERIFY(QFileInfo::exists(Path("print.pdf")));
        // Only the kept document is open; the printer is what it was.
        QCOMPARE(m_office->DocumentsCount(), 1);
        QCOMPARE(m_office->ActivePrinter(), PrinterSystem::Instance().DefaultPrinterName());
    }

    void documentThatCannotBeOpenedFailsAlone()
    {
        const QString broken = Path("broken.docx");
        WriteFile(broken, QByteArray("PK\x03\x04 this archive ends here", 27));
        const QString good = Copy("fixture.rtf", "good.rtf");
        const QString pic = Path("pic.png");
        WritePicture(pic, QSize(40, 30));
        const Stamp brokenBefore = StampOf(broken);
        ProgramState s = StateFor({broken, good, pic});

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.Failures.size(), 1);
        QVERIFY2(r.Failures[0].startsWith(broken + ": "), qPrintable(r.Failures[0]));
        QVERIFY(!r.SectionFailed);
        int errors = 0;
        for (const auto& m : m_dialogs->messages)
            errors += m.type == mtError ? 1 : 0;
        QCOMPARE(errors, 1);
        QVERIFY2(EndsWithSuccess(2), qPrintable(AllMessages()));
        QVERIFY(QFileInfo::exists(Path("good.pdf")));
        QVERIFY(QFileInfo::exists(Path("pic.pdf")));
        QVERIFY(!QFileInfo::exists(Path("broken.pdf")));
        QVERIFY(!QFileInfo::exists(Path("broken.ps")));
        QVERIFY(StampOf(broken) == brokenBefore);
        QCOMPARE(m_office->DocumentsCount(), 1);
    }
};

KALVINORA_TEST_MAIN(TestConversionOffice)
#include "TestConversionOffice.moc"
