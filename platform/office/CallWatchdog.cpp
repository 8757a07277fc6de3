#include "platform/office/CallWatchdog.h"

CallWatchdog::CallWatchdog(std::function<void()> onExpire) : m_onExpire(std::move(onExpire)) {}

CallWatchdog::~CallWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CallWatchdog::Arm(std::chrono::milliseconds timeout)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + timeout;
        m_armed = true;
        m_expired = false;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
    }
    m_wake.notify_all();
}

void CallWatchdog::Disarm()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }
    m_wake.notify_all();
}

void CallWatchdog::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (!m_armed) {
            m_wake.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() < m_deadline) {
            m_wake.wait_until(lock, m_deadline);
            continue;
        }
        m_armed = false;
        m_expired = true;
        m_onExpire();
    }
}
