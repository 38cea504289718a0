// Windows: the device namespace already knows COM1..COMn, so aliases only
// rename one port to another device name.
#include "platform/port_names.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace tessaline::platform {
namespace {

std::mutex g_mutex;
std::map<std::string, std::string> g_aliases;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

void SetPortAlias(const std::string& portName, const std::string& devicePath)
{
    std::lock_guard lock(g_mutex);
    if (devicePath.empty())
        g_aliases.erase(Upper(portName));
    else
        g_aliases[Upper(portName)] = devicePath;
}

void ClearPortAliases()
{
    std::lock_guard lock(g_mutex);
    g_aliases.clear();
}

std::string ResolvePortName(const std::string& name)
{
    std::lock_guard lock(g_mutex);
    auto found = g_aliases.find(Upper(name));
    return found != g_aliases.end() ? found->second : name;
}

}  // namespace tessaline::platform
