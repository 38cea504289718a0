#include "platform/StartupFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace tessaline::platform {
namespace {

bool HasDotComponent(const std::string& path)
{
    const auto endsWith = [&path](const std::string& tail) {
        return path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    return path.find("/./") != std::string::npos || path.find("/../") != std::string::npos || endsWith("/.") ||
           endsWith("/..");
}

bool SameFolder(const char* a, const char* b)
{
    struct stat first
    {
    }, second{};
    return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::string WorkingFolder()
{
    // The shell keeps the name the user went by in PWD; it is trusted only
    // while it still names the working folder.
    const char* shellName = std::getenv("PWD");
    if (shellName && shellName[0] == '/' && !HasDotComponent(shellName) && SameFolder(shellName, "."))
        return shellName;
    char* systemName = ::getcwd(nullptr, 0);
    if (!systemName)
        return {};
    std::string folder = systemName;
    std::free(systemName);
    return folder;
}

}  // namespace

const std::string& StartupFolder()
{
    static const std::string folder = WorkingFolder();
    return folder;
}

std::string AbsolutePath(const std::string& path, const std::string& folder)
{
    if (path.empty() || path.front() == '/' || folder.empty())
        return path;
    std::string absolute = folder;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            if (absolute.back() != '/')
                absolute += '/';
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
