// Windows: the thread sleeps on a condition variable that Stop signals and
// wakes twice a second to ask the system whether it has the device's name.
// A COM port's name comes and goes with its driver (a USB adapter plugged
// in or out); asking for it opens nothing, so a port that another program
// holds is not disturbed. This runs only while the port is away.
#include "app/DeviceWatch.h"

#include "platform/win32.h"

#include <wx/string.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tessaline::app {
namespace {

// Whether the system has `path`: a device name ("\\.\COM3" or "COM3") that
// it maps to a device, or else anything the file system has at that name.
bool PathLeadsSomewhere(const std::string& path)
{
    const std::string prefix = "\\\\.\\";
    const std::string bare = path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
    wchar_t target[1024];
    if (QueryDosDeviceW(wxString::FromUTF8(bare).wc_str(), target, sizeof target / sizeof target[0]) != 0)
        return true;
    return GetFileAttributesW(wxString::FromUTF8(path).wc_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

struct DeviceWatch::Wait
{
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;  // under mutex
};

void DeviceWatch::WaitDeleter::operator()(Wait* wait) const
{
    delete wait;
}

bool DeviceWatch::OpenWait()
{
    m_wait.reset(new Wait);
    return true;
}

void DeviceWatch::Stop()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_wait->mutex);
            m_wait->stop = true;
        }
        m_wait->wake.notify_all();
        m_thread.join();
    }
    m_wait.reset();
}

void DeviceWatch::Run()
{
    Wait& wait = *m_wait;
    for (;;) {
        const bool present = PathLeadsSomewhere(m_path);
        if (present)
            m_notify();
        const auto period = std::chrono::milliseconds(present ? kRetryMs : kFallbackCheckMs);
        std::unique_lock lock(wait.mutex);
        if (wait.wake.wait_for(lock, period, [&wait] { return wait.stop; }))
            return;
    }
}

}  // namespace tessaline::app
