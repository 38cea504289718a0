#include "app/DemoDevice.h"
#include "app/TestPeer.h"
#include "tests/support/HexText.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <regex>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace tessaline::app {
namespace {

using namespace std::chrono_literals;

// The device end as the program opens it: raw, non-blocking.
class DeviceEnd
{
public:
    explicit DeviceEnd(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        if (m_fd >= 0) {
            termios settings{};
            ::tcgetattr(m_fd, &settings);
            ::cfmakeraw(&settings);
            ::tcsetattr(m_fd, TCSANOW, &settings);
        }
    }
    ~DeviceEnd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }

    bool Write(const std::string& data) { return ::write(m_fd, data.data(), data.size()) == ssize_t(data.size()); }

    // Reads until `done` says so or the deadline passes; returns what came.
    template <typename Done>
    std::string ReadUntil(Done done, std::chrono::milliseconds limit = 10s)
    {
        std::string received;
        testing::WaitUntil(
            [&] {
                char buffer[512];
                const ssize_t got = ::read(m_fd, buffer, sizeof buffer);  // the device end does not block
                if (got > 0)
                    received.append(buffer, static_cast<std::size_t>(got));
                return done(received);
            },
            limit);
        return received;
    }

private:
    int m_fd;
};

// The received data without the telemetry lines the device sent meanwhile.
std::string WithoutTelemetry(std::string data, const DemoDevice& device)
{
    for (std::uint64_t line = TestPeer::LinesSent(device) + 1; line >= 1; --line) {
        const std::string text = DemoDevice::TelemetryLine(line);
        for (std::size_t at = data.find(text); at != std::string::npos; at = data.find(text))
            data.erase(at, text.size());
    }
    return data;
}

TEST(DemoDevice, SendsTelemetryLinesWhileOpen)
{
    DemoDevice device;
    ASSERT_TRUE(device.Start());
    DeviceEnd end(device.DevicePath());
    ASSERT_TRUE(end.IsOpen());

    const std::regex line("DEMO [0-9]{6} T=[0-9]+\\.[0-9]C OK\r\n");
    const std::string received = end.ReadUntil([&](const std::string& got) {
        return std::distance(std::sregex_iterator(got.begin(), got.end(), line), std::sregex_iterator()) >= 2;
    });
    EXPECT_EQ(std::distance(std::sregex_iterator(received.begin(), received.end(), line), std::sregex_iterator()), 2)
        << received;
    EXPECT_EQ(received.substr(0, DemoDevice::TelemetryLine(1).size()), DemoDevice::TelemetryLine(1));
}

TEST(DemoDevice, EchoesEveryByteValueAlsoAfterTheDeviceWasClosedAndReopened)
{
    DemoDevice device;
    ASSERT_TRUE(device.Start());
    for (const std::string& probe : {testing::CountingBytes(256), std::string("second")}) {
        DeviceEnd end(device.DevicePath());
        ASSERT_TRUE(end.IsOpen());
        ASSERT_TRUE(end.Write(probe));
        const std::string echoed =
            end.ReadUntil([&](const std::string& got) { return WithoutTelemetry(got, device).size() >= probe.size(); });
        EXPECT_EQ(WithoutTelemetry(echoed, device), probe);
    }
}

TEST(DemoDevice, SendsNoTelemetryWhileNobodyHasItOpen)
{
    DemoDevice device;
    ASSERT_TRUE(device.Start());
    std::this_thread::sleep_for(1500ms);  // longer than one telemetry period
    EXPECT_EQ(TestPeer::LinesSent(device), 0u);
}

TEST(DemoDevice, StopJoinsTheThreadAndClosesTheDevice)
{
    const std::size_t fds = testing::OpenFdCount();
    const std::size_t threads = testing::ThreadCount();
    std::string path;
    {
        DemoDevice device;
        ASSERT_TRUE(device.Start());
        ASSERT_TRUE(device.Start());  // a second start changes nothing
        path = device.DevicePath();
        EXPECT_EQ(testing::ThreadCount(), threads + 1);
        DeviceEnd end(path);
        ASSERT_TRUE(end.IsOpen());
        device.Stop();
        EXPECT_FALSE(device.IsRunning());
        device.Stop();
    }
    EXPECT_EQ(testing::OpenFdCount(), fds);
    EXPECT_EQ(testing::ThreadCount(), threads);
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << "the device node outlived the device";
}

}  // namespace
}  // namespace tessaline::app
