#include "app/DemoDevice.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tessaline::app {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kTelemetryPeriod = std::chrono::seconds(1);
constexpr int kIdleCheckMs = 100;

void CloseFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

DemoDevice::~DemoDevice()
{
    Stop();
}

bool DemoDevice::Start()
{
    if (m_master >= 0)
        return true;
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return false;
    // Raw from the start, so that nothing the device sends is rewritten
    // before the port puts the line into raw mode itself.
    termios settings{};
    if (::tcgetattr(slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    ::close(slave);
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(master);
        errno = saved;
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_devicePath = name;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void DemoDevice::Stop()
{
    if (m_thread.joinable()) {
        const char stop = 1;
        while (::write(m_stopPipe[1], &stop, 1) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    CloseFd(m_master);
    CloseFd(m_stopPipe[0]);
    CloseFd(m_stopPipe[1]);
}

std::string DemoDevice::TelemetryLine(std::uint64_t sequence)
{
    // A slowly wandering temperature, so that successive lines differ.
    const double temperature = 21.5 + 2.0 * std::sin(static_cast<double>(sequence) / 10.0);
    char line[96];
    std::snprintf(line, sizeof line, "DEMO %06llu T=%.1fC OK\r\n", static_cast<unsigned long long>(sequence),
                  temperature);
    return line;
}

bool DemoDevice::PeerOpen() const
{
    pollfd probe{m_master, POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0)
        return false;
    return (probe.revents & (POLLHUP | POLLERR)) == 0;
}

bool DemoDevice::WriteAll(const char* data, std::size_t length)
{
    while (length > 0) {
        const ssize_t written = ::write(m_master, data, length);
        if (written > 0) {
            data += written;
            length -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN)
            return false;
        // The port is not reading: wait for room, or for Stop.
        pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (fds[0].revents != 0)
            return false;
        if (fds[1].revents & (POLLHUP | POLLERR))
            return false;
    }
    return true;
}

void DemoDevice::Serve()
{
    bool peerOpen = false;
    Clock::time_point nextLine{};
    char buffer[4096];
    for (;;) {
        if (!peerOpen) {
            pollfd stop{m_stopPipe[0], POLLIN, 0};
            const int ready = ::poll(&stop, 1, kIdleCheckMs);
            if (ready > 0)
                return;
            if (PeerOpen()) {
                peerOpen = true;
                nextLine = Clock::now() + kTelemetryPeriod;
            }
            continue;
        }

        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextLine - Clock::now());
        const int timeoutMs = wait.count() < 0 ? 0 : static_cast<int>(wait.count()) + 1;
        pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents & POLLIN) {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got > 0) {
                if (!WriteAll(buffer, static_cast<std::size_t>(got)) && !PeerOpen())
                    peerOpen = false;
                continue;
            }
        }
        if (fds[1].revents & (POLLHUP | POLLERR)) {
            peerOpen = false;
            continue;
        }
        if (Clock::now() >= nextLine) {
            const std::string line = TelemetryLine(m_linesSent.load() + 1);
            // Telemetry is dropped rather than queued when the port is not
            // reading; echoes are never dropped.
            const ssize_t written = ::write(m_master, line.data(), line.size());
            if (written > 0 && written < static_cast<ssize_t>(line.size()))
                WriteAll(line.data() + written, line.size() - static_cast<std::size_t>(written));
            if (written > 0)
                m_linesSent.fetch_add(1);
            nextLine += kTelemetryPeriod;
            if (nextLine < Clock::now())
                nextLine = Clock::now() + kTelemetryPeriod;
        }
    }
}

}  // namespace tessaline::app
