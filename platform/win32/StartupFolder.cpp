// Windows: the working folder as the system gives it, in UTF-8.
#include "platform/StartupFolder.h"

#include "platform/win32.h"

namespace tessaline::platform {
namespace {

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string WorkingFolder()
{
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0)
        return {};
    std::wstring folder(length, L'\0');
    const DWORD written = GetCurrentDirectoryW(length, folder.data());
    if (written == 0 || written >= length)
        return {};
    folder.resize(written);
    return Utf8(folder);
}

}  // namespace

const std::string& StartupFolder()
{
    static const std::string folder = WorkingFolder();
    return folder;
}

}  // namespace tessaline::platform
