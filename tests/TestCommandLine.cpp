#include "support/TestEnvironment.h"

#include "support/PdfCheck.h"
#include "support/RunHarness.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

// kalvinora-cli as a user runs it: a process with its own home, real files,
// real Ghostscript.
using namespace RunHarness;

namespace {

struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
};

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Path(const QString& name) const { return m_dir->filePath(name); }
    QString DataFolder() const { return m_home->filePath(QStringLiteral("share/Kalvinora")); }

    CliResult Cli(const QStringList& arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home->path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home->filePath(QStringLiteral("share")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->filePath(QStringLiteral("config")));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir->path());
        p.start(QStringLiteral(KALVINORA_CLI), arguments);
        p.closeWriteChannel();
        CliResult r;
        if (!p.waitForFinished(120000))
            return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    static QString Show(const CliResult& r)
    {
        return QStringLiteral("exit %1\nstdout: %2\nstderr: %3").arg(r.exitCode).arg(r.out, r.err);
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/cli files XXXXXX"));
        QVERIFY(m_home->isValid() && m_dir->isValid());
    }

    void convertsIntoEachFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("outputs");
        QTest::newRow("pdf") << "pdf" << QStringList{"report.pdf"};
        QTest::newRow("bmp") << "bmp" << QStringList{"report1.bmp", "report2.bmp"};
        QTest::newRow("jpeg") << "jpeg" << QStringList{"report1.jpg", "report2.jpg"};
        QTest::newRow("pcx") << "pcx" << QStringList{"report1.pcx", "report2.pcx"};
        QTest::newRow("tiff") << "tiff" << QStringList{"report.tif"};
    }

    void convertsIntoEachFormat()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, outputs);
        WritePostScript(Path("report.ps"), {"One", "Two"});

        const CliResult r = Cli({"--format", format, "report.ps"});

        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QCOMPARE(r.out.trimmed(), QStringLiteral("Es wurde(n) 1 Dokument(e) erfolgreich konvertiert."));
        QCOMPARE(r.err, QString());
        QStringList made = QDir(m_dir->path()).entryList(QDir::Files, QDir::Name);
        made.removeOne(QStringLiteral("report.ps"));
        QCOMPARE(made, outputs);
        if (format == "pdf")
            QCOMPARE(PdfText(Path("report.pdf")), QStringLiteral("One Two"));
    }

    void combinesIntoTheOutputFolderInTheOrderGiven()
    {
        QDir().mkpath(Path("out folder"));
        WritePostScript(Path("b.ps"), {"Bee"});
        WritePicture(Path("a.png"), QSize(40, 30));
        WritePostScript(Path("c.prn"), {"Sea"});

        const CliResult r = Cli({"--combine", "--output-dir", "out folder", "b.ps", "a.png", "c.prn"});

        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QCOMPARE(r.out.trimmed(), QStringLiteral("Es wurde(n) 3 Dokument(e) erfolgreich konvertiert."));
        QCOMPARE(QDir(Path("out folder")).entryList(QDir::Files), QStringList{"b.pdf"});
        const QString pdf = Path("out folder/b.pdf");
        QCOMPARE(PdfPages(pdf), 3);
        QCOMPARE(PdfText(pdf, 1), QStringLiteral("Bee"));
        QCOMPARE(PdfImagesOnPage(pdf, 2), 1);
        QCOMPARE(PdfText(pdf, 3), QStringLiteral("Sea"));
        // Nothing next to the inputs: the picture's work file went.
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files, QDir::Name), QStringList({"a.png", "b.ps", "c.prn"}));
    }

    void settingsAreReadAndNeverWritten()
    {
        // The window program's settings: keep work files, PDF 1.3.
        QDir().mkpath(DataFolder());
        const QString settings = DataFolder() + QStringLiteral("/settings.ini");
        WriteFile(settings, "[Allgemein]\r\nDelPS=0\r\nAcroVer=1\r\n");
        QFile::setPermissions(settings, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const Stamp before = StampOf(settings);
        WritePicture(Path("photo.jpg"), QSize(40, 30));

        const CliResult r = Cli({"--set", "Bit=128", "--set", "ProtP=owner-secret!", "photo.jpg"});

        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        const QString encryption = QString::fromUtf8(
            PdfCheck::Run(QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"), Path("photo.pdf")}).output);
        QVERIFY2(encryption.contains(QLatin1String("R = 3")), qPrintable(encryption));
        QVERIFY(QFileInfo::exists(Path("photo.ps")));  // DelPS=0 from the settings file
        // The owner password opens it.
        QCOMPARE(PdfCheck::Run(QStringLiteral("qpdf"), {QStringLiteral("--password=owner-secret!"), QStringLiteral("--decrypt"),
                                                       Path("photo.pdf"), Path("plain.pdf")})
                     .exitCode,
                 0);

        QVERIFY(StampOf(settings) == before);
        // Nothing of the run's own is left in the data folder.
        QStringList left = QDir(DataFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
        left.removeOne(QStringLiteral("protokoll.txt"));
        // The folder of the blank-free aliases may stay, empty.
        if (left.removeOne(QStringLiteral("links")))
            QVERIFY(QDir(DataFolder() + QStringLiteral("/links")).isEmpty());
        QCOMPARE(left, QStringList{"settings.ini"});
    }

    void withoutSettingsNoneAreMade()
    {
        WritePostScript(Path("a.ps"), {"A"});
        const CliResult r = Cli({"a.ps"});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QVERIFY(!QFileInfo::exists(DataFolder() + QStringLiteral("/settings.ini")));
    }

    void ownerPasswordWithoutTerminalMeansNoEncryption()
    {
        WritePostScript(Path("a.ps"), {"A"});
        const CliResult r = Cli({"--set", "Bit=40", "a.ps"});
        QVERIFY2(r.exitCode == 0, qPrintable(Show(r)));
        QVERIFY2(r.err.contains(QLatin1String("not encrypted")), qPrintable(Show(r)));
        const QString encryption = QString::fromUtf8(
            PdfCheck::Run(QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"), Path("a.pdf")}).output);
        QVERIFY2(encryption.contains(QLatin1String("not encrypted")), qPrintable(encryption));
    }

    void exitStatusTellsWhetherEverythingWasConverted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stderrHolds");
        QTest::addColumn<bool>("goodConverted");
        QTest::newRow("all converted") << QStringList{"good.ps"} << 0 << QString() << true;
        QTest::newRow("a refused file") << QStringList{"good.ps", "scan.pdf"} << 1
                                        << "Eine ausgewählte Datei wird nicht konvertiert." << true;
        QTest::newRow("a missing file") << QStringList{"good.ps", "missing.ps"} << 1 << "missing.ps: no such file" << true;
        QTest::newRow("a file Ghostscript refuses") << QStringList{"good.ps", "letter.ps"} << 1
                                                    << "Ghostscript konnte die Datei" << true;
        QTest::newRow("a read-only PostScript file") << QStringList{"good.ps", "locked.ps"} << 1 << "locked.ps: not converted"
                                                     << true;
        QTest::newRow("nothing but missing files") << QStringList{"missing.ps"} << 1 << "missing.ps: no such file" << false;
        QTest::newRow("unknown option") << QStringList{"--frobnicate", "good.ps"} << 2 << "frobnicate" << false;
        QTest::newRow("unknown format") << QStringList{"--format", "gif", "good.ps"} << 2 << "gif" << false;
        QTest::newRow("unknown setting") << QStringList{"--set", "Colour=blue", "good.ps"} << 2 << "Colour" << false;
        QTest::newRow("key length that means no encryption") << QStringList{"--set", "Bit=2", "good.ps"} << 2
                                                             << "Bit must be 0, 40 or 128" << false;
        QTest::newRow("setting without value") << QStringList{"--set", "Bit", "good.ps"} << 2 << "KEY=VALUE" << false;
        QTest::newRow("no files") << QStringList{} << 2 << "no files given" << false;
        QTest::newRow("output folder missing") << QStringList{"--output-dir", "nowhere", "good.ps"} << 2 << "nowhere"
                                               << false;
    }

    void exitStatusTellsWhetherEverythingWasConverted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stderrHolds);
        QFETCH(bool, goodConverted);
        WritePostScript(Path("good.ps"), {"Good"});
        WriteFile(Path("scan.pdf"), "%PDF-1.4\n");
        WriteFile(Path("letter.ps"), "Dear reader,\nno PostScript here.\n");
        WritePostScript(Path("locked.ps"), {"Locked"});
        QFile::setPermissions(Path("locked.ps"), QFileDevice::ReadOwner);

        const CliResult r = Cli(arguments);

        QVERIFY2(r.exitCode == exitCode, qPrintable(Show(r)));
        QVERIFY2(r.err.contains(stderrHolds), qPrintable(Show(r)));
        QCOMPARE(QFileInfo::exists(Path("good.pdf")), goodConverted);
        QVERIFY(!QFileInfo::exists(Path("letter.pdf")));
        QVERIFY(!QFileInfo::exists(Path("locked.pdf")));
        if (exitCode == 2)
            QVERIFY(r.out.isEmpty());
        QFile::setPermissions(Path("locked.ps"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void listsPrintersAndGhostscript()
    {
        const CliResult printers = Cli({"--list-printers"});
        QVERIFY2(printers.exitCode == 0, qPrintable(Show(printers)));
        QVERIFY2(printers.out.split('\n').contains(QStringLiteral("Kalvinora PostScript")), qPrintable(Show(printers)));

        const CliResult gs = Cli({"--list-ghostscript"});
        QVERIFY2(gs.exitCode == 0, qPrintable(Show(gs)));
        QVERIFY2(gs.out.contains(QRegularExpression(QStringLiteral("^(GPL|GNU|AFPL) Ghostscript \\d+\\.\\d+ +/\\S*/$"),
                                                    QRegularExpression::MultilineOption)),
                 qPrintable(Show(gs)));
        // Listing needs no settings and makes none.
        QVERIFY(!QFileInfo::exists(DataFolder() + QStringLiteral("/settings.ini")));
    }

    void helpAndVersion()
    {
        const CliResult help = Cli({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char* option : {"--format", "--output-dir", "--combine", "--set", "--list-printers", "--list-ghostscript"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const CliResult version = Cli({"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.out.contains(QRegularExpression(QStringLiteral("^kalvinora-cli \\d+\\.\\d+\\.\\d+\\.\\d+$"),
                                                         QRegularExpression::MultilineOption)),
                 qPrintable(version.out));
    }
};

KALVINORA_TEST_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
