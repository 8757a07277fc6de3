#include "platform/office/OfficeProcess.h"

#include "core/Settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef KALVINORA_OFFICE_PROGRAM_DIR
#define KALVINORA_OFFICE_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

namespace {

int& ProfileCounter()
{
    static int counter = 0;
    return counter;
}

QString OfficeFolder() { return GetDataFolder() + QStringLiteral("office/"); }

bool ProcessAlive(qint64 pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

}  // namespace

OfficeProcess::OfficeProcess() = default;

OfficeProcess::~OfficeProcess() { Release(); }

QString OfficeProcess::ProgramFolder() { return QStringLiteral(KALVINORA_OFFICE_PROGRAM_DIR); }

void OfficeProcess::RemoveStaleProfiles(const QString& folder)
{
    // Temporary profiles of program runs that were killed before they could
    // clean up: "profile-<pid>-<n>" whose process is gone.
    const QDir dir(folder);
    const QStringList entries = dir.entryList({QStringLiteral("profile-*")}, QDir::Dirs | QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        const QStringList parts = entry.split('-');
        bool ok = false;
        const qint64 pid = parts.size() >= 3 ? parts[1].toLongLong(&ok) : 0;
        if (!ok || pid == qint64(::getpid()) || ProcessAlive(pid))
            continue;
        const QString path = dir.filePath(entry);
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

void OfficeProcess::ChooseProfile()
{
    const QString folder = OfficeFolder();
    if (!QDir().mkpath(folder))
        throw std::runtime_error(
            QStringLiteral("The folder \"%1\" for the office profile cannot be created.").arg(folder).toStdString());
    RemoveStaleProfiles(folder);

    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("profile.lock"));
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        m_profile = folder + QStringLiteral("profile");
        m_temporary = false;
    } else {
        m_profile = folder + QStringLiteral("profile-%1-%2").arg(::getpid()).arg(++ProfileCounter());
        m_temporary = true;
    }
    m_logFile = m_profile + QStringLiteral(".log");
}

void OfficeProcess::Spawn()
{
    if (m_pid > 0 && Running())
        return;
    if (m_profile.isEmpty())
        ChooseProfile();

    const QString program = ProgramFolder() + QStringLiteral("/soffice.bin");
    if (!QFileInfo(program).isExecutable())
        throw std::runtime_error(
            QStringLiteral("LibreOffice is not installed (\"%1\" was not found).").arg(program).toStdString());

    if (m_pipeName.isEmpty())
        m_pipeName = QStringLiteral("kalvinora-%1-%2").arg(::getpid()).arg(QRandomGenerator::global()->generate64(), 0, 16);

    const QList<QByteArray> args{
        QFile::encodeName(program),
        "-env:UserInstallation=" + QUrl::fromLocalFile(m_profile).toString(QUrl::FullyEncoded).toUtf8(),
        "--headless",
        "--invisible",
        "--nocrashreport",
        "--nodefault",
        "--nofirststartwizard",
        "--nolockcheck",
        "--nologo",
        "--norestore",
        "--accept=pipe,name=" + m_pipeName.toUtf8() + ";urp;StarOffice.ComponentContext",
    };
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);

    const QByteArray logName = QFile::encodeName(m_logFile);
    const int logFd = ::open(logName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here on: the program has threads.
        // The office dies with the thread that started it, so a killed
        // program leaves no office behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        if (nullFd >= 0)
            ::dup2(nullFd, 0);
        if (logFd >= 0) {
            ::dup2(logFd, 1);
            ::dup2(logFd, 2);
        }
        ::syscall(SYS_close_range, 3U, ~0U, 0U);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const int forkErrno = errno;
    if (logFd >= 0)
        ::close(logFd);
    if (nullFd >= 0)
        ::close(nullFd);
    if (pid < 0)
        throw std::runtime_error(
            QStringLiteral("LibreOffice cannot be started: %1").arg(QString::fromLocal8Bit(strerror(forkErrno))).toStdString());
    m_pid = pid;
    m_status = -1;
}

bool OfficeProcess::Running(int* status)
{
    if (m_pid <= 0) {
        if (status)
            *status = m_status;
        return false;
    }
    int st = 0;
    const pid_t r = ::waitpid(pid_t(m_pid), &st, WNOHANG);
    if (r == 0)
        return true;
    if (r == pid_t(m_pid))
        m_status = WIFEXITED(st) ? WEXITSTATUS(st) : (WIFSIGNALED(st) ? 128 + WTERMSIG(st) : -1);
    m_pid = -1;
    if (status)
        *status = m_status;
    return false;
}

bool OfficeProcess::WaitForExit(int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (Running()) {
        if (timer.elapsed() >= msecs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

void OfficeProcess::SignalKill() const
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGKILL);
}

void OfficeProcess::Kill()
{
    if (m_pid <= 0)
        return;
    SignalKill();
    int st = 0;
    if (::waitpid(pid_t(m_pid), &st, 0) == pid_t(m_pid))
        m_status = WIFEXITED(st) ? WEXITSTATUS(st) : (WIFSIGNALED(st) ? 128 + WTERMSIG(st) : -1);
    m_pid = -1;
}

QString OfficeProcess::OutputTail() const
{
    QFile log(m_logFile);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    if (log.size() > 2000)
        log.seek(log.size() - 2000);
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split('\n', Qt::SkipEmptyParts);
    while (lines.size() > 5)
        lines.removeFirst();
    return lines.join(QStringLiteral(" / ")).trimmed();
}

void OfficeProcess::Release()
{
    Kill();
    if (m_profile.isEmpty())
        return;
    if (m_temporary) {
        QDir(m_profile).removeRecursively();
        QFile::remove(m_logFile);
    }
    m_lock.reset();
    m_profile.clear();
    m_logFile.clear();
    m_pipeName.clear();
}
