#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Guards a blocking call: when the call is still running at its deadline,
// the expiry action runs on the watchdog's own thread (it ends the process
// the call waits for, which makes the call return with a failure).
class CallWatchdog {
public:
    explicit CallWatchdog(std::function<void()> onExpire);
    ~CallWatchdog();
    CallWatchdog(const CallWatchdog&) = delete;
    CallWatchdog& operator=(const CallWatchdog&) = delete;

    void Arm(std::chrono::milliseconds timeout);
    void Disarm();
    // Whether the deadline passed since the last Arm.
    bool Expired() const { return m_expired; }

private:
    void Run();

    std::function<void()> m_onExpire;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_armed = false;
    bool m_stop = false;
    std::chrono::steady_clock::time_point m_deadline;
    std::atomic<bool> m_expired{false};
};

// Arms a watchdog for the lifetime of the scope.
class WatchdogScope {
public:
    WatchdogScope(CallWatchdog& watchdog, std::chrono::milliseconds timeout) : m_watchdog(watchdog)
    {
        m_watchdog.Arm(timeout);
    }
    ~WatchdogScope() { m_watchdog.Disarm(); }
    WatchdogScope(const WatchdogScope&) = delete;
    WatchdogScope& operator=(const WatchdogScope&) = delete;

private:
    CallWatchdog& m_watchdog;
};
