// Finding the serial devices present, for COMn without an explicit device.
// Everything is read under a root folder so that tests can build a fake
// device tree; nothing here opens a device.
#include "platform/PortNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <utility>

namespace tessaline::platform {
namespace {

std::string DeviceRoot()
{
    const char* root = std::getenv("TESSALINE_DEVICE_ROOT");
    std::string text = root && *root ? root : "/";
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text == "/" ? std::string() : text;
}

std::vector<std::string> EntriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* directory = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(directory)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(directory);
    }
    return names;
}

// The names `prefix` followed by digits ("ttyS12", "ttyUSB01"), as found,
// by number and then by name, so that "ttyUSB01" and "ttyUSB1" are two
// devices in a stable order.
std::vector<std::string> NumberedNames(const std::vector<std::string>& names, const std::string& prefix)
{
    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (const std::string& name : names) {
        if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 ||
            name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size());
        if (std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            numbered.emplace_back(std::stoul(digits), name);
    }
    std::sort(numbered.begin(), numbered.end());
    std::vector<std::string> sorted;
    for (auto& [number, name] : numbered)
        sorted.push_back(std::move(name));
    return sorted;
}

// The contents of a small sysfs attribute file. It is opened without
// waiting and read only when it is a regular file, so that a FIFO or a
// device in its place cannot hold detection up.
std::string AttributeText(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info
    {};
    char buffer[64];
    ssize_t got = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        got = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

// A ttyS node exists for every possible UART; the kernel reports the port
// type 0 (unknown) for those with no hardware behind them.
bool IsRealUart(const std::string& root, const std::string& name)
{
    const std::string text = AttributeText(root + "/sys/class/tty/" + name + "/type");
    char* end = nullptr;
    const long type = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str() && type != 0;
}

bool IsSymbolicLink(const std::string& path)
{
    struct stat info
    {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::string CanonicalPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string text = resolved;
    std::free(resolved);
    return text;
}

}  // namespace

std::vector<std::string> DetectSerialDevices()
{
    const std::string root = DeviceRoot();
    const std::string dev = root + "/dev";
    const std::vector<std::string> devEntries = EntriesOf(dev);
    std::vector<std::string> found;

    for (const std::string& name : NumberedNames(devEntries, "ttyS")) {
        if (IsRealUart(root, name))
            found.push_back(dev + "/" + name);
    }

    // The by-id link is used itself, so that a replugged adapter that comes
    // back under another ttyUSB number keeps its COMn.
    std::set<std::string> reached;
    const std::string byId = dev + "/serial/by-id";
    std::vector<std::string> links = EntriesOf(byId);
    std::sort(links.begin(), links.end());
    for (const std::string& link : links) {
        if (!IsSymbolicLink(byId + "/" + link))
            continue;  // only links name devices there
        const std::string target = CanonicalPath(byId + "/" + link);
        if (target.empty())
            continue;  // a link left behind by a device that is gone
        reached.insert(target);
        found.push_back(byId + "/" + link);
    }

    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (const std::string& name : NumberedNames(devEntries, prefix)) {
            const std::string path = dev + "/" + name;
            if (reached.count(CanonicalPath(path)) == 0)
                found.push_back(path);
        }
    }
    return found;
}

}  // namespace tessaline::platform
