#include "app/ReceiveLog.h"

#include "app/Startup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessaline::app {

ReceiveLog::~ReceiveLog()
{
    Close();
}

bool ReceiveLog::Open(const std::string& path)
{
    Close();
    m_path = path;
    m_failure.clear();
    // Anything but a regular file is refused before it is opened; a missing
    // one is created.
    struct stat info
    {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return Fail(RegularFileProblem(path));
    // Non-blocking, so that a FIFO swapped in meanwhile cannot hang the
    // open; the check after it refuses the FIFO.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail(std::strerror(errno));
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(RegularFileProblem(path));
    }
    m_fd = fd;
    m_buffer.reserve(kBufferSize);
    return true;
}

bool ReceiveLog::Close()
{
    if (m_fd < 0)
        return true;
    if (!Flush())
        return false;
    const int fd = m_fd;
    m_fd = -1;
    // A file system that writes later may report a failed write only here.
    if (::close(fd) != 0 && errno != EINTR) {
        m_failure = std::strerror(errno);
        return false;
    }
    return true;
}

bool ReceiveLog::Append(const void* data, std::size_t size)
{
    if (m_fd < 0 || size == 0)
        return m_fd >= 0;
    const char* bytes = static_cast<const char*>(data);
    if (m_buffer.size() + size > kBufferSize) {
        if (!Flush())
            return false;
        // A piece as large as the buffer goes out as it is.
        if (size >= kBufferSize)
            return WriteAll(bytes, size);
    }
    m_buffer.append(bytes, size);
    return true;
}

bool ReceiveLog::Flush()
{
    if (m_fd < 0)
        return false;
    if (m_buffer.empty())
        return true;
    const bool written = WriteAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return written;
}

bool ReceiveLog::WriteAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail(std::strerror(written < 0 ? errno : ENOSPC));
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReceiveLog::Fail(std::string reason)
{
    m_failure = std::move(reason);
    m_buffer.clear();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return false;
}

}  // namespace tessaline::app
