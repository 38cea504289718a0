#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tessaline::app {
namespace {

TEST(CommandLineTail, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    // A command line and its tail.
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"tessaline", ""},
        {"tessaline file.tsl", "file.tsl"},
        {"tessaline   file.tsl  ", "file.tsl  "},
        {"\"C:\\Program Files\\Tessaline\\tessaline.exe\"  file.tsl", "file.tsl"},
        {"\"C:\\Program Files\\x.exe\"file.tsl", "file.tsl"},
        {"\"unterminated name and more", ""},
        {"\"\"", ""},
        {"\"\" a b", "a b"},
        {"prog\tfile", "file"},
        {"prog\x01\x02\x1F\x20x", "x"},
        {"prog \"quoted arg\"", "\"quoted arg\""},
        {"prog\x7Fname rest", "rest"},                    // 0x7F is part of the name
        {"prog\xC3\xA9 tail", "tail"},                    // bytes above 0x80 too
        {"prog \xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},  // and do not end the blanks
        {"prog \0x"s, "\0x"s},                            // an embedded zero stops the skipping
    };
    for (const auto& [commandLine, tail] : cases)
        EXPECT_EQ(CommandLineTail(commandLine), tail) << "command line: " << commandLine;
}

TEST(StartupOptions, NoArgumentsGiveANewDocument)
{
    const StartupOptions options = ParseStartupOptions({});
    EXPECT_TRUE(options.error.empty());
    EXPECT_TRUE(options.file.empty());
    EXPECT_FALSE(options.demo);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
    EXPECT_TRUE(options.portAliases.empty());
    EXPECT_TRUE(options.logFile.empty());
    EXPECT_FALSE(options.noReconnect);
    EXPECT_FALSE(options.timestamps);
}

TEST(StartupOptions, ReadsEveryOptionAndTakesWhatFollowsADoubleDashAsAFileName)
{
    const StartupOptions options = ParseStartupOptions({"--demo", "--port", "com1=/dev/ttyUSB0", "--log", "첫 기록.bin",
                                                        "--port=COM2=/dev/ttyACM0", "notes.tsl", "--timestamps",
                                                        "--port", "COM1=/dev/x", "--log=--demo", "--no-reconnect"});
    ASSERT_TRUE(options.error.empty()) << options.error;
    EXPECT_TRUE(options.demo);
    EXPECT_EQ(options.file, "notes.tsl");
    EXPECT_EQ(options.logFile, "--demo");  // the last --log wins, its value taken as it is
    EXPECT_TRUE(options.noReconnect);
    EXPECT_TRUE(options.timestamps);
    EXPECT_EQ(ParseStartupOptions({"--log", "x.bin"}).logFile, "x.bin");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"COM1", "/dev/ttyUSB0"}, {"COM2", "/dev/ttyACM0"}, {"COM1", "/dev/x"}};
    EXPECT_EQ(options.portAliases, expected);

    EXPECT_TRUE(ParseStartupOptions({"--help"}).help);
    EXPECT_TRUE(ParseStartupOptions({"-h"}).help);
    EXPECT_TRUE(ParseStartupOptions({"--version"}).version);
    // "--" makes the rest a file name.
    const StartupOptions dashes = ParseStartupOptions({"--", "--demo"});
    EXPECT_TRUE(dashes.error.empty());
    EXPECT_FALSE(dashes.demo);
    EXPECT_EQ(dashes.file, "--demo");
}

TEST(StartupOptions, RejectsWhatItCannotUseNamingTheArgument)
{
    // Arguments, and what the error quotes of them.
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--bogus"}, "\"--bogus\""},
        {{"--port"}, "--port"},
        {{"--port", "COM1"}, "\"COM1\""},
        {{"--port", "COM1="}, "\"COM1=\""},
        {{"--port", "=/dev/ttyS0"}, "\"=/dev/ttyS0\""},
        {{"--port", "LPT1=/dev/lp0"}, "\"LPT1=/dev/lp0\""},
        {{"--port", "COM0=/dev/ttyS0"}, "\"COM0=/dev/ttyS0\""},
        {{"--port", "COMx=/dev/ttyS0"}, "\"COMx=/dev/ttyS0\""},
        {{"--port", "COM5=/dev/ttyS4"}, "\"COM5=/dev/ttyS4\""},
        {{"--port=com9=/dev/null"}, "\"com9=/dev/null\""},
        {{"--port=COM1"}, "\"COM1\""},
        {{"a.tsl", "b.tsl"}, "\"b.tsl\""},
        {{"", "b.tsl"}, "\"\" and \"b.tsl\""},
        {{"--\xff"}, "\"--\\xFF\""},
        {{"--log"}, "--log"},
        {{"--log", ""}, "--log \"\""},
        {{"--log="}, "--log \"\""},
        {{"--no-reconnect=1"}, "\"--no-reconnect=1\""},
    };
    for (const auto& [args, named] : cases) {
        const StartupOptions options = ParseStartupOptions(args);
        EXPECT_NE(options.error.find(named), std::string::npos)
            << ::testing::PrintToString(args) << " gave: " << options.error;
    }
    // An empty name is a file argument (refused later, when it is checked).
    const StartupOptions empty = ParseStartupOptions({"", "--list-ports"});
    EXPECT_TRUE(empty.error.empty()) << empty.error;
    EXPECT_TRUE(empty.fileGiven);
    EXPECT_TRUE(empty.listPorts);
}

TEST(PortAlias, AcceptsComNamesOnly)
{
    // A text and the name and path it gives; refused without a name.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"COM1=/dev/ttyUSB0", "COM1", "/dev/ttyUSB0"},
        {"com4=/dev/pts/3", "COM4", "/dev/pts/3"},
        {"Com3=/dev/a=b", "COM3", "/dev/a=b"},
        {"COM12=/dev/x", "", ""},
        {"COM=/dev/x", "", ""},
        {"COM01=/dev/x", "", ""},
        {"COM1234=/dev/x", "", ""},
        {"COM1 =/dev/x", "", ""},
        {"COM1/dev/x", "", ""},
    };
    for (const auto& [text, wantedName, wantedPath] : cases) {
        std::string name, path;
        EXPECT_EQ(ParsePortAlias(text, &name, &path), !wantedName.empty()) << text;
        if (!wantedName.empty()) {
            EXPECT_EQ(name, wantedName);
            EXPECT_EQ(path, wantedPath);
        }
    }
}

TEST(UsageAndVersion, NameTheOptionsAndTheVersion)
{
    const std::string usage = UsageText("tessaline");
    for (const char* option : {"--port", "--demo", "--list-ports", "--log FILE", "--no-reconnect", "--timestamps",
                               "--version", "--help", "TESSALINE_COMn", "[Ports]", "Exit status"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_NE(VersionText().find("1.0.0.1"), std::string::npos);
}

}  // namespace
}  // namespace tessaline::app
