// ReceiveLog: the receive log file. It appends bytes, raw and in order, to
// a file opened for appending: an existing log is continued, never
// truncated. Only a regular file, or a path where nothing exists yet (it is
// created), is accepted; the open never blocks, so a FIFO in its place is
// refused rather than waited on. Appends are collected in a buffer and
// written out when it fills or when the owner calls Flush, which it does
// within a second of the buffer's first byte and when logging stops.
//
// A failure to open or write closes the log, drops what was buffered and
// keeps the reason; nothing else happens here.
//
// Threading: one thread (the connection's owner thread) does everything.
#pragma once

#include "app/RegularFile.h"

#include <cstddef>
#include <string>

namespace tessaline::app {

class ReceiveLog
{
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    ReceiveLog() = default;
    ~ReceiveLog();  // flushes and closes
    ReceiveLog(const ReceiveLog&) = delete;
    ReceiveLog& operator=(const ReceiveLog&) = delete;

    // Closes any open log, then opens `path`; false with Failure() set
    // when it cannot be logged to.
    bool Open(const std::string& path);
    // Writes out what is buffered and closes; false with Failure() set when
    // that last write or the close failed. True when nothing was open.
    bool Close();

    bool IsOpen() const { return m_file.IsOpen(); }
    // The path of the log open now or last.
    const std::string& Path() const { return m_path; }
    // Bytes appended but not yet written to the file.
    std::size_t Buffered() const { return m_buffer.size(); }
    // Why the last Open, Append, Flush or Close failed.
    const std::string& Failure() const { return m_failure; }

    // Appends `size` bytes; false when writing failed and the log closed.
    // Nothing happens while closed.
    bool Append(const void* data, std::size_t size);
    // Writes out what is buffered; false when that failed and the log closed.
    bool Flush();

private:
    bool WriteAll(const char* data, std::size_t size);
    bool Fail(std::string reason);

    RegularFile m_file;
    std::string m_path;
    std::string m_buffer;
    std::string m_failure;
};

}  // namespace tessaline::app
