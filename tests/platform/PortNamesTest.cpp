// How port names become device paths.
#include "platform/PortNames.h"
#include "platform/StartupFolder.h"
#include "tests/support/CaseFile.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace tessaline::platform;
using namespace tessaline::testing;

// Every test reads devices under a fake root of its own, empty unless the
// test builds a tree; its name is Korean, as a user's folder may be.
class PortNames : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearPortAliases();
        for (const char* name : {"TESSALINE_COM1", "TESSALINE_COM2", "TESSALINE_COM3", "TESSALINE_COM4"})
            m_scratch.SetEnv(name, nullptr);
        m_scratch.SetEnv("TESSALINE_DEVICE_ROOT", m_root);
    }
    void TearDown() override { ClearPortAliases(); }

    // "dev/ttyS0" makes a file; "sys/class/tty/ttyS0/type=4" one with that
    // content; "dev/serial/by-id/x->../../ttyUSB0" a symbolic link; "a/b/"
    // a folder; "a/b|" a FIFO.
    void Build(const std::vector<std::string>& entries)
    {
        for (const std::string& entry : entries) {
            const std::size_t arrow = entry.find("->"), equals = entry.find('=');
            const std::string relative = entry.substr(0, std::min(arrow, equals));
            const std::filesystem::path path = m_root + "/" + relative;
            std::filesystem::create_directories(path.parent_path());
            if (arrow != std::string::npos)
                std::filesystem::create_symlink(entry.substr(arrow + 2), path);
            else if (relative.back() == '|')
                ASSERT_EQ(::mkfifo(path.string().substr(0, path.string().size() - 1).c_str(), 0600), 0);
            else if (relative.back() != '/')
                std::ofstream(path) << (equals != std::string::npos ? entry.substr(equals + 1) + "\n" : "");
        }
    }

    ScratchFolder m_scratch{"장치 루트"};
    const std::string m_root = m_scratch.Path();
};

TEST_F(PortNames, FallBackToTheSerialDeviceOfThePortNumber)
{
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("com4"), "/dev/ttyS3");
    EXPECT_EQ(ResolvePortName("COM12"), "/dev/ttyS11");
    EXPECT_EQ(ResolvePortName("\\\\.\\COM2"), "/dev/ttyS1");
}

TEST_F(PortNames, DetectsTheDevicesPresentInOrder)
{
    for (const CaseRow& c : ReadCases(TESSALINE_TEST_DATA "/port_detection_cases.txt")) {
        SCOPED_TRACE(c.Text(0));
        std::filesystem::remove_all(m_root);
        Build(c.List(1, ' '));
        std::vector<std::string> expected;
        for (const std::string& path : c.List(2, ' '))
            expected.push_back(m_root + "/" + path);
        EXPECT_EQ(DetectSerialDevices(), expected);
    }
}

TEST_F(PortNames, ComNBeyondTheDevicesPresentHasNone)
{
    Build({"dev/ttyUSB0", "dev/serial/by-id/usb-X-if00-port0->../../ttyUSB0"});
    const std::string adapter = m_root + "/dev/serial/by-id/usb-X-if00-port0";
    EXPECT_EQ(DescribePort("COM1").path, adapter);
    EXPECT_EQ(DescribePort("COM1").source, PortSource::Detected);
    EXPECT_EQ(DescribePort("COM2").path, "");
    EXPECT_EQ(DescribePort("COM2").source, PortSource::Detected);
    EXPECT_EQ(ResolvePortName("COM4"), "");

    // The environment, then an alias, win over what is detected.
    m_scratch.SetEnv("TESSALINE_COM2", "/dev/pts/9");
    EXPECT_EQ(DescribePort("COM2").source, PortSource::Environment);
    SetPortAlias("COM2", "/dev/ttyACM5", PortSource::SettingsFile);
    EXPECT_EQ(DescribePort("COM2").path, "/dev/ttyACM5");
    EXPECT_EQ(DescribePort("COM2").source, PortSource::SettingsFile);
    EXPECT_EQ(DescribePort("COM3").path, "");
}

TEST_F(PortNames, AliasBeatsEnvironmentWhichBeatsTheDefaultAndClearRemovesEveryAlias)
{
    m_scratch.SetEnv("TESSALINE_COM2", "/dev/from-environment");
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/from-environment");
    SetPortAlias("com2", "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("\\\\.\\Com2"), "/dev/ttyUSB0");
    SetPortAlias("COM2", "");  // removes the alias
    EXPECT_EQ(ResolvePortName("COM2"), "/dev/from-environment");
    m_scratch.SetEnv("TESSALINE_COM3", "");  // empty: ignored
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyS2");
    SetPortAlias("COM1", "/dev/a");
    SetPortAlias("COM3", "/dev/b");
    ClearPortAliases();
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("COM3"), "/dev/ttyS2");
}

TEST_F(PortNames, RelativeDevicePathsAreTakenAgainstTheStartupFolder)
{
    const std::string folder = StartupFolder();
    ASSERT_EQ(folder.front(), '/');
    // The working folder may change later; the start-up folder stays.
    const std::filesystem::path working = std::filesystem::current_path();
    std::filesystem::current_path(m_root);
    m_scratch.SetEnv("TESSALINE_COM2", "pts/9");
    SetPortAlias("COM3", "./장치/ttyUSB0", PortSource::SettingsFile);
    SetPortAlias("COM4", "../ttyACM0", PortSource::CommandLine);
    const std::string joint = folder == "/" ? "" : folder;
    EXPECT_EQ(DescribePort("COM2").path, joint + "/pts/9");
    EXPECT_EQ(DescribePort("COM3").path, joint + "/장치/ttyUSB0");
    EXPECT_EQ(DescribePort("COM3").source, PortSource::SettingsFile);
    EXPECT_EQ(ResolvePortName("COM4"), joint + "/../ttyACM0");
    std::filesystem::current_path(working);

    // A path, the folder it is taken against, the absolute path.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"a", "/start", "/start/a"},
        {"./a//b/.", "/start", "/start/a/b"},
        {"../a", "/s/link", "/s/link/../a"},
        {".", "/start", "/start"},
        {"a", "/", "/a"},
        {"/dev/x", "/start", "/dev/x"},
        {"", "/start", ""},
        {"a", "", "a"},
    };
    for (const auto& [path, start, absolute] : cases)
        EXPECT_EQ(AbsolutePath(path, start), absolute) << path << " in " << start;
}

TEST_F(PortNames, PathsAndOtherNamesPassThrough)
{
    EXPECT_EQ(ResolvePortName("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(ResolvePortName("\\\\.\\/dev/ttyACM0"), "/dev/ttyACM0");
    EXPECT_EQ(ResolvePortName("COM0"), "COM0");
    EXPECT_EQ(ResolvePortName("COM01"), "COM01");
    EXPECT_EQ(ResolvePortName("COMX"), "COMX");
    SetPortAlias("modem", "/dev/ttyACM1");
    EXPECT_EQ(ResolvePortName("MODEM"), "/dev/ttyACM1");
}

}  // namespace
