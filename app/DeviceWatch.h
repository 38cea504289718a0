// DeviceWatch: waits for a device path to come back, at no cost while it
// is away, and calls Notify while the path leads to something: at the start,
// whenever it may have come back, and again once a second (kRetryMs) for an
// owner whose open failed (udev may still be setting the device's
// permissions); the owner stops the watch once its open worked.
//
// How it waits is the system's (app/posix/DeviceWatch.cpp,
// app/win32/DeviceWatch.cpp). POSIX: a thread of its own blocks in poll() on
// an inotify descriptor and an eventfd that Stop signals. It watches the
// folder of the path for the path's name (created, moved in, attributes
// changed, removed), or, while that folder is missing (/dev/serial/by-id
// goes when the last adapter goes), the nearest folder above it that exists
// for the name of the next folder down; where the path is a symbolic link,
// the place of its target is watched the same way. Whenever a watched name
// changes or a watched folder goes (the watches are then set again), the
// path is looked at. Where a folder cannot be watched, the path is checked
// twice a second (kFallbackCheckMs) instead. Windows: nothing tells of a COM
// port's return without a window to receive it, so the thread checks twice
// a second whether the system has the device name, which opens nothing.
//
// Threading: Start and Stop (and the destructor, which stops) on the owner
// thread; Notify runs on the watch thread and must only pass the news on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

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
    // What the thread waits on, and what it keeps between waits: the
    // system's, defined with Run in its DeviceWatch.cpp.
    struct Wait;
    // Deletes a Wait where its type is whole, so that this header needs only
    // its name.
    struct WaitDeleter
    {
        void operator()(Wait* wait) const;
    };

    // Makes m_wait ready for a new thread; false when what the thread waits
    // on cannot be had.
    bool OpenWait();
    void Run();

    std::string m_path;
    std::function<void()> m_notify;
    std::unique_ptr<Wait, WaitDeleter> m_wait;
    std::thread m_thread;
};

}  // namespace tessaline::app
