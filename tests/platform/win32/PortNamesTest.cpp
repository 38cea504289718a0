// Windows: how port names and aliases become the names CreateFileA opens.
#include "platform/PortNames.h"
#include "platform/StartupFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

using tessaline::platform::AbsolutePath;
using tessaline::platform::ClearPortAliases;
using tessaline::platform::DescribePort;
using tessaline::platform::PortSource;
using tessaline::platform::ResolvePortName;
using tessaline::platform::SetPortAlias;

constexpr PortSource kDetectedOrDefault = PortSource::Other;

TEST(WindowsPortNames, NamesAndAliasesBecomeDeviceNames)
{
    // An alias (COMn=..., or "" for none), the name opened, the device it
    // names and the source (kDetectedOrDefault: the machine's ports decide).
    const std::tuple<const char*, const char*, const char*, PortSource> rows[] = {
        {"", "COM1", "\\\\.\\COM1", kDetectedOrDefault},
        {"", "com12", "\\\\.\\COM12", kDetectedOrDefault},
        {"", "\\\\.\\COM3", "\\\\.\\COM3", kDetectedOrDefault},
        {"", "\\\\.\\CNCA0", "\\\\.\\CNCA0", PortSource::Path},
        {"COM2=COM7", "COM2", "\\\\.\\COM7", PortSource::SettingsFile},
        {"COM2=com7", "com2", "\\\\.\\COM7", PortSource::SettingsFile},
        {"COM3=\\\\.\\COM12", "COM3", "\\\\.\\COM12", PortSource::SettingsFile},
        {"COM4=\\\\.\\CNCB0", "\\\\.\\COM4", "\\\\.\\CNCB0", PortSource::SettingsFile},
        {"COM1=", "COM1", "\\\\.\\COM1", kDetectedOrDefault},
    };
    for (const auto& [alias, name, device, source] : rows) {
        ClearPortAliases();
        const std::string text = alias;
        if (!text.empty())
            SetPortAlias(text.substr(0, text.find('=')), text.substr(text.find('=') + 1), PortSource::SettingsFile);
        const auto mapping = DescribePort(name);
        EXPECT_EQ(mapping.path, device) << alias << " " << name;
        EXPECT_EQ(ResolvePortName(name), device) << alias << " " << name;
        if (source == kDetectedOrDefault)
            EXPECT_TRUE(mapping.source == PortSource::Detected || mapping.source == PortSource::Default) << name;
        else
            EXPECT_EQ(mapping.source, source) << alias << " " << name;
    }
    ClearPortAliases();
}

TEST(WindowsPortNames, RelativeNamesAreTakenAgainstTheStartFolder)
{
    // A path, the folder it is taken against, the absolute path.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"a", "C:\\start", "C:\\start\\a"},
        {".\\a//b\\.", "C:\\start", "C:\\start\\a\\b"},
        {"..\\a", "C:\\s", "C:\\s\\..\\a"},
        {"a", "C:\\", "C:\\a"},
        {"D:\\x", "C:\\start", "D:\\x"},
        {"D:x", "C:\\start", "D:x"},
        {"\\x", "C:\\start", "\\x"},
        {"//server/share/x", "C:\\start", "//server/share/x"},
        {"", "C:\\start", ""},
        {"a", "", "a"},
    };
    for (const auto& [path, folder, absolute] : cases)
        EXPECT_EQ(AbsolutePath(path, folder), absolute) << path << " in " << folder;
}

}  // namespace
