#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace tessaline::testing {

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty failed: errno " << errno;
        return;
    }
    m_slavePath = name;
    termios raw{};
    tcgetattr(m_master, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_master, TCSANOW, &raw);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (m_slave >= 0)
        close(m_slave);
}

bool PtyPair::Write(const void* data, std::size_t length)
{
    auto bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = write(m_master, bytes, length);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd fd{m_master, POLLOUT, 0};
                poll(&fd, 1, 100);
                continue;
            }
            return false;
        }
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string PtyPair::Read(std::size_t length, int timeoutMs)
{
    std::string result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (result.size() < length) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            break;
        pollfd fd{m_master, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left)) <= 0)
            continue;
        char buffer[4096];
        const std::size_t want = std::min(sizeof buffer, length - result.size());
        const ssize_t n = read(m_master, buffer, want);
        if (n <= 0)
            break;
        result.append(buffer, static_cast<std::size_t>(n));
    }
    return result;
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}

bool PtyPair::HoldOutput(bool held)
{
    return m_slave >= 0 && tcflow(m_slave, held ? TCOOFF : TCOON) == 0;
}

std::size_t OpenFdCount()
{
    std::size_t count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

std::size_t ThreadCount()
{
    std::size_t count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        closedir(dir);
    }
    return count;
}

long long ProcessCpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec +
           usage.ru_stime.tv_usec;
}

}  // namespace tessaline::testing
