#include "app/ReceiveLog.h"

#include <utility>

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
    // A missing file is created; an existing one is continued.
    if (std::string problem = m_file.OpenForAppending(path); !problem.empty())
        return Fail(std::move(problem));
    m_buffer.reserve(kBufferSize);
    return true;
}

bool ReceiveLog::Close()
{
    if (!m_file.IsOpen())
        return true;
    if (!Flush())
        return false;
    // A file system that writes later may report a failed write only here.
    if (std::string problem = m_file.Close(); !problem.empty()) {
        m_failure = std::move(problem);
        return false;
    }
    return true;
}

bool ReceiveLog::Append(const void* data, std::size_t size)
{
    if (!m_file.IsOpen() || size == 0)
        return m_file.IsOpen();
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
    if (!m_file.IsOpen())
        return false;
    if (m_buffer.empty())
        return true;
    const bool written = WriteAll(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    return written;
}

bool ReceiveLog::WriteAll(const char* data, std::size_t size)
{
    std::string problem = m_file.Write(data, size);
    return problem.empty() || Fail(std::move(problem));
}

bool ReceiveLog::Fail(std::string reason)
{
    m_failure = std::move(reason);
    m_buffer.clear();
    m_file.Close();
    return false;
}

}  // namespace tessaline::app
