#include "app/DeviceWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <system_error>

namespace tessaline::app {
namespace {

constexpr std::uint32_t kFolderEvents =
    IN_CREATE | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Links followed from the path at most, as the kernel does before ELOOP.
constexpr int kMaxLinks = 8;

std::string ParentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path)
{
    struct stat info
    {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The path, then the target of each symbolic link along the way.
std::vector<std::string> PathAndLinkTargets(const std::string& path)
{
    std::vector<std::string> chain{path};
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(chain.back().c_str(), target, sizeof target - 1);
        if (length <= 0)
            break;
        std::string next(target, static_cast<std::size_t>(length));
        if (next.front() != '/')
            next = ParentOf(chain.back()) + "/" + next;
        chain.push_back(std::move(next));
    }
    return chain;
}

}  // namespace

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
    m_stop = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Without inotify the path is checked twice a second instead.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_stop < 0)
        return false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DeviceWatch::Stop()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        while (::write(m_stop, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    for (int* fd : {&m_stop, &m_inotify}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_watched.clear();
}

void DeviceWatch::Run()
{
    // The device may have come back already.
    bool watching = Arm();
    bool present = PathLeadsSomewhere();
    if (present)
        m_notify();
    for (;;) {
        const int timeout = present ? kRetryMs : watching ? -1 : kFallbackCheckMs;
        pollfd fds[2] = {{m_stop, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            return;
        bool check = ready == 0;
        if ((fds[1].revents & POLLIN) != 0 && TakeEvents()) {
            watching = Arm();
            check = true;
        }
        if (!check)
            continue;
        present = PathLeadsSomewhere();
        if (present)
            m_notify();
    }
}

bool DeviceWatch::Arm()
{
    if (m_inotify < 0)
        return false;
    bool all = true;
    std::vector<Watched> watched;
    for (const std::string& path : PathAndLinkTargets(m_path)) {
        // The nearest folder that exists, and the name in it that leads on
        // towards the path.
        std::string folder = ParentOf(path), name = NameOf(path);
        while (folder != "/" && folder != "." && !IsFolder(folder)) {
            name = NameOf(folder);
            folder = ParentOf(folder);
        }
        const int descriptor = ::inotify_add_watch(m_inotify, folder.c_str(), kFolderEvents);
        if (descriptor < 0)
            all = false;
        else
            watched.push_back({descriptor, name});
    }
    // Folders no longer on the way are let go; a folder watched again keeps
    // its descriptor.
    for (const Watched& old : m_watched) {
        if (std::none_of(watched.begin(), watched.end(),
                         [&](const Watched& now) { return now.descriptor == old.descriptor; }))
            ::inotify_rm_watch(m_inotify, old.descriptor);
    }
    m_watched = std::move(watched);
    return all;
}

bool DeviceWatch::TakeEvents()
{
    bool concerned = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return concerned;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                concerned = true;
                continue;
            }
            const bool folderGone = (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) != 0;
            const std::string name = event->len > 0 ? std::string(event->name) : std::string();
            concerned |= std::any_of(m_watched.begin(), m_watched.end(), [&](const Watched& watched) {
                return watched.descriptor == event->wd && (folderGone || watched.name == name);
            });
        }
    }
}

bool DeviceWatch::PathLeadsSomewhere() const
{
    struct stat info
    {};
    return ::stat(m_path.c_str(), &info) == 0;
}

}  // namespace tessaline::app
