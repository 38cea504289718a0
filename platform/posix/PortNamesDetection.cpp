// Finding the serial devices present, for COMn without an explicit device.
// Everything is read under a root folder so that tests can build a fake
// device tree; nothing here opens a device.
#include "platform/PortNames.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
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

// The number after `prefix` in names like "ttyS12", in numeric order.
std::vector<unsigned long> NumberedNames(const std::vector<std::string>& names, const std::string& prefix)
{
    std::vector<unsigned long> numbers;
    for (const std::string& name : names) {
        if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 ||
            name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string digits = name.substr(prefix.size());
        if (std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            numbers.push_back(std::stoul(digits));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// A ttyS node exists for every possible UART; the kernel reports the port
// type 0 (unknown) for those with no hardware behind them.
bool IsRealUart(const std::string& root, unsigned long number)
{
    std::ifstream typeFile(root + "/sys/class/tty/ttyS" + std::to_string(number) + "/type");
    long type = 0;
    return typeFile >> type && type != 0;
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

    for (unsigned long number : NumberedNames(devEntries, "ttyS")) {
        if (IsRealUart(root, number))
            found.push_back(dev + "/ttyS" + std::to_string(number));
    }

    // The by-id link is used itself, so that a replugged adapter that comes
    // back under another ttyUSB number keeps its COMn.
    std::set<std::string> reached;
    const std::string byId = dev + "/serial/by-id";
    std::vector<std::string> links = EntriesOf(byId);
    std::sort(links.begin(), links.end());
    for (const std::string& link : links) {
        const std::string target = CanonicalPath(byId + "/" + link);
        if (target.empty())
            continue;  // a link left behind by a device that is gone
        reached.insert(target);
        found.push_back(byId + "/" + link);
    }

    for (const char* prefix : {"ttyUSB", "ttyACM"}) {
        for (unsigned long number : NumberedNames(devEntries, prefix)) {
            const std::string path = dev + "/" + prefix + std::to_string(number);
            if (reached.count(CanonicalPath(path)) == 0)
                found.push_back(path);
        }
    }
    return found;
}

}  // namespace tessaline::platform
