// Relative paths taken against a folder: the same on every system but for
// its separators. On Windows either "\" or "/" separates and "\" is added,
// and a path is absolute when it starts at a root ("\", "/",
// "\\server\share") or names a drive ("C:\...", and "C:name", which the
// system takes against that drive's own folder).
#include "platform/StartupFolder.h"

#include <algorithm>
#include <string_view>

namespace tessaline::platform {
namespace {

#ifdef _WIN32
constexpr char kSeparators[] = "\\/";
#else
constexpr char kSeparators[] = "/";
#endif

bool IsSeparator(char c)
{
    return std::string_view(kSeparators).find(c) != std::string_view::npos;
}

bool IsAbsolute(const std::string& path)
{
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':')
        return true;
#endif
    return IsSeparator(path.front());
}

}  // namespace

std::string AbsolutePath(const std::string& path, const std::string& folder)
{
    if (path.empty() || IsAbsolute(path) || folder.empty())
        return path;
    std::string absolute = folder;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find_first_of(kSeparators, start), path.size());
        const std::string component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            if (!IsSeparator(absolute.back()))
                absolute += kSeparators[0];
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
