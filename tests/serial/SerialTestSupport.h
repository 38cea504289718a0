// Test views of the serial classes: subclasses that expose the protected
// members and give the event port a handler that records its calls.
#pragma once

#include "platform/FaultInjection.h"
#include "platform/win32.h"
#include "serial/SerialEventPort.h"
#include "serial/SerialPort.h"
#include "serial/SerialWnd.h"
#include "tests/support/MessageQueueTarget.h"
#include "tests/support/NamedCases.h"
#include "tests/support/PtyPair.h"
#include "tests/support/Sentinel.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace serialtest {

constexpr int kGenerousMs = 10000;

using namespace tessaline::testing;
using namespace tessaline::platform::testing;

// Runs a call on a thread of its own, so that a test can wait for it with a
// deadline. The thread is given up (detached) from the start: a call that
// never returns cannot hold the run until ctest's time-out. If it still has
// not returned when this object goes, after one more generous wait, the
// stuck call is named and the process ends at once, since the objects it
// uses cannot be destroyed under it.
class CallInThread
{
public:
    CallInThread(const char* what, std::function<void()> call) : m_what(what), m_state(std::make_shared<State>())
    {
        std::thread([state = m_state, call = std::move(call)] {
            call();
            std::lock_guard lock(state->mutex);
            state->done = true;
            state->changed.notify_all();
        }).detach();
    }
    CallInThread(const CallInThread&) = delete;
    CallInThread& operator=(const CallInThread&) = delete;
    ~CallInThread()
    {
        if (Done())
            return;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::fprintf(stderr, "%s: %s did not return within %d ms and is stuck; giving up.\n",
                     test != nullptr ? test->name() : "?", m_what, 2 * kGenerousMs);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }

    // Whether the call has returned, waiting up to timeoutMs for it.
    bool Done(int timeoutMs = kGenerousMs)
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_state->done; });
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable changed;
        bool done = false;
    };
    const char* m_what;
    std::shared_ptr<State> m_state;
};

// The exit code of `thread` once it has ended; kSentinel when it does not
// end in time.
inline DWORD ExitCodeOf(HANDLE thread)
{
    DWORD code = kSentinel;
    if (WaitForSingleObject(thread, kGenerousMs) != WAIT_OBJECT_0 || !GetExitCodeThread(thread, &code))
        return kSentinel;
    return code;
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
class Exposed : public Base
{
public:
    HANDLE Handle() const { return this->m_handle; }
    HANDLE IoEvent() const { return this->m_ioEvent; }
    LONG LastError() const { return this->m_lastError.load(); }
    void SetLastErrorValue(LONG value) { this->m_lastError = value; }
    DWORD FiredEvents() const { return this->m_firedEvents; }
    // The watcher's thread and event (event and window ports only).
    HANDLE Thread() const { return this->m_thread; }
    HANDLE WatchEvent() const { return this->m_watchEvent; }

    DCB State() const
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(this->m_handle, &dcb);
        return dcb;
    }
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

// The settings and queries of a port, each with what it returns when it
// fails: the error itself (kTheError) or its failure value; `readsState`
// when it reads the device's line settings first.
constexpr long long kTheError = -0x7FFFFFFF;
struct PortCall
{
    const char* name;
    std::function<long long(TestPort& port)> call;
    long long failure;
    bool readsState;
};
inline const PortCall kPortCalls[] = {
    {"ConfigureLine", [](TestPort& p) { return p.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT); }, kTheError, true},
    {"SetTriggerChar", [](TestPort& p) { return p.SetTriggerChar('x', true); }, kTheError, true},
    {"SetFlowControl", [](TestPort& p) { return p.SetFlowControl(CSerialPort::FlowHardware); }, kTheError, true},
    {"SetFlowControl bad", [](TestPort& p) { return p.SetFlowControl(3); }, kTheError, true},
    {"SetEventMask", [](TestPort& p) { return p.SetEventMask(EV_RXCHAR); }, kTheError, false},
    {"WaitForEvent", [](TestPort& p) { return p.WaitForEvent(); }, kTheError, false},
    {"WaitForEvent record",
     [](TestPort& p) -> long long {
         static OVERLAPPED record{};
         return p.WaitForEvent(&record, 0);
     },
     kTheError, false},
    {"SetReadMode", [](TestPort& p) { return p.SetReadMode(CSerialPort::ReadBlocking); }, kTheError, false},
    {"SetReadMode bad", [](TestPort& p) { return p.SetReadMode(2); }, kTheError, false},
    {"QueryBaudRate", [](TestPort& p) { return p.QueryBaudRate(); }, 0xFFFFFFFFll, true},
    {"QueryDataBits", [](TestPort& p) { return p.QueryDataBits(); }, -1, true},
    {"QueryParity", [](TestPort& p) { return p.QueryParity(); }, -1, true},
    {"QueryStopBits", [](TestPort& p) { return p.QueryStopBits(); }, -1, true},
    {"QueryFlowControl", [](TestPort& p) { return p.QueryFlowControl(); }, -1, true},
    {"QueryEventMask", [](TestPort& p) { return p.QueryEventMask(); }, 0, false},
    {"QueryTriggerChar", [](TestPort& p) { return p.QueryTriggerChar(); }, 0, true},
};

// One call of the handler.
struct Report
{
    DWORD events;
    DWORD errors;
};

// An event port whose handler records its calls; it can be made to block
// inside the handler until released.
class RecordingEventPort : public Exposed<CSerialEventPort>
{
public:
    ~RecordingEventPort() override
    {
        // The handler is this class's: stop the watcher before leaving it.
        if (m_thread != nullptr)
            CSerialEventPort::Close();
    }

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

class TestWnd : public Exposed<CSerialWndObj>
{
public:
    ~TestWnd() override
    {
        if (m_thread != nullptr)
            CSerialWnd::Close();
    }

    HWND Target() const { return m_targetWnd.load(); }
    UINT Message() const { return m_notifyMsg.load(); }
    LPARAM Param() const { return m_notifyParam.load(); }
};

}  // namespace serialtest
