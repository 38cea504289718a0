// Windows: the working folder as the system gives it, in UTF-8. A path is
// absolute when it starts at a root ("\", "/", "\\server\share") or names a
// drive ("C:\...", and "C:name", which the system takes against that
// drive's own folder); either separator is taken, and "\" is added.
#include "platform/StartupFolder.h"

#include "platform/win32.h"

#include <algorithm>

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

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsAbsolute(const std::string& path)
{
    return IsSeparator(path.front()) || (path.size() >= 2 && path[1] == ':');
}

}  // namespace

const std::string& StartupFolder()
{
    static const std::string folder = WorkingFolder();
    return folder;
}

std::string AbsolutePath(const std::string& path, const std::string& folder)
{
    if (path.empty() || IsAbsolute(path) || folder.empty())
        return path;
    std::string absolute = folder;
    for (std::size_t start = 0; start <= path.size();) {
        const auto next = std::find_if(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), IsSeparator);
        const std::size_t end = static_cast<std::size_t>(next - path.begin());
        const std::string component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            if (!IsSeparator(absolute.back()))
                absolute += '\\';
            absolute += component;
        }
        start = end + 1;
    }
    return absolute;
}

std::string AbsoluteFromStartup(const std::string& path)
{
    return AbsolutePath(path, StartupFolder());
}

}  // namespace tessaline::platform
