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

struct Row
{
    const char* alias;  // COMn=..., or "" for none
    const char* name;   // what is opened
    const char* device;
    PortSource source;  // kDetectedOrDefault: depends on the machine's ports
};

constexpr PortSource kDetectedOrDefault = PortSource::Other;

TEST(WindowsPortNames, NamesAndAliasesBecomeDeviceNames)
{
    const Row rows[] = {
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
    for (const Row& row : rows) {
        ClearPortAliases();
        const std::string alias = row.alias;
        if (!alias.empty())
            SetPortAlias(alias.substr(0, alias.find('=')), alias.substr(alias.find('=') + 1), PortSource::SettingsFile);
        const auto mapping = DescribePort(row.name);
        EXPECT_EQ(mapping.path, row.device) << row.alias << " " << row.name;
        EXPECT_EQ(ResolvePortName(row.name), row.device) << row.alias << " " << row.name;
        if (row.source == kDetectedOrDefault)
            EXPECT_TRUE(mapping.source == PortSource::Detected || mapping.source == PortSource::Default) << row.name;
        else
            EXPECT_EQ(mapping.source, row.source) << row.alias << " " << row.name;
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
