// POSIX: a file descriptor, opened with O_NONBLOCK so that a FIFO swapped in
// cannot hang the open; fstat after the open refuses it.
#include "app/RegularFile.h"

#include "app/Startup.h"
#include "res/Strings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessaline::app {

RegularFile::~RegularFile()
{
    Close();
}

std::string RegularFile::OpenForReading(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    struct stat info
    {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return res::FormatString(IDS_PROBLEM_NOT_REGULAR);
    }
    m_handle = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
    return {};
}

std::string RegularFile::OpenForAppending(const std::string& path)
{
    Close();
    // Anything but a regular file is refused before it is opened.
    struct stat info
    {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return RegularFileProblem(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        const std::string problem = RegularFileProblem(path);
        return problem.empty() ? res::FormatString(IDS_PROBLEM_NOT_REGULAR) : problem;
    }
    m_handle = fd;
    m_size = static_cast<std::uint64_t>(info.st_size);
    return {};
}

std::ptrdiff_t RegularFile::Read(void* data, std::size_t size, std::string* error)
{
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(m_handle), data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            *error = std::strerror(errno);
        return got;
    }
}

std::string RegularFile::Write(const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(m_handle), bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return std::strerror(written < 0 ? errno : ENOSPC);
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

std::string RegularFile::Close()
{
    if (!IsOpen())
        return {};
    const int fd = static_cast<int>(m_handle);
    m_handle = kClosed;
    if (::close(fd) != 0 && errno != EINTR)
        return std::strerror(errno);
    return {};
}

}  // namespace tessaline::app
