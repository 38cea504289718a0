// RegularFile: a regular file open for reading from its start, or for
// appending. Opening never blocks and takes a regular file only: a FIFO or a
// device put in a name's place is refused, not waited on. Bytes go through
// as they are. The system's part is in app/posix/RegularFile.cpp (a file
// descriptor) and app/win32/RegularFile.cpp (a file handle).
//
// Threading: one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaline::app {

class RegularFile
{
public:
    RegularFile() = default;
    ~RegularFile();  // closes
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    // Closes any open file, then opens the existing file `path` for reading.
    // Empty when it worked, else why not: the system's reason, or that what
    // was opened is not a regular file.
    std::string OpenForReading(const std::string& path);
    // Closes any open file, then opens `path` for appending, creating it
    // when nothing is there. Empty when it worked, else why not (for
    // something other than a regular file, RegularFileProblem's reason).
    std::string OpenForAppending(const std::string& path);

    bool IsOpen() const { return m_handle != kClosed; }
    // The file's size when it was opened.
    std::uint64_t Size() const { return m_size; }

    // Reads up to `size` bytes: how many, 0 at the end of the file, or -1
    // with `*error` set.
    std::ptrdiff_t Read(void* data, std::size_t size, std::string* error);
    // Writes all `size` bytes. Empty when it worked, else why not.
    std::string Write(const void* data, std::size_t size);
    // Closes. Empty when it worked or nothing was open, else why not (a
    // file system that writes later may report a failed write only here).
    std::string Close();

private:
    static constexpr std::intptr_t kClosed = -1;

    std::intptr_t m_handle = kClosed;  // the file descriptor or handle
    std::uint64_t m_size = 0;
};

}  // namespace tessaline::app
