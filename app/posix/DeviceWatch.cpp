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

bool PathLeadsSomewhere(const std::string& path)
{
    struct stat info
    {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

// An inotify descriptor with the watches on the way to the path, and an
// eventfd that Stop signals.
struct DeviceWatch::Wait
{
    struct Watched
    {
        int descriptor;
        std::string name;
    };

    int stop = -1;
    int inotify = -1;
    std::vector<Watched> watched;  // watch thread only

    ~Wait()
    {
        for (int fd : {stop, inotify}) {
            if (fd >= 0)
                ::close(fd);
        }
    }

    // Sets the watches for `path` and its link targets; false when a folder
    // could not be watched.
    bool Arm(const std::string& path);
    // Reads the queued events; true when one concerns a watched name or
    // folder.
    bool TakeEvents();
};

void DeviceWatch::WaitDeleter::operator()(Wait* wait) const
{
    delete wait;
}

bool DeviceWatch::OpenWait()
{
    m_wait.reset(new Wait);
    m_wait->stop = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // Without inotify the path is checked twice a second instead.
    m_wait->inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return m_wait->stop >= 0;
}

void DeviceWatch::Stop()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        while (::write(m_wait->stop, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    m_wait.reset();
}

void DeviceWatch::Run()
{
    // The device may have come back already.
    Wait& wait = *m_wait;
    bool watching = wait.Arm(m_path);
    bool present = PathLeadsSomewhere(m_path);
    if (present)
        m_notify();
    for (;;) {
        const int timeout = present ? kRetryMs : watching ? -1 : kFallbackCheckMs;
        pollfd fds[2] = {{wait.stop, POLLIN, 0}, {wait.inotify, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents != 0)
            return;
        bool check = ready == 0;
        if ((fds[1].revents & POLLIN) != 0 && wait.TakeEvents()) {
            watching = wait.Arm(m_path);
            check = true;
        }
        if (!check)
            continue;
        present = PathLeadsSomewhere(m_path);
        if (present)
            m_notify();
    }
}

bool DeviceWatch::Wait::Arm(const std::string& path)
{
    if (inotify < 0)
        return false;
    bool all = true;
    std::vector<Watched> now;
    for (const std::string& step : PathAndLinkTargets(path)) {
        // The nearest folder that exists, and the name in it that leads on
        // towards the path.
        std::string folder = ParentOf(step), name = NameOf(step);
        while (folder != "/" && folder != "." && !IsFolder(folder)) {
            name = NameOf(folder);
            folder = ParentOf(folder);
        }
        const int descriptor = ::inotify_add_watch(inotify, folder.c_str(), kFolderEvents);
        if (descriptor < 0)
            all = false;
        else
            now.push_back({descriptor, name});
    }
    // Folders no longer on the way are let go; a folder watched again keeps
    // its descriptor.
    for (const Watched& old : watched) {
        if (std::none_of(now.begin(), now.end(),
                         [&](const Watched& kept) { return kept.descriptor == old.descriptor; }))
            ::inotify_rm_watch(inotify, old.descriptor);
    }
    watched = std::move(now);
    return all;
}

bool DeviceWatch::Wait::TakeEvents()
{
    bool concerned = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(inotify, buffer, sizeof buffer);
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
            concerned |= std::any_of(watched.begin(), watched.end(), [&](const Watched& one) {
                return one.descriptor == event->wd && (folderGone || one.name == name);
            });
        }
    }
}

}  // namespace tessaline::app
