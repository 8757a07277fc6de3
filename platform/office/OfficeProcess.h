#pragma once

#include <QLockFile>
#include <QString>

#include <atomic>
#include <memory>

// One headless soffice process that the program starts for itself: a
// private user profile below the data folder, and a pipe name of its own so
// that it never meets the user's own office or another program run.
//
// The profile "office/profile" is kept between runs (a fresh profile costs
// an extra start of the office); it is guarded by a lock file, and when
// another program run holds it, a temporary profile is used and removed
// when the process ends.
//
// The process is started directly (soffice.bin, not the launcher script),
// so that the watchdog can end exactly this process, and it is told to die
// with the program should the program itself be killed.
class OfficeProcess {
public:
    OfficeProcess();
    ~OfficeProcess();
    OfficeProcess(const OfficeProcess&) = delete;
    OfficeProcess& operator=(const OfficeProcess&) = delete;

    // The folder holding soffice.bin.
    static QString ProgramFolder();

    // Starts the office; it accepts connections on PipeName() a few seconds
    // later. Raises std::runtime_error when the program cannot be started.
    void Spawn();

    QString PipeName() const { return m_pipeName; }
    qint64 Pid() const { return m_pid; }
    QString ProfileFolder() const { return m_profile; }
    bool TemporaryProfile() const { return m_temporary; }

    // True while the process runs; once it has ended, its exit status (or
    // 128 + signal) is stored in *status.
    bool Running(int* status = nullptr);
    // Waits up to msecs for the process to end.
    bool WaitForExit(int msecs);
    // Ends the process at once and reaps it.
    void Kill();
    // Only sends the kill signal: safe from any thread (the watchdog).
    void SignalKill() const;

    // The last lines the office wrote to its output, for error messages.
    QString OutputTail() const;

    // Ends the process if it still runs, removes a temporary profile and
    // gives the persistent one free.
    void Release();

private:
    void ChooseProfile();
    static void RemoveStaleProfiles(const QString& folder);

    // Read by the watchdog thread as well.
    std::atomic<qint64> m_pid{-1};
    int m_status = -1;
    QString m_pipeName;
    QString m_profile;
    QString m_logFile;
    bool m_temporary = false;
    std::unique_ptr<QLockFile> m_lock;
};
