#include "support/ListedPrinter.h"
#include "support/TestEnvironment.h"

#include "core/Protocol.h"
#include "core/Tools.h"
#include "platform/PrinterSystem.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QString MakeFile(const QString& path, const QByteArray& data = "x")
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
    return path;
}


}  // namespace

class TestShellAndSystem : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init() { SetProtocolEnabled(true); }
    void cleanup() { PrinterSystem::Instance().Reset(); }

    void deleteGoesToTheTrashSilently()
    {
        const QString a = MakeFile(m_dir.filePath("a.pdf"));
        const QString b = MakeFile(m_dir.filePath("b c.ps"));
        QDir().mkpath(m_dir.filePath("folder"));
        QVERIFY(ShellDeleteFiles(nullptr, {a, b, m_dir.filePath("folder")}, dfSilent | dfAllowUndo | dfFilesOnly));
        QVERIFY(!QFile::exists(a));
        QVERIFY(!QFile::exists(b));
        QVERIFY(QFileInfo(m_dir.filePath("folder")).isDir());  // files only
        const QString trash = TestEnvironment::Home() + QStringLiteral("/share/Trash/files/");
        QVERIFY(QFile::exists(trash + "a.pdf"));
        QVERIFY(QFile::exists(trash + "b c.ps"));
    }

    void runAndWaitKeepsTheWindowAlive()
    {
        QPushButton button(QStringLiteral("Abbrechen"));
        button.show();
        int clicks = 0;
        connect(&button, &QPushButton::clicked, [&] { ++clicks; });
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(50);
        QTimer::singleShot(300, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });

        QElapsedTimer clock;
        clock.start();
        QVERIFY(ShellExecuteAndWait(QStringLiteral("sleep"), QStringLiteral("1")));
        QVERIFY(clock.elapsed() >= 900);
        QCOMPARE(clicks, 1);
        QVERIFY(ticks >= 10);
    }

    void runAndWaitReportsExitAndOutput()
    {
        int exitCode = 0;
        QByteArray output;
        QVERIFY(ShellExecuteAndWait(QStringLiteral("sh"), QStringList{"-c", "echo oops >&2; exit 3"}, &exitCode, &output));
        QCOMPARE(exitCode, 3);
        QCOMPARE(output.trimmed(), QByteArray("oops"));
        QVERIFY(!ShellExecuteAndWait(m_dir.filePath("no-such-program"), QString()));
    }

    void openingAFileWithoutProgramFails()
    {
        QVERIFY(!ShellExecuteFile(MakeFile(m_dir.filePath("data.kvx-unknown-type"), QByteArray(64, '\x01'))));
        QVERIFY(!ShellExecuteFile(m_dir.filePath("missing.pdf")));
    }

    void tryOpen()
    {
        const QString ok = MakeFile(m_dir.filePath("ok.ps"));
        QVERIFY(TryOpen(ok));
        const QString ro = MakeFile(m_dir.filePath("ro.ps"));
        QFile::setPermissions(ro, QFileDevice::ReadOwner);
        QVERIFY(!TryOpen(ro));
        QVERIFY(!TryOpen(m_dir.filePath("missing.ps")));
        QFile log(ProtocolFileName());
        log.open(QIODevice::ReadOnly);
        const QByteArray text = log.readAll();
        QVERIFY(text.contains(" - Error TryOpen: " + ro.toUtf8() + "\r\n"));
        QVERIFY(text.contains(" - Error TryOpen: " + m_dir.filePath("missing.ps").toUtf8() + "\r\n"));
        QVERIFY(!text.contains("ok.ps"));
    }

    void printers()
    {
        PrinterSystem::Instance().AddPrinter(std::make_shared<ListedPrinter>(QStringLiteral("Office Laser")));
        QStringList list{QStringLiteral("kept")};
        GetPrinterlist(list);
        QCOMPARE(list, (QStringList{"kept", PrinterSystem::BuiltInPrinterName(), "Office Laser"}));
        QCOMPARE(FindPrinterIndex(QStringLiteral("office LASER")), 1);
        QCOMPARE(FindPrinterIndex(QStringLiteral("Nowhere")), -1);
        QCOMPARE(FindPrinterIndex(PrinterSystem::BuiltInPrinterName()), 0);
    }

    void versionText_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("caption") << "%d.%d (build %3:d)" << "4.5 (build 312)";
        QTest::newRow("support file") << "%d.%d.%d.%d" << "4.5.0.312";
        QTest::newRow("creator line") << " %d.%d build %3:d" << " 4.5 build 312";
    }

    void versionText()
    {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(FormatVersion(format, 4, 5, 0, 312), expected);
    }

    void versionOfTheRunningProgram()
    {
        QVERIFY(GetFileVersionText(QStringLiteral("%d.%d.%d.%d")).contains(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$")));
    }

    void diskSpace()
    {
        int64_t free = -1, total = -1;
        GetDiskSpace(m_dir.path(), free, total);
        QVERIFY(total > 0);
        QVERIFY(free > 0 && free <= total);
        GetDiskSpace(m_dir.filePath("no/such/folder"), free, total);
        QCOMPARE(free, int64_t(0));
        QCOMPARE(total, int64_t(0));
    }

    void screenAndSystem()
    {
        QVERIFY(GetScreenDPI() > 0);
        QVERIFY(IsWindows2000OrLater());
    }
};

KALVINORA_TEST_MAIN(TestShellAndSystem)
#include "TestShellAndSystem.moc"
