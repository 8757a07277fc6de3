#include "support/TestEnvironment.h"

#include "core/ProgramState.h"
#include "engine/WordAutomation.h"
#include "engine/WorkPaths.h"
#include "platform/PrinterSystem.h"
#include "platform/SystemPaths.h"
#include "platform/office/LibreOfficeApplication.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

// The document application on a real LibreOffice. The office is started
// once for the whole executable and every test works with that instance.
namespace {

QString Run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(120000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What a reader finds in the PostScript file: Ghostscript makes a PDF of it
// and pdftotext reads that.
QString TextOfPostScript(const QString& ps)
{
    const QString pdf = ps + QStringLiteral(".check.pdf");
    int code = -1;
    Run(QStringLiteral("gs"), {QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                               QStringLiteral("-q"), QStringLiteral("-sDEVICE=pdfwrite"),
                               QStringLiteral("-sOutputFile=") + pdf, ps},
        &code);
    if (code != 0)
        return QStringLiteral("(Ghostscript failed with %1)").arg(code);
    const QString text = Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QFile::remove(pdf);
    return text.simplified();
}

// The first page as Ghostscript draws it.
QImage Render(const QString& ps)
{
    const QString png = ps + QStringLiteral(".check.png");
    int code = -1;
    Run(QStringLiteral("gs"), {QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                               QStringLiteral("-q"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r50"),
                               QStringLiteral("-dFirstPage=1"), QStringLiteral("-dLastPage=1"),
                               QStringLiteral("-sOutputFile=") + png, ps},
        &code);
    QImage image(png);
    QFile::remove(png);
    return code == 0 ? image : QImage();
}

// The header comments of a PostScript file, up to "%%EndComments".
QStringList HeaderLines(const QString& ps)
{
    QFile f(ps);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        lines << line;
        if (line.startsWith(QLatin1String("%%EndComments")) || lines.size() > 100)
            break;
    }
    return lines;
}

QByteArray Hash(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool ProcessRuns(qint64 pid) { return pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)); }

QString ProcessProgram(qint64 pid) { return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget(); }

const QString kPageOne = QStringLiteral("Kalvinora fixture page one: the quick brown fox.");
const QString kPageTwo = QStringLiteral("Kalvinora fixture page two: jumps over the lazy dog.");

}  // namespace

