#include "serial/SerialEventPort.h"

#include <cstring>

CSerialEventPort::CSerialEventPort() : m_stopping(false), m_thread(nullptr), m_watchEvent(nullptr) {}

CSerialEventPort::~CSerialEventPort()
{
    // A port opened without a watcher still owns its watch event.
    if (m_thread != nullptr || m_watchEvent != nullptr) {
        CSerialEventPort::Close();
        if (m_thread != nullptr && JoinWatcherAsLastResort())
            CSerialEventPort::Close();
    }
}

bool CSerialEventPort::JoinWatcherAsLastResort()
{
    if (m_thread == nullptr)
        return true;
    // The object is going away: nothing may be closed while the watcher
    // can still touch it, so this wait has no time-out.
    m_stopping = true;
    if (m_handle != nullptr)
        SetCommMask(m_handle, m_eventMask.load());
    if (WaitForSingleObject(m_thread, INFINITE) != WAIT_OBJECT_0) {
        m_keepHandlesOpen = true;
        return false;
    }
    CloseHandle(m_thread);
    m_thread = nullptr;
    m_stopping = false;
    return true;
}

LONG CSerialEventPort::Open(const char* deviceName, DWORD inQueueSize, DWORD outQueueSize, bool startWatcher)
{
    // A watcher started on the closed port ends at once; its handle is
    // released first so that it cannot meet the new device or stand in for
    // the watcher this open starts.
    if (m_handle == nullptr && m_thread != nullptr)
        StopWatcher(INFINITE);

    const LONG status = CSerialPort::Open(deviceName, inQueueSize, outQueueSize, true);
    if (status != 0)
        return status;

    m_watchEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_watchEvent == nullptr) {
        const LONG error = static_cast<LONG>(GetLastError());
        CSerialPort::Close();
        m_lastError = error;
        return error;
    }

    if (startWatcher) {
        const LONG started = StartWatcher();
        if (started != 0)
            return started;
    }
    return 0;
}

LONG CSerialEventPort::Close()
{
    const LONG stopped = StopWatcher(INFINITE);
    if (m_thread != nullptr) {
        // The join itself failed: the watcher may still use the handles, so
        // they stay open for a later Close or the destructor.
        return stopped;
    }
    if (m_watchEvent != nullptr) {
        CloseHandle(m_watchEvent);
        m_watchEvent = nullptr;
    }
    return CSerialPort::Close();
}

LONG CSerialEventPort::StartWatcher()
{
    if (m_thread != nullptr) {
        m_lastError = 0;
        return 0;
    }
    // An open port without a watch event (left open by a failed read-mode
    // step) has nothing for the watcher's waits to complete on.
    if (m_handle != nullptr && m_watchEvent == nullptr) {
        const LONG error = static_cast<LONG>(ERROR_INVALID_HANDLE);
        m_lastError = error;
        return error;
    }
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WatcherThreadProc, this, 0, &threadId);
    if (thread == nullptr) {
        const LONG error = static_cast<LONG>(GetLastError());
        m_lastError = error;
        return error;
    }
    m_thread = thread;
    m_lastError = 0;
    return 0;
}

LONG CSerialEventPort::StopWatcher(DWORD timeoutMs)
{
    if (m_thread == nullptr) {
        m_lastError = 0;
        return 0;
    }
    // The flag is stored before the wake-up; the watcher tests it again
    // after every arming, so a request that finds no wait pending is seen too.
    m_stopping = true;
    SetEventMask(QueryEventMask());

    const DWORD joined = WaitForSingleObject(m_thread, timeoutMs);
    if (joined != WAIT_OBJECT_0) {
        // The thread still runs: keep its handle and the stop request.
        const LONG error = static_cast<LONG>(joined == WAIT_TIMEOUT ? ERROR_TIMEOUT : GetLastError());
        m_lastError = error;
        return error;
    }
    m_stopping = false;
    CloseHandle(m_thread);
    m_thread = nullptr;
    m_lastError = 0;
    return 0;
}

DWORD CSerialEventPort::TakeFiredEvents()
{
    const DWORD fired = std::atomic_ref<DWORD>(m_firedEvents).exchange(0);
    return fired & m_eventMask.load();
}

void CSerialEventPort::OnWatcherEnded(DWORD) {}

DWORD WINAPI CSerialEventPort::WatcherThreadProc(LPVOID param)
{
    auto* port = static_cast<CSerialEventPort*>(param);
    const DWORD exitCode = port->RunWatcher();
    if (exitCode != 0 && !port->m_stopping)
        port->OnWatcherEnded(exitCode);
    return exitCode;
}

void CSerialEventPort::AbandonArmedWait(OVERLAPPED& overlapped)
{
    // CancelIo touches only this thread's requests, i.e. the watcher's wait;
    // the result call returns once the device has let go of the record, at
    // once when the wait already completed.
    CancelIo(m_handle);
    DWORD unused = 0;
    GetOverlappedResult(m_handle, &overlapped, &unused, TRUE);
}

DWORD CSerialEventPort::RunWatcher()
{
    for (;;) {
        if (m_stopping)
            return 0;

        ResetEvent(m_watchEvent);
        OVERLAPPED overlapped;
        std::memset(&overlapped, 0, sizeof overlapped);
        overlapped.hEvent = m_watchEvent;
        const LONG armed = WaitForEvent(&overlapped, INFINITE);
        if (armed != 0)
            return static_cast<DWORD>(armed);

        // A stop request stored before this arming may have re-applied the
        // mask while no wait was pending, which wakes nothing.
        if (m_stopping) {
            AbandonArmedWait(overlapped);
            return 0;
        }

        if (WaitForSingleObject(m_watchEvent, INFINITE) != WAIT_OBJECT_0) {
            const DWORD error = GetLastError();
            m_lastError = static_cast<LONG>(error);
            // The wait may still be pending on the record in this frame.
            AbandonArmedWait(overlapped);
            return error;
        }
        if (m_stopping)
            return 0;

        const DWORD events = TakeFiredEvents();
        DWORD errors = 0;
        if (!ClearCommError(m_handle, &errors, nullptr)) {
            m_lastError = static_cast<LONG>(GetLastError());
            errors = 0;
        }
        if (events != 0)
            OnSerialEvent(events, errors);
        if (m_stopping)
            return 0;
    }
}
