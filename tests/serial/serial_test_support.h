// Test views of the serial classes: subclasses that expose the protected
// members and give the event port a handler that records its calls.
#pragma once

#include "platform/win32.h"
#include "serial/SerialPort.h"
#include "serial/SerialEventPort.h"
#include "serial/SerialWnd.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace serialtest {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr int kGenerousMs = 10000;

// Polls `condition` until it holds or `timeoutMs` passed.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = kGenerousMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline DWORD FlagWord(const DCB& dcb)
{
    DWORD word;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + 8, sizeof word);
    return word;
}

inline void SetFlagWord(DCB& dcb, DWORD word)
{
    std::memcpy(reinterpret_cast<char*>(&dcb) + 8, &word, sizeof word);
}

template <class Base>
class Exposed : public Base {
public:
    HANDLE Handle() const { return this->m_handle; }
    HANDLE IoEvent() const { return this->m_ioEvent; }
    LONG LastError() const { return this->m_lastError.load(); }
    void SetLastErrorValue(LONG value) { this->m_lastError = value; }
    DWORD StoredMask() const { return this->m_eventMask.load(); }
    DWORD FiredEvents() const { return this->m_firedEvents; }

    DCB State() const
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(this->m_handle, &dcb);
        return dcb;
    }
    void SetState(DCB dcb) const { SetCommState(this->m_handle, &dcb); }
    COMMTIMEOUTS Timeouts() const
    {
        COMMTIMEOUTS timeouts{};
        GetCommTimeouts(this->m_handle, &timeouts);
        return timeouts;
    }
    // Bytes waiting in the driver's input queue.
    DWORD InQueue() const
    {
        COMSTAT status{};
        DWORD errors = 0;
        ClearCommError(this->m_handle, &errors, &status);
        return status.cbInQue;
    }
};

using TestPort = Exposed<CSerialPort>;

// One call of the handler.
struct Report {
    DWORD events;
    DWORD errors;
};

// An event port whose handler records its calls; it can be made to block
// inside the handler until released.
class RecordingEventPort : public Exposed<CSerialEventPort> {
public:
    ~RecordingEventPort() override
    {
        // The handler is this class's: stop the watcher before leaving it.
        if (m_thread != nullptr)
            CSerialEventPort::Close();
    }

    HANDLE Thread() const { return m_thread; }
    HANDLE WatchEvent() const { return m_watchEvent; }
    bool Stopping() const { return m_stopping.load(); }
    void RequestStop() { m_stopping = true; }
    void SetFired(DWORD events) { m_firedEvents = events; }
    void SetStoredMask(DWORD mask) { m_eventMask = mask; }
    DWORD Take() { return TakeFiredEvents(); }

    LONG OnSerialEvent(DWORD events, DWORD errors) override
    {
        std::unique_lock lock(m_mutex);
        m_reports.push_back({events, errors});
        ++m_inHandler;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_hold; });
        --m_inHandler;
        m_changed.notify_all();
        return 0;
    }

    // While held, the handler blocks after recording its call.
    void Hold(bool hold)
    {
        std::lock_guard lock(m_mutex);
        m_hold = hold;
        m_changed.notify_all();
    }
    bool WaitForReports(std::size_t count, int timeoutMs = kGenerousMs)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_reports.size() >= count; });
    }
    bool WaitInHandler(int timeoutMs = kGenerousMs)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_inHandler > 0; });
    }
    std::vector<Report> Reports()
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Report> m_reports;
    int m_inHandler = 0;
    bool m_hold = false;
};

class TestWnd : public Exposed<CSerialWndObj> {
public:
    ~TestWnd() override
    {
        if (m_thread != nullptr)
            CSerialWnd::Close();
    }

    HANDLE Thread() const { return m_thread; }
    HANDLE WatchEvent() const { return m_watchEvent; }
    HWND Target() const { return m_targetWnd.load(); }
    UINT Message() const { return m_notifyMsg.load(); }
    LPARAM Param() const { return m_notifyParam.load(); }
};

}  // namespace serialtest
