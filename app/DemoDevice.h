// DemoDevice: a virtual serial device served inside the process, so that
// the program shows data both ways without hardware. It is a
// pseudo-terminal whose far end echoes every byte it receives and, while the
// device is open, sends a short line of telemetry about once a second.
// DevicePath() is what the port opens.
//
// While nobody has the device open the pseudo-terminal reports a hang-up
// that cannot be waited away, so the serving thread then checks every tenth
// of a second whether it has been opened; it sends nothing meanwhile.
//
// Threading: Start and Stop on one thread; the device is served on a thread
// of its own, which Stop joins. The line counter is atomic.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace tessaline::app {

class DemoDevice
{
public:
    DemoDevice() = default;
    ~DemoDevice();
    DemoDevice(const DemoDevice&) = delete;
    DemoDevice& operator=(const DemoDevice&) = delete;

    // Creates the pseudo-terminal and starts serving it; false (with errno
    // set) when no pseudo-terminal can be had. A second Start does nothing.
    bool Start();
    // Stops serving and closes the device; safe to call more than once.
    void Stop();

    bool IsRunning() const { return m_master >= 0; }
    const std::string& DevicePath() const { return m_devicePath; }
    // The telemetry line numbered `sequence`, CR LF at the end.
    static std::string TelemetryLine(std::uint64_t sequence);

private:
    friend class TestPeer;

    void Serve();
    bool WriteAll(const char* data, std::size_t length);
    bool PeerOpen() const;

    int m_master = -1;
    int m_stopPipe[2] = {-1, -1};
    std::string m_devicePath;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_linesSent{0};
};

}  // namespace tessaline::app
