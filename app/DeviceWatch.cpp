// The device watch's life cycle, the same on every system; the wait itself
// is the system's (posix/DeviceWatch.cpp, win32/DeviceWatch.cpp).
#include "app/DeviceWatch.h"

#include <system_error>

namespace tessaline::app {

DeviceWatch::DeviceWatch(std::string path, std::function<void()> notify)
    : m_path(std::move(path)), m_notify(std::move(notify))
{}

DeviceWatch::~DeviceWatch()
{
    Stop();
}

bool DeviceWatch::Start()
{
    if (m_thread.joinable())
        return true;
    if (!OpenWait())
        return false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

}  // namespace tessaline::app
