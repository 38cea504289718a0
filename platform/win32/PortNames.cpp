// Windows: the device namespace already knows COM1..COMn, so aliases only
// rename one port to another device name and nothing is detected.
#include "platform/PortNames.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace tessaline::platform {
namespace {

std::mutex g_mutex;
std::map<std::string, PortMapping> g_aliases;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

void SetPortAlias(const std::string& portName, const std::string& devicePath, PortSource source)
{
    std::lock_guard lock(g_mutex);
    if (devicePath.empty())
        g_aliases.erase(Upper(portName));
    else
        g_aliases[Upper(portName)] = PortMapping{devicePath, source};
}

void ClearPortAliases()
{
    std::lock_guard lock(g_mutex);
    g_aliases.clear();
}

PortMapping DescribePort(const std::string& name)
{
    std::lock_guard lock(g_mutex);
    auto found = g_aliases.find(Upper(name));
    return found != g_aliases.end() ? found->second : PortMapping{name, PortSource::Default};
}

std::string ResolvePortName(const std::string& name)
{
    return DescribePort(name).path;
}

std::vector<std::string> DetectSerialDevices()
{
    return {};
}

}  // namespace tessaline::platform
