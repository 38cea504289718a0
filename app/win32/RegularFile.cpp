// Windows: a file handle. Names the system takes for a device (COM1, CON,
// "\\.\" names) and folders are refused before anything opens them; the
// handle's type is checked once open. Handles are binary by nature, and
// the others may read, write and delete the file meanwhile, as on POSIX
// systems.
#include "app/RegularFile.h"

#include "app/Startup.h"
#include "app/win32/FileSystem.h"
#include "res/Strings.h"

namespace tessaline::app {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE AsHandle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

// Opens `full` with `access` and `disposition` and keeps the handle when it
// is a regular file on a disk: the handle goes to `*handle` and its size to
// `*size`. Else closes it again. Returns the problem, or "" on success.
std::string OpenRegular(const std::wstring& full, DWORD access, DWORD disposition, std::intptr_t* handle,
                        std::uint64_t* size)
{
    const HANDLE file =
        CreateFileW(full.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::SystemText(GetLastError());
    LARGE_INTEGER length{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        return res::FormatString(IDS_PROBLEM_NOT_REGULAR);
    }
    *size = static_cast<std::uint64_t>(length.QuadPart);
    *handle = reinterpret_cast<std::intptr_t>(file);
    return {};
}

}  // namespace

RegularFile::~RegularFile()
{
    Close();
}

std::string RegularFile::OpenForReading(const std::string& path)
{
    Close();
    const std::wstring full = win32::FullPath(path);
    if (win32::IsDeviceName(full))
        return res::FormatString(IDS_PROBLEM_NOT_REGULAR);
    return OpenRegular(full, GENERIC_READ, OPEN_EXISTING, &m_handle, &m_size);
}

std::string RegularFile::OpenForAppending(const std::string& path)
{
    Close();
    const std::wstring full = win32::FullPath(path);
    DWORD error = ERROR_SUCCESS;
    if (!win32::KindOf(full, &error).empty())
        return RegularFileProblem(path);
    // Appending only: every write goes to the end, as O_APPEND does.
    return OpenRegular(full, FILE_APPEND_DATA, OPEN_ALWAYS, &m_handle, &m_size);
}

std::ptrdiff_t RegularFile::Read(void* data, std::size_t size, std::string* error)
{
    DWORD got = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(AsHandle(m_handle), data, wanted, &got, nullptr)) {
        *error = win32::SystemText(GetLastError());
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

std::string RegularFile::Write(const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD written = 0;
        const DWORD piece = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        if (!WriteFile(AsHandle(m_handle), bytes, piece, &written, nullptr))
            return win32::SystemText(GetLastError());
        if (written == 0)
            return win32::SystemText(ERROR_DISK_FULL);
        bytes += written;
        size -= written;
    }
    return {};
}

std::string RegularFile::Close()
{
    if (!IsOpen())
        return {};
    const HANDLE file = AsHandle(m_handle);
    m_handle = kClosed;
    return CloseHandle(file) ? std::string() : win32::SystemText(GetLastError());
}

}  // namespace tessaline::app
