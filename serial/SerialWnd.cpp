#include "serial/SerialWnd.h"

const UINT CSerialWnd::s_defaultComMsg = RegisterWindowMessageA("CSerialWnd_DefaultComMsg");
const UINT CSerialWnd::s_watcherEndedMsg = RegisterWindowMessageA("CSerialWnd_WatcherEndedMsg");

CSerialWnd::CSerialWnd() : m_targetWnd(nullptr), m_notifyMsg(0), m_notifyParam(0) {}

CSerialWnd::~CSerialWnd()
{
    if (m_thread != nullptr) {
        CSerialWnd::Close();
        if (m_thread != nullptr && JoinWatcherAsLastResort())
            CSerialWnd::Close();
    }
}

LONG CSerialWnd::Open(const char* deviceName, HWND targetWnd, UINT message, LPARAM param, DWORD inQueueSize,
                      DWORD outQueueSize)
{
    const LONG status = CSerialEventPort::Open(deviceName, inQueueSize, outQueueSize, false);
    if (status != 0)
        return status;

    // Everything the watcher reads is in place before it starts.
    m_targetWnd = targetWnd;
    m_notifyMsg = message != 0 ? message : s_defaultComMsg;
    m_notifyParam = param;

    const LONG started = StartWatcher();
    if (started != 0) {
        Close();
        m_lastError = started;
        return started;
    }
    m_lastError = 0;
    return 0;
}

LONG CSerialWnd::Close()
{
    // Notifications stop only once the watcher has: after a failed join the
    // port stays open, and its watcher still reports to the window.
    const LONG status = CSerialEventPort::Close();
    if (m_thread == nullptr) {
        m_targetWnd = nullptr;
        m_notifyMsg = 0;
    }
    return status;
}

LONG CSerialWnd::OnSerialEvent(DWORD events, DWORD errors)
{
    const WPARAM wParam = (static_cast<WPARAM>(errors & 0xFFFF) << 16) | (events & 0xFFFF);
    return PostMessageA(m_targetWnd.load(), m_notifyMsg.load(), wParam, m_notifyParam.load());
}

void CSerialWnd::OnWatcherEnded(DWORD error)
{
    PostMessageA(m_targetWnd.load(), s_watcherEndedMsg, static_cast<WPARAM>(error), m_notifyParam.load());
}

CSerialWndObj::~CSerialWndObj()
{
    if (m_thread != nullptr) {
        CSerialWnd::Close();
        if (m_thread != nullptr && JoinWatcherAsLastResort())
            CSerialWnd::Close();
    }
}

LONG CSerialWndObj::Open(const char* deviceName, CWnd* wndObject, UINT message, LPARAM param, DWORD inQueueSize,
                         DWORD outQueueSize)
{
    HWND targetWnd = wndObject != nullptr ? wndObject->m_hWnd : nullptr;
    return CSerialWnd::Open(deviceName, targetWnd, message, param, inQueueSize, outQueueSize);
}
