#include "platform/StartupFolder.h"

#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace tessaline::platform
