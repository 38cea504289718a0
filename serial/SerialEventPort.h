// CSerialEventPort: a serial port that is always opened for overlapped I/O
// and runs one watcher thread. The watcher keeps a wait for communication
// events armed on the device and hands each completed wait's events, with the
// device's line-error word, to OnSerialEvent, which a derived class provides.
//
// Threading: the owner thread calls Open, Close, StartWatcher, StopWatcher
// and every read, write and setting; OnSerialEvent runs on the watcher
// thread and must not call Close or StopWatcher on its own port. The watcher
// waits on m_watchEvent only, never on the port's own event, so reads and
// writes on the owner thread run while its wait is pending. m_stopping is
// atomic; the handles are created before the watcher starts and closed only
// after it has been joined: a destructor whose join fails wakes the watcher
// again and waits for it without a time-out, and leaves every handle open
// if even that fails. A class that implements OnSerialEvent stops the
// watcher in its own destructor.
#pragma once

#include "serial/SerialPort.h"

#include <atomic>

class CSerialEventPort : public CSerialPort
{
public:
    CSerialEventPort();
    ~CSerialEventPort() override;

    // Opens for overlapped I/O, creates the watch event and, when
    // startWatcher, starts the watcher. A failing StartWatcher is returned
    // with the port left open.
    LONG Open(const char* deviceName, DWORD inQueueSize, DWORD outQueueSize, bool startWatcher) override;
    // Stops and joins the watcher, closes the watch event and the port.
    LONG Close() override;

    // Starts the watcher; does nothing (0) when a watcher handle is held.
    virtual LONG StartWatcher();
    // Asks the watcher to stop, wakes it and joins it for up to timeoutMs.
    // Returns 0 with the handle released once the thread has ended;
    // ERROR_TIMEOUT (or the join's error) with the thread kept otherwise, so
    // that a later StopWatcher or Close finishes the job.
    virtual LONG StopWatcher(DWORD timeoutMs);
    // Called on the watcher thread with the fired events (never 0) and the
    // line-error word of one completed wait; the result is ignored.
    virtual LONG OnSerialEvent(DWORD events, DWORD errors) = 0;
    // Called once on the watcher thread when the watcher ends on an error
    // (a lost device, a failed wait), never when it ends on a stop request;
    // the default does nothing.
    virtual void OnWatcherEnded(DWORD error);

protected:
    // For destructors whose Close could not join the watcher: wakes it again
    // (stop flag and mask) and joins it without a time-out. True once the
    // watcher has ended, so that the caller can close again; false when
    // even this join failed, and then no handle is ever closed.
    bool JoinWatcherAsLastResort();
    // Fired events still in the event mask; clears the event word.
    DWORD TakeFiredEvents();
    // The watcher loop; returns the thread's exit code.
    DWORD RunWatcher();
    static DWORD WINAPI WatcherThreadProc(LPVOID param);

    std::atomic<bool> m_stopping;
    HANDLE m_thread;
    HANDLE m_watchEvent;

private:
    // Ends a watcher that found a stop request right after arming: its wait
    // is cancelled and finished before the record on its stack goes away.
    void AbandonArmedWait(OVERLAPPED& overlapped);
};
