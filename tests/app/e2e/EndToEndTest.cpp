// The real program under the X display (Xvfb), driven like a user with
// xdotool, against a pseudo-terminal standing in for COM1.
#include "tests/app/e2e/EndToEnd.h"
#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tessaline::e2e {
namespace {

TEST_F(EndToEnd, ConnectTypeReceiveCopyDisconnectAndExit)
{
    tessaline::testing::PtyPair pty;
    const auto [program, window] = Launch({}, {"TESSALINE_COM1=" + pty.SlavePath()});
    ASSERT_FALSE(window.empty());

    ASSERT_TRUE(Shell("xdotool type --delay 100 aZ && xdotool key Return"));
    EXPECT_EQ(HexText(pty.Read(3, 20000)), "61 5A 0D ");
    // Ctrl+Q is no accelerator here: it is the character XOFF.
    ASSERT_TRUE(Shell("xdotool key ctrl+q"));
    EXPECT_EQ(HexText(pty.Read(1, 20000)), "11 ");

    ASSERT_TRUE(pty.Write(std::string("\x01\xAB\xFF\x7F", 4)));
    // Everything selected (caret to the start, then extended to the end) and
    // copied with Ctrl+C, which is the Copy command and sends nothing.
    EXPECT_EQ(CopyViewText("7F "), "aZ\r\n\x11"
                                   "01 AB FF 7F ");
    EXPECT_TRUE(pty.Read(1, 500).empty()) << "Ctrl+C sent a byte";

    // File menu again: Connect is disabled now, so four steps reach Disconnect.
    ChooseFromFileMenu(window);
    ASSERT_TRUE(Shell("xdotool type --delay 100 q"));
    EXPECT_TRUE(pty.Read(1, 1000).empty()) << "typed while disconnected and a byte went out";

    // File, Exit (mnemonic X): the program ends cleanly; with no recent
    // file it has nothing to keep, so it writes no settings file.
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
    EXPECT_FALSE(std::filesystem::exists(m_config + "/Local AppWizard-Generated Applications/Tessaline.conf"));
}

TEST_F(EndToEnd, PortAliasesFromTheSettingsAndTheCommandLine)
{
    // [Ports] in the settings file names the device of COM1 ...
    tessaline::testing::PtyPair fromSettings;
    m_scratch.Write("Local AppWizard-Generated Applications/Tessaline.conf",
                    "[Ports]\nCOM1=" + fromSettings.SlavePath() + "\n");
    {
        const auto [program, window] = Launch({});
        ASSERT_FALSE(window.empty());
        ASSERT_TRUE(Shell("xdotool type --delay 100 s"));
        EXPECT_EQ(HexText(fromSettings.Read(1, 20000)), "73 ");
        EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
    }
    // ... and --port overrides it.
    tessaline::testing::PtyPair fromCommandLine;
    const auto [program, window] = Launch({"--port", "COM1=" + fromCommandLine.SlavePath()});
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(Shell("xdotool type --delay 100 c"));
    EXPECT_EQ(HexText(fromCommandLine.Read(1, 20000)), "63 ");
    EXPECT_TRUE(fromSettings.Read(1, 300).empty());
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
}

TEST_F(EndToEnd, DemoDeviceEchoesAndSendsTelemetry)
{
    const auto [program, window] = Launch({"--demo"});
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(Shell("xdotool type --delay 100 a"));
    // The echo of the typed "a", then its hex coming back, and a telemetry
    // line ("DEMO ") within a few seconds.
    const std::string text = CopyViewText("44 45 4D 4F 20 ");
    EXPECT_NE(text.find("a61 "), std::string::npos) << text;
    EXPECT_NE(text.find("44 45 4D 4F 20 "), std::string::npos) << text;
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
}

TEST_F(EndToEnd, AFileArgumentIsOpenedAndRemembered)
{
    const std::string file = m_scratch.Write("notes.tsl", "anything");
    {
        Program program({file});
        const std::string window = program.WaitForWindow("notes.tsl - Tessaline");
        ASSERT_FALSE(window.empty()) << "no window titled after the file";
        EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
    }
    EXPECT_EQ(FileContents(file), "anything") << "opening wrote to the file";
    const std::string settings = FileContents(m_config + "/Local AppWizard-Generated Applications/Tessaline.conf");
    EXPECT_NE(settings.find("[Recent File List]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("file1=" + file + "\n"), std::string::npos) << settings;
}

TEST_F(EndToEnd, AMissingFileEndsTheProgramAfterTheMessage)
{
    const auto [program, window] = Launch({"/nonexistent/tessaline/missing.tsl"}, {}, 0);
    ASSERT_FALSE(window.empty()) << "no message appeared";
    const std::string title = Capture("xdotool getwindowname " + window);
    EXPECT_EQ(title.find("Tessaline\n"), std::string::npos) << "the main window showed: " << title;
    PressKeys(window, {"Return"});
    const int status = program->Wait();
    EXPECT_NE(status, -1) << "the program did not end";
    EXPECT_NE(status, 0);

    // A folder is no document: after the message the program starts untitled.
    Program untitled({m_config});
    const std::string message = untitled.WaitForWindow("Tessaline 오류");
    ASSERT_FALSE(message.empty()) << "no message appeared";
    PressKeys(message, {"Return"});
    EXPECT_FALSE(untitled.WaitForWindow("제목 없음 - Tessaline").empty());
}

TEST_F(EndToEnd, KoreanHomeDocumentAndDeviceUnderTheCLocale)
{
    // HOME, the document and the device (a link to the pty) all have Korean
    // names, and the locale is C; the settings file has lines of the user's.
    tessaline::testing::PtyPair pty;
    const std::string home = m_config + "/홍길동";
    const std::string device = home + "/장치/ttyé", document = home + "/로그.txt";
    const std::string settingsFolder = home + "/.config/Local AppWizard-Generated Applications";
    std::filesystem::create_directories(settingsFolder);
    std::filesystem::create_directories(home + "/장치");
    std::filesystem::create_symlink(pty.SlavePath(), device);
    const std::string mine = "# 내 설정\n[Ports]\nCOM1=" + device + "\n\n[기타]\n키=값\n";
    std::ofstream(settingsFolder + "/Tessaline.conf") << mine;
    std::ofstream(document) << "anything";
    {
        Program program({document}, {"XDG_CONFIG_HOME", "HOME=" + home, "LC_ALL=C"});
        const std::string window = program.WaitForWindow("로그.txt - Tessaline");
        ASSERT_FALSE(window.empty()) << "no window titled after the document";
        // File > Connect: Save is disabled for an opened, unchanged
        // document, so three steps reach Connect.
        ChooseFromFileMenu(window, 3);
        ASSERT_TRUE(Shell("xdotool type --delay 100 k"));
        EXPECT_EQ(HexText(pty.Read(1, 20000)), "6B ");
        EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
    }
    EXPECT_EQ(FileContents(document), "anything");
    EXPECT_EQ(FileContents(settingsFolder + "/Tessaline.conf"), mine + "[Recent File List]\nfile1=" + document + "\n");
}

TEST(CommandLine, HelpAndVersionNeedNoDisplay)
{
    const std::string program = TESSALINE_PROGRAM;
    const std::string help = Capture("env -u DISPLAY " + program + " --help");
    EXPECT_NE(help.find("--port COMn=DEVICE"), std::string::npos) << help;
    const std::string version = Capture("env -u DISPLAY " + program + " --version");
    EXPECT_NE(version.find("1.0.0.1"), std::string::npos) << version;

    // Output that cannot be written (a full disk, a closed stream) is an
    // error, said on standard error.
    for (const char* run : {"--list-ports 2>&1 >/dev/full", "--help 2>&1 >&-", "--version 2>&1 >&-"}) {
        const std::string said = Capture("env -u DISPLAY TESSALINE_DEVICE_ROOT=/nonexistent "
                                         "XDG_CONFIG_HOME=/nonexistent " +
                                         program + " " + run + "; echo rc=$?");
        EXPECT_NE(said.find("tessaline: cannot write the output: "), std::string::npos) << run << ": " << said;
        EXPECT_NE(said.find("rc=1\n"), std::string::npos) << run << ": " << said;
    }
}

TEST(CommandLine, ListPortsErrorsAndUnusableFilesNeedNoDisplay)
{
    const std::string program =
        "env -u DISPLAY LC_ALL=C TESSALINE_DEVICE_ROOT=/nonexistent XDG_CONFIG_HOME=/nonexistent " +
        std::string(TESSALINE_PROGRAM);
    EXPECT_EQ(Capture(program + " --port com2=/dev/장치 --list-ports; echo rc=$?"),
              "COM1 /dev/ttyS0 default\nCOM2 /dev/장치 command-line\nCOM3 /dev/ttyS2 default\n"
              "COM4 /dev/ttyS3 default\nrc=0\n");
    const std::string usage = Capture(program + " --list-ports --port COM5=/dev/x 2>&1; echo rc=$?");
    EXPECT_NE(usage.find("\"COM5=/dev/x\""), std::string::npos) << usage;
    EXPECT_NE(usage.find("Usage:"), std::string::npos) << usage;
    EXPECT_NE(usage.find("rc=2\n"), std::string::npos) << usage;
    const std::string noLogFile = Capture(program + " --log 2>&1; echo rc=$?");
    EXPECT_NE(noLogFile.find("--log"), std::string::npos) << noLogFile;
    EXPECT_NE(noLogFile.find("rc=2\n"), std::string::npos) << noLogFile;

    const tessaline::testing::ScratchFolder folder;
    const std::string fifo = folder / "파이프";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string refused = Capture("timeout 60 " + program + " '" + fifo + "' 2>&1; echo rc=$?");
    EXPECT_NE(refused.find("\"" + fifo + "\"을(를) 열 수 없습니다: 파일이 아니라 FIFO"), std::string::npos) << refused;
    EXPECT_NE(refused.find("rc=1\n"), std::string::npos) << refused;
}

}  // namespace
}  // namespace tessaline::e2e
