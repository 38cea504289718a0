// DeviceWatch: waits for a device path to come back, at no cost while it
// is away. A thread of its own blocks in poll() on an inotify descriptor
// and an eventfd that Stop signals. It watches the folder of the path for
// the path's name (created, moved in, attributes changed, removed), or,
// while that folder is missing (/dev/serial/by-id goes when the last
// adapter goes), the nearest folder above it that exists for the name of
// the next folder down; where the path is a symbolic link, the place of its
// target is watched the same way. At the start, and whenever a watched
// name changes or a watched folder goes (the watches are then set again),
// Notify is called if the path leads to something. While it does, Notify is called again once a
// second, for an owner whose open failed (udev may still be setting the
// device's permissions); the owner stops the watch once its open worked.
// Where a folder cannot be watched, the path is checked twice a second
// instead.
//
// Threading: Start and Stop (and the destructor, which stops) on the owner
// thread; Notify runs on the watch thread and must only pass the news on.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tessaline::app {

class DeviceWatch
{
public:
    static constexpr int kRetryMs = 1000;
    static constexpr int kFallbackCheckMs = 500;

    DeviceWatch(std::string path, std::function<void()> notify);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    // Starts the thread; false when the descriptors or the thread cannot be
    // had.
    bool Start();
    // Ends the thread and waits for it.
    void Stop();

    const std::string& Path() const { return m_path; }

private:
    struct Watched
    {
        int descriptor;
        std::string name;
    };

    void Run();
    // Sets the watches for the path and its link targets; false when a
    // folder could not be watched.
    bool Arm();
    // Reads the queued events; true when one concerns a watched name or
    // folder.
    bool TakeEvents();
    bool PathLeadsSomewhere() const;

    std::string m_path;
    std::function<void()> m_notify;
    int m_inotify = -1;
    int m_stop = -1;
    std::thread m_thread;
    // Watch thread only.
    std::vector<Watched> m_watched;
};

}  // namespace tessaline::app
