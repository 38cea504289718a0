// CSerialWnd: an event port that posts every watcher report to a window as
// one message: WPARAM = (errors & 0xFFFF) << 16 | (events & 0xFFFF), LPARAM =
// the opener's parameter, message = the opener's number or s_defaultComMsg.
// CSerialWndObj is the same, opened with a framework window object instead of
// a native handle.
//
// Threading: Open and Close run on the owner thread; OnSerialEvent runs on
// the watcher thread and only reads the three notification members (atomic;
// Close clears them once the watcher has stopped) and posts. The
// receiver handles the message on the thread that owns the window.
#pragma once

#include "serial/SerialEventPort.h"

#include <atomic>

// The least of a framework window object that the serial layer needs: the
// native handle it wraps (null for none).
class CWnd
{
public:
    virtual ~CWnd() = default;
    HWND m_hWnd = nullptr;
};

class CSerialWnd : public CSerialEventPort
{
public:
    // The message registered as "CSerialWnd_DefaultComMsg" during static
    // initialisation; posted when the opener names no message of its own.
    static const UINT s_defaultComMsg;
    // The message registered as "CSerialWnd_WatcherEndedMsg" during static
    // initialisation; posted once when the watcher ends on an error, with
    // WPARAM = the error and LPARAM = the opener's parameter.
    static const UINT s_watcherEndedMsg;

    CSerialWnd();
    ~CSerialWnd() override;

    // The event port's own Open stays available; it sets no destination.
    using CSerialEventPort::Open;

    LONG Close() override;
    LONG OnSerialEvent(DWORD events, DWORD errors) override;
    void OnWatcherEnded(DWORD error) override;

    // Opens the port, records the destination (not validated; null posts
    // nowhere), the message (0 means s_defaultComMsg) and the parameter, and
    // starts the watcher; a failing start closes the port again.
    virtual LONG Open(const char* deviceName, HWND targetWnd, UINT message, LPARAM param, DWORD inQueueSize,
                      DWORD outQueueSize);

protected:
    std::atomic<HWND> m_targetWnd;
    std::atomic<UINT> m_notifyMsg;
    std::atomic<LPARAM> m_notifyParam;
};

class CSerialWndObj : public CSerialWnd
{
public:
    CSerialWndObj() = default;
    // Stops the watcher before this level is left, so that the watcher never
    // meets the object in the middle of its destruction.
    ~CSerialWndObj() override;

    using CSerialWnd::Open;

    // As CSerialWnd's Open, with the handle that wndObject wraps.
    virtual LONG Open(const char* deviceName, CWnd* wndObject, UINT message, LPARAM param, DWORD inQueueSize,
                      DWORD outQueueSize);
};
