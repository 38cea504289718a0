// Windows: the system names the ports itself, so COMn opens the real COMn.
// An alias renames a port to another device name ("COM7", "\\.\COM12"). A
// bare COMn is opened in its "\\.\COMn" form, which is the only one that
// reaches ports above COM9. The ports present are those the serial drivers
// list under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
#include "platform/PortNames.h"

#include "platform/win32.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace tessaline::platform {
namespace {

const std::string kDevicePrefix = "\\\\.\\";

std::mutex g_mutex;
std::map<std::string, PortMapping> g_aliases;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string WithoutDevicePrefix(const std::string& name)
{
    return name.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0 ? name.substr(kDevicePrefix.size()) : name;
}

// The number of "COMn" (any case, n from 1 up, no leading zeros), or 0.
unsigned long ComPortNumber(const std::string& name)
{
    const std::string upper = Upper(name);
    if (upper.size() < 4 || upper.size() > 9 || upper.compare(0, 3, "COM") != 0 || upper[3] == '0')
        return 0;
    unsigned long number = 0;
    for (std::size_t i = 3; i < upper.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(upper[i])))
            return 0;
        number = number * 10 + static_cast<unsigned long>(upper[i] - '0');
    }
    return number;
}

// What CreateFileA is given for `name`: "\\.\COMn" for a port name, any
// other name as it is.
std::string DeviceName(const std::string& name)
{
    const std::string bare = WithoutDevicePrefix(name);
    return ComPortNumber(bare) != 0 ? kDevicePrefix + Upper(bare) : name;
}

bool IsPresent(const std::string& portName)
{
    const std::vector<std::string> present = DetectSerialDevices();
    return std::find(present.begin(), present.end(), Upper(portName)) != present.end();
}

}  // namespace

void SetPortAlias(const std::string& portName, const std::string& devicePath, PortSource source)
{
    const std::string key = Upper(WithoutDevicePrefix(portName));
    std::lock_guard lock(g_mutex);
    if (devicePath.empty())
        g_aliases.erase(key);
    else
        g_aliases[key] = PortMapping{devicePath, source};
}

void ClearPortAliases()
{
    std::lock_guard lock(g_mutex);
    g_aliases.clear();
}

PortMapping DescribePort(const std::string& name)
{
    const std::string bare = WithoutDevicePrefix(name);
    {
        std::lock_guard lock(g_mutex);
        auto found = g_aliases.find(Upper(bare));
        if (found != g_aliases.end())
            return PortMapping{DeviceName(found->second.path), found->second.source};
    }
    if (ComPortNumber(bare) == 0)
        return PortMapping{name, bare == name ? PortSource::Other : PortSource::Path};
    return PortMapping{DeviceName(bare), IsPresent(bare) ? PortSource::Detected : PortSource::Default};
}

std::string ResolvePortName(const std::string& name)
{
    return DescribePort(name).path;
}

std::vector<std::string> DetectSerialDevices()
{
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = sizeof valueName / sizeof valueName[0];
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof data[0];  // room for the terminator
        DWORD type = 0;
        const LONG status =
            RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        std::string port;
        for (const wchar_t* c = data; *c != L'\0' && *c < 0x80; ++c)
            port += static_cast<char>(*c);
        if (ComPortNumber(port) != 0)
            ports.push_back(Upper(port));
    }
    RegCloseKey(key);
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return ComPortNumber(a) < ComPortNumber(b); });
    ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
    return ports;
}

}  // namespace tessaline::platform