class TestLibreOffice : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::shared_ptr<OfficeApplication> m_app;
    qint64 m_pid = -1;

    QString Copy(const QString& fixture, const QString& folder = QString())
    {
        const QString dir = folder.isEmpty() ? m_dir.path() : m_dir.filePath(folder);
        QDir().mkpath(dir);
        const QString target = dir + '/' + fixture;
        QFile::remove(target);
        QFile::copy(TestEnvironment::FixturePath(QStringLiteral("office/") + fixture), target);
        return target;
    }

    // Opens, prints and closes one document; returns the PostScript file.
    QString Print(const QString& path)
    {
        const QFileInfo info(path);
        m_app->ChangeFileOpenDirectory(info.path());
        auto doc = m_app->DocumentsOpen(info.fileName());
        const QString ps = info.path() + '/' + info.completeBaseName() + QStringLiteral(".ps");
        doc->PrintOut(false, ps, 0, 1, 0, true);
        doc->Close(false);
        return ps;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_app = LibreOfficeApplication::Connect();
        m_pid = static_cast<LibreOfficeApplication*>(m_app.get())->ProcessId();
        QVERIFY(ProcessRuns(m_pid));
        QVERIFY2(ProcessProgram(m_pid).endsWith(QLatin1String("soffice.bin")), qPrintable(ProcessProgram(m_pid)));
        QCOMPARE(m_app->DocumentsCount(), 0);
        QCOMPARE(m_app->ActivePrinter(), PrinterSystem::Instance().DefaultPrinterName());
    }

    void printsEveryWordFormat_data()
    {
        QTest::addColumn<QString>("fixture");
        for (const char* ext : {"docx", "doc", "rtf", "dot", "dotx", "docm", "dotm"})
            QTest::newRow(ext) << QStringLiteral("fixture.") + QLatin1String(ext);
    }

    void printsEveryWordFormat()
    {
        QFETCH(QString, fixture);
        const QString folder = QStringLiteral("formats-") + QFileInfo(fixture).suffix();
        const QString path = Copy(fixture, folder);
        const QByteArray before = Hash(path);

        m_app->ChangeFileOpenDirectory(QFileInfo(path).path());
        auto doc = m_app->DocumentsOpen(fixture);
        QCOMPARE(doc->FullName(), path);
        QCOMPARE(m_app->DocumentsCount(), 1);
        QCOMPARE(m_app->DocumentsItem(1)->FullName(), path);
        const QString ps = m_dir.filePath(folder + QStringLiteral("/fixture.ps"));
        doc->PrintOut(false, ps, 0, 1, 0, true);
        doc->Close(false);
        QCOMPARE(m_app->DocumentsCount(), 0);

        const QStringList header = HeaderLines(ps);
        QVERIFY2(!header.isEmpty() && header.first().startsWith(QLatin1String("%!PS-Adobe-3.0")), qPrintable(header.join('\n')));
        QVERIFY2(header.contains(QStringLiteral("%%Title: ") + fixture), qPrintable(header.join('\n')));
        QVERIFY2(header.contains(QStringLiteral("%%For: ") + platform::UserName()), qPrintable(header.join('\n')));
        QCOMPARE(header.filter(QRegularExpression(QStringLiteral("^%%Creator: \\S"))).size(), 1);
        QCOMPARE(header.filter(QRegularExpression(QStringLiteral("^%%Title:"))).size(), 1);

        const QString text = TextOfPostScript(ps);
        QVERIFY2(text.contains(kPageOne) && text.contains(kPageTwo), qPrintable(text));
        QVERIFY(text.indexOf(kPageOne) < text.indexOf(kPageTwo));

        // The document is read, never written, and nothing is left beside it.
        QCOMPARE(Hash(path), before);
        QStringList left = QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden);
        left.sort();
        QStringList expected{fixture, QStringLiteral("fixture.ps")};
        expected.sort();
        QCOMPARE(left, expected);

        QCOMPARE(static_cast<LibreOfficeApplication*>(m_app.get())->ProcessId(), m_pid);
    }

    void workFileIsPlainTextForTheHeaderRewrite()
    {
        const QString ps = Print(Copy(QStringLiteral("pictures.docx"), QStringLiteral("text")));
        QFile f(ps);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray data = f.readAll();
        f.close();
        // The header rewrite reads lines of text: an end-of-file character
        // or a bare carriage return would cut or change the file.
        QVERIFY(!data.contains('\x1a'));
        QVERIFY(!data.contains('\r'));
        for (char c : data)
            QVERIFY2(uchar(c) < 0x80, "the work file holds 8-bit data");
        const QImage before = Render(ps);
        QVERIFY(!before.isNull());

        // The rewrite writes CR LF line ends: the file must print the same,
        // pictures included.
        data.replace("\n", "\r\n");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
        f.close();
        QCOMPARE(Render(ps), before);
        QVERIFY(TextOfPostScript(ps).contains(QStringLiteral("Kalvinora fixture with pictures.")));
    }

    void printReverseReversesThePages()
    {
        m_app->SetPrintReverse(true);
        const QString ps = Print(Copy(QStringLiteral("fixture.rtf"), QStringLiteral("reverse")));
        m_app->SetPrintReverse(false);
        QVERIFY(!m_app->PrintReverse());
        const QString text = TextOfPostScript(ps);
        QVERIFY2(text.contains(kPageOne) && text.contains(kPageTwo), qPrintable(text));
        QVERIFY(text.indexOf(kPageTwo) < text.indexOf(kPageOne));
    }

    void notADocumentIsRefusedClearly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QByteArray garbage;
        quint32 x = 12345;
        for (int i = 0; i < 4000; ++i) {
            x = x * 1103515245u + 12345u;
            garbage += char(x >> 24);
        }
        QTest::newRow("random bytes named .docx") << QStringLiteral("broken.docx") << garbage << QStringLiteral("is not a Word document");
        QTest::newRow("plain text named .doc") << QStringLiteral("notes.doc") << QByteArray("just a line of text\n")
                                               << QStringLiteral("is not a Word document");
        QTest::newRow("empty file") << QStringLiteral("empty.rtf") << QByteArray() << QStringLiteral("is empty");
        QTest::newRow("missing file") << QStringLiteral("missing.docx") << QByteArray("-") << QStringLiteral("does not exist");
    }

    void notADocumentIsRefusedClearly()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        const QString dir = m_dir.filePath(QStringLiteral("bad"));
        QDir().mkpath(dir);
        const QString path = dir + '/' + name;
        if (content != "-") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        m_app->ChangeFileOpenDirectory(dir);
        QString message;
        try {
            m_app->DocumentsOpen(name);
        } catch (const std::runtime_error& e) {
            message = QString::fromStdString(e.what());
        }
        QVERIFY2(message.contains(path) && message.contains(reason), qPrintable(message));
        QCOMPARE(m_app->DocumentsCount(), 0);

        // The same office goes on with the next document.
        const QString ps = Print(Copy(QStringLiteral("fixture.doc"), QStringLiteral("after-bad")));
        QVERIFY(TextOfPostScript(ps).contains(kPageOne));
        QCOMPARE(static_cast<LibreOfficeApplication*>(m_app.get())->ProcessId(), m_pid);
    }

    void expandingSubdocumentsBringsInTheLinkedParts()
    {
        const QString master = Copy(QStringLiteral("master.odt"), QStringLiteral("master"));
        Copy(QStringLiteral("part.odt"), QStringLiteral("master"));
        m_app->ChangeFileOpenDirectory(QFileInfo(master).path());
        auto doc = m_app->DocumentsOpen(QStringLiteral("master.odt"));
        doc->SetSubdocumentsExpanded(true);
        const QString ps = m_dir.filePath(QStringLiteral("master/master.ps"));
        doc->PrintOut(false, ps, 0, 1, 0, true);
        doc->Close(false);
        const QString text = TextOfPostScript(ps);
        QVERIFY2(text.contains(QStringLiteral("Master text.")) && text.contains(QStringLiteral("Fresh subdocument text.")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Stale cached text.")));
    }

    void printingIntoAMissingFolderFails()
    {
        const QString path = Copy(QStringLiteral("fixture.rtf"), QStringLiteral("nofolder"));
        m_app->ChangeFileOpenDirectory(QFileInfo(path).path());
        auto doc = m_app->DocumentsOpen(QStringLiteral("fixture.rtf"));
        const QString target = m_dir.filePath(QStringLiteral("nofolder/missing/fixture.ps"));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, doc->PrintOut(false, target, 0, 1, 0, true));
        QVERIFY(!QFileInfo::exists(target));
        doc->Close(false);
        QCOMPARE(m_app->DocumentsCount(), 0);
    }

    void printerMustBeKnownToThePrinterLayer()
    {
        const QString before = m_app->ActivePrinter();
        QString message;
        try {
            m_app->SetActivePrinter(QStringLiteral("Lab printer 7"));
        } catch (const std::runtime_error& e) {
            message = QString::fromStdString(e.what());
        }
        QVERIFY2(message.contains(QStringLiteral("\"Lab printer 7\"")), qPrintable(message));
        QCOMPARE(m_app->ActivePrinter(), before);

        m_app->SetActivePrinter(PrinterSystem::BuiltInPrinterName().toLower());
        QCOMPARE(m_app->ActivePrinter(), PrinterSystem::BuiltInPrinterName());
        m_app->SetActivePrinter(before);
    }

    void connectingAgainAttachesToTheRunningOffice()
    {
        const QString path = Copy(QStringLiteral("fixture.docx"), QStringLiteral("attach"));
        m_app->ChangeFileOpenDirectory(QFileInfo(path).path());
        auto doc = m_app->DocumentsOpen(QStringLiteral("fixture.docx"));
        m_app->SetPrintReverse(true);

        auto second = LibreOfficeApplication::Connect();
        QCOMPARE(static_cast<LibreOfficeApplication*>(second.get())->ProcessId(), m_pid);
        QCOMPARE(second->DocumentsCount(), 1);
        QCOMPARE(second->DocumentsItem(1)->FullName(), path);
        QVERIFY(second->PrintReverse());
        second.reset();

        m_app->SetPrintReverse(false);
        doc->Close(false);
        QCOMPARE(m_app->DocumentsCount(), 0);
    }

    // Last: the Word section as a run drives it, on the office that is
    // already running, ending with Quit.
    void wordSectionConvertsAndQuitsTheOffice()
    {
        ProgramState state;
        state.Printer = PrinterSystem::BuiltInPrinterName();
        state.OutputDir = m_dir.filePath(QStringLiteral("out dir"));
        QDir().mkpath(state.OutputDir);
        const QStringList docs{Copy(QStringLiteral("fixture.docx"), QStringLiteral("my docs")),
                               Copy(QStringLiteral("fixture.doc"), QStringLiteral("my docs/doc")),
                               Copy(QStringLiteral("fixture.rtf"), QStringLiteral("my docs/rtf"))};
        int steps = 0;
        WordAutomation word(state, [&] { ++steps; });
        word.StartWord();
        for (const QString& doc : docs) {
            word.ConvertWordDocument(doc);
            QVERIFY2(!word.PSInput().contains(' '), qPrintable(word.PSInput()));
            const QString workFile = QFileInfo(doc).path() + QStringLiteral("/fixture.ps");
            QCOMPARE(QFileInfo(word.PSInput()).canonicalFilePath(), QFileInfo(workFile).canonicalFilePath());
            QVERIFY(HeaderLines(workFile).contains(QStringLiteral("%%Title: ") + QFileInfo(doc).fileName()));
            QVERIFY(TextOfPostScript(workFile).contains(kPageTwo));
            QCOMPARE(QFileInfo(QFileInfo(word.OutputPath()).path()).canonicalFilePath(),
                     QFileInfo(state.OutputDir).canonicalFilePath());
        }
        QCOMPARE(LibreOfficeApplication::RunningProcessId(), m_pid);
        word.FinishWord();
        word.ReleaseWord();
        ReleaseShortPaths();
        QCOMPARE(steps, 2 + 3 + 1);

        // Quit ended the office: no process, and the profile is free again.
        QVERIFY(!ProcessRuns(m_pid));
        QCOMPARE(LibreOfficeApplication::RunningProcessId(), qint64(-1));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, m_app->DocumentsCount());
        QLockFile lock(TestEnvironment::DataFolder() + QStringLiteral("office/profile.lock"));
        QVERIFY(lock.tryLock(0));
    }

    void cleanupTestCase()
    {
        m_app.reset();
        LibreOfficeApplication::Shutdown();
        QVERIFY(!ProcessRuns(m_pid));
    }
};

KALVINORA_TEST_MAIN(TestLibreOffice)
#include "TestLibreOffice.moc"
