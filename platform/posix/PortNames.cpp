#include "platform/PortNames.h"

#include "platform/StartupFolder.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

namespace tessaline::platform {
namespace {

std::mutex g_aliasMutex;

std::map<std::string, PortMapping>& Aliases()
{
    static auto* aliases = new std::map<std::string, PortMapping>;
    return *aliases;
}

std::string UpperCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// "\\.\COM1" names the same port as "COM1".
std::string WithoutDevicePrefix(const std::string& name)
{
    static const std::string prefix = "\\\\.\\";
    return name.compare(0, prefix.size(), prefix) == 0 ? name.substr(prefix.size()) : name;
}

// The port number of "COMn" (n from 1 up, no leading zeros), or 0.
unsigned long ComPortNumber(const std::string& upperName)
{
    if (upperName.size() < 4 || upperName.compare(0, 3, "COM") != 0 || upperName[3] == '0')
        return 0;
    unsigned long number = 0;
    for (std::size_t i = 3; i < upperName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(upperName[i])) || number > 100000)
            return 0;
        number = number * 10 + static_cast<unsigned long>(upperName[i] - '0');
    }
    return number;
}

}  // namespace

void SetPortAlias(const std::string& portName, const std::string& devicePath, PortSource source)
{
    const std::string key = UpperCase(WithoutDevicePrefix(portName));
    std::lock_guard lock(g_aliasMutex);
    if (devicePath.empty())
        Aliases().erase(key);
    else
        Aliases()[key] = PortMapping{devicePath, source};
}

void ClearPortAliases()
{
    std::lock_guard lock(g_aliasMutex);
    Aliases().clear();
}

PortMapping DescribePort(const std::string& name)
{
    const std::string bare = WithoutDevicePrefix(name);
    if (!bare.empty() && bare[0] == '/')
        return {bare, PortSource::Path};
    const std::string key = UpperCase(bare);
    {
        std::lock_guard lock(g_aliasMutex);
        auto found = Aliases().find(key);
        if (found != Aliases().end())
            return {AbsoluteFromStartup(found->second.path), found->second.source};
    }
    const unsigned long number = ComPortNumber(key);
    if (number == 0)
        return {bare, PortSource::Other};
    if (const char* fromEnvironment = std::getenv(("TESSALINE_" + key).c_str()); fromEnvironment && *fromEnvironment)
        return {AbsoluteFromStartup(fromEnvironment), PortSource::Environment};
    const std::vector<std::string> detected = DetectSerialDevices();
    if (!detected.empty())
        return {number <= detected.size() ? detected[number - 1] : std::string(), PortSource::Detected};
    return {"/dev/ttyS" + std::to_string(number - 1), PortSource::Default};
}

std::string ResolvePortName(const std::string& name)
{
    return DescribePort(name).path;
}

}  // namespace tessaline::platform
