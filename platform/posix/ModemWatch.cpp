#include "platform/posix/ModemWatch.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <pthread.h>
#include <sys/ioctl.h>
#include <system_error>

namespace tessaline::platform {
namespace {

extern "C" void IgnoreWakeSignal(int) {}

// Installs the do-nothing handler of the wake signal once for the process;
// true when it is in place.
bool InstallWakeHandler()
{
    static const bool installed = [] {
        struct sigaction action
        {};
        action.sa_handler = IgnoreWakeSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the interrupted wait must end
        return sigaction(ModemWatch::WakeSignal(), &action, nullptr) == 0;
    }();
    return installed;
}

}  // namespace

int ModemWatch::WakeSignal()
{
    return SIGRTMIN + 5;
}

std::unique_ptr<ModemWatch> ModemWatch::Start(int fd, int lines, Report report)
{
    // Without the handler the signal's default action would end the process.
    if (!InstallWakeHandler())
        return nullptr;
    std::unique_ptr<ModemWatch> watch(new ModemWatch(fd, lines, std::move(report)));
    try {
        watch->m_thread = std::thread(&ModemWatch::Run, watch.get());
    } catch (const std::system_error&) {
        return nullptr;
    }
    return watch;
}

ModemWatch::ModemWatch(int fd, int lines, Report report) : m_fd(fd), m_lines(lines), m_report(std::move(report)) {}

ModemWatch::~ModemWatch()
{
    Stop();
}

void ModemWatch::Run()
{
    // The thread that started the watch may block the signal; this one must
    // receive it.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    while (!m_stopping.load()) {
        // Read before every wait, so that a change made since the last
        // reading (or since the watch was started) is not missed.
        int lines = 0;
        if (ioctl(m_fd, TIOCMGET, &lines) != 0)
            break;
        m_report(lines);
        if (m_stopping.load())
            break;
        if (ioctl(m_fd, TIOCMIWAIT, static_cast<unsigned long>(m_lines)) != 0 && errno != EINTR)
            break;
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_ended.notify_all();
}

void ModemWatch::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stopping.store(true);
    {
        std::unique_lock lock(m_mutex);
        auto pause = std::chrono::milliseconds(1);
        while (!m_finished) {
            pthread_kill(m_thread.native_handle(), WakeSignal());
            m_ended.wait_for(lock, pause, [this] { return m_finished; });
            pause = std::min(pause * 2, std::chrono::milliseconds(100));
        }
    }
    m_thread.join();
}

}  // namespace tessaline::platform
