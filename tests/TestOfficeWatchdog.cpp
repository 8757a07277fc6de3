#include "support/TestEnvironment.h"

#include "platform/office/LibreOfficeApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <unistd.h>

// An office that stops answering, and a program that is killed while its
// office runs: neither may leave the program hanging or an office behind.
namespace {

// Running and not a zombie waiting for its parent.
bool ProcessRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

bool WaitUntilGone(qint64 pid, int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (ProcessRuns(pid)) {
        if (timer.elapsed() > msecs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

const char* kChildVariable = "KALVINORA_OFFICE_KILLED_CHILD";

}  // namespace

class TestOfficeWatchdog : public QObject {
    Q_OBJECT

private slots:
    void officeThatStopsAnsweringIsEnded()
    {
        const int callTimeout = LibreOfficeApplication::CallTimeoutMs();
        LibreOfficeApplication::SetTimeouts(LibreOfficeApplication::StartTimeoutMs(), 3000);
        auto app = LibreOfficeApplication::Connect();
        const qint64 pid = static_cast<LibreOfficeApplication*>(app.get())->ProcessId();
        QVERIFY(ProcessRuns(pid));

        ::kill(pid_t(pid), SIGSTOP);
        QElapsedTimer timer;
        timer.start();
        QString message;
        try {
            app->DocumentsCount();
        } catch (const std::runtime_error& e) {
            message = QString::fromStdString(e.what());
        }
        LibreOfficeApplication::SetTimeouts(LibreOfficeApplication::StartTimeoutMs(), callTimeout);
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(message, QStringLiteral("LibreOffice did not answer within 3 seconds and was ended."));
        QVERIFY(!ProcessRuns(pid));
        QCOMPARE(LibreOfficeApplication::RunningProcessId(), qint64(-1));

        // The connection is dead for good, and the profile is free for the
        // next office.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, app->DocumentsCount());
        QLockFile lock(TestEnvironment::DataFolder() + QStringLiteral("office/profile.lock"));
        QVERIFY(lock.tryLock(0));
    }

    void officeDiesWithAKilledProgram()
    {
        if (qEnvironmentVariableIsSet(kChildVariable)) {
            // The program side: start the office, tell its id, and die
            // without any chance to clean up.
            auto app = LibreOfficeApplication::Connect();
            std::printf("office %lld\n", static_cast<long long>(static_cast<LibreOfficeApplication*>(app.get())->ProcessId()));
            std::fflush(stdout);
            ::kill(::getpid(), SIGKILL);
            return;
        }

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("officeDiesWithAKilledProgram")});
        QVERIFY(child.waitForFinished(180000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QByteArray output = child.readAllStandardOutput();
        const qsizetype at = output.indexOf("office ");
        QVERIFY2(at >= 0, output.constData());
        const qint64 pid = output.mid(at + 7).split('\n').first().toLongLong();
        QVERIFY(pid > 0);
        QVERIFY2(WaitUntilGone(pid, 10000), "the office outlived the program");
    }

    void cleanupTestCase() { LibreOfficeApplication::Shutdown(); }
};

KALVINORA_TEST_MAIN(TestOfficeWatchdog)
#include "TestOfficeWatchdog.moc"
