// Watches the input modem lines (CTS, DSR, RI, DCD) of a terminal on a
// thread of its own and reports their state after every change.
//
// Linux tells about line changes only through ioctl(TIOCMIWAIT), a wait that
// no descriptor can end: only a signal interrupts it. The watch thread blocks
// there for the lines it was given, then reads them with TIOCMGET and hands
// them to its report function; it uses no CPU while the lines are quiet.
// Stopping sends the thread kWakeSignal (SIGRTMIN + 5) with pthread_kill.
// That signal gets a handler that does nothing, installed once for the whole
// process without SA_RESTART, so that the wait ends with EINTR; the thread
// keeps it unblocked. A signal that comes just before the thread enters the
// wait is lost, so the stopper sends it again, at growing intervals, until
// the thread has ended.
//
// A change that happens between the thread's reading of the lines and its
// next wait is seen at the following change only: TIOCMIWAIT counts changes
// from the moment it is entered. When the wait fails with anything but EINTR
// (the device is gone, or its driver cannot wait for lines), the thread ends.
//
// Threading: Start and Stop (and the destructor) may be called from any
// thread, but not concurrently on one object. The report function runs on
// the watch thread; it must not stop its own watch.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tessaline::platform {

class ModemWatch
{
public:
    // Called with the TIOCM_ bits TIOCMGET gave after a change.
    using Report = std::function<void(int lines)>;

    // Starts watching `lines` (TIOCM_CTS, TIOCM_DSR, TIOCM_RNG, TIOCM_CD) of
    // the terminal `fd`, which must stay open until the watch has stopped.
    // Returns null when no thread can be started.
    static std::unique_ptr<ModemWatch> Start(int fd, int lines, Report report);

    // The signal that ends the thread's wait.
    static int WakeSignal();

    ModemWatch(const ModemWatch&) = delete;
    ModemWatch& operator=(const ModemWatch&) = delete;
    ~ModemWatch();

    int Lines() const { return m_lines; }

    // Ends the thread and waits for it. Idempotent.
    void Stop();

private:
    ModemWatch(int fd, int lines, Report report);
    void Run();

    const int m_fd;
    const int m_lines;
    const Report m_report;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_finished = false;  // the thread left its loop
    std::thread m_thread;
};

}  // namespace tessaline::platform
