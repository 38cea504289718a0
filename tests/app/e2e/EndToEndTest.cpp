// The real program under the X display (Xvfb), driven like a user with
// xdotool, against a pseudo-terminal standing in for COM1.
#include "tests/app/e2e/EndToEnd.h"
#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace tessaline::e2e {
namespace {

using namespace std::chrono_literals;
using namespace tessaline::e2e;

TEST_F(EndToEnd, ConnectTypeReceiveCopyDisconnectAndExit)
{
    tessaline::testing::PtyPair pty;
    ::setenv("TESSALINE_COM1", pty.SlavePath().c_str(), 1);
    Program program({});
    ASSERT_TRUE(program.Started());
    const std::string window = program.WaitForWindow(60s);
    ASSERT_FALSE(window.empty()) << "the main window did not appear";
    ChooseFromFileMenu(window);

    ASSERT_TRUE(Shell("xdotool type --delay 100 aZ && xdotool key Return"));
    EXPECT_EQ(HexText(pty.Read(3, 20000)), "61 5A 0D ");
    // Ctrl+Q is no accelerator here: it is the character XOFF.
    ASSERT_TRUE(Shell("xdotool key ctrl+q"));
    EXPECT_EQ(HexText(pty.Read(1, 20000)), "11 ");

    const std::string received("\x01\xAB\xFF\x7F", 4);
    ASSERT_TRUE(pty.Write(received));
    Settle();

    // Select everything (caret to the start, then extend to the end) and
    // copy it with Ctrl+C, which is the Copy command and sends nothing.
    ASSERT_TRUE(Shell("xdotool key ctrl+Home ctrl+shift+End"));
    Settle();
    ASSERT_TRUE(Shell("xdotool key ctrl+c"));
    std::string clipboard;
    for (int attempt = 0; attempt < 50 && clipboard.find("7F ") == std::string::npos; ++attempt) {
        std::this_thread::sleep_for(100ms);
        clipboard = Capture("timeout 5 xclip -o -selection clipboard 2>/dev/null");
    }
    EXPECT_EQ(clipboard, "aZ\r\n\x11"
                         "01 AB FF 7F ");
    EXPECT_TRUE(pty.Read(1, 500).empty()) << "Ctrl+C sent a byte";

    // File menu again: Connect is disabled now, so four steps reach Disconnect.
    ChooseFromFileMenu(window);
    ASSERT_TRUE(Shell("xdotool type --delay 100 q"));
    EXPECT_TRUE(pty.Read(1, 1000).empty()) << "typed while disconnected and a byte went out";

    // File, Exit (mnemonic X): the program ends cleanly; with no recent
    // file it has nothing to keep, so it writes no settings file.
    ASSERT_TRUE(Shell("xdotool key alt+f"));
    Settle();
    ASSERT_TRUE(Shell("xdotool key x"));
    EXPECT_EQ(program.Wait(60s), 0);
    EXPECT_FALSE(std::filesystem::exists(m_config + "/Local AppWizard-Generated Applications/Tessaline.conf"));
    ::unsetenv("TESSALINE_COM1");
}

TEST_F(EndToEnd, PortAliasesFromTheSettingsAndTheCommandLine)
{
    // [Ports] in the settings file names the device of COM1 ...
    tessaline::testing::PtyPair fromSettings;
    const std::string folder = m_config + "/Local AppWizard-Generated Applications";
    std::filesystem::create_directories(folder);
    Shell("printf '[Ports]\\nCOM1=%s\\n' '" + fromSettings.SlavePath() + "' > '" + folder + "/Tessaline.conf'");
    {
        Program program({});
        const std::string window = program.WaitForWindow(60s);
        ASSERT_FALSE(window.empty());
        ChooseFromFileMenu(window);
        ASSERT_TRUE(Shell("xdotool type --delay 100 s"));
        EXPECT_EQ(HexText(fromSettings.Read(1, 20000)), "73 ");
        EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
    }
    // ... and --port overrides it.
    tessaline::testing::PtyPair fromCommandLine;
    {
        Program program({"--port", "COM1=" + fromCommandLine.SlavePath()});
        const std::string window = program.WaitForWindow(60s);
        ASSERT_FALSE(window.empty());
        ChooseFromFileMenu(window);
        ASSERT_TRUE(Shell("xdotool type --delay 100 c"));
        EXPECT_EQ(HexText(fromCommandLine.Read(1, 20000)), "63 ");
        EXPECT_TRUE(fromSettings.Read(1, 300).empty());
        EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
    }
}

TEST_F(EndToEnd, DemoDeviceEchoesAndSendsTelemetry)
{
    Program program({"--demo"});
    const std::string window = program.WaitForWindow(60s);
    ASSERT_FALSE(window.empty());
    ChooseFromFileMenu(window);
    ASSERT_TRUE(Shell("xdotool type --delay 100 a"));
    // The echo of the typed "a", then its hex coming back, and a telemetry
    // line ("DEMO ") within a few seconds.
    const std::string text = CopyViewText("44 45 4D 4F 20 ");
    EXPECT_NE(text.find("a61 "), std::string::npos) << text;
    EXPECT_NE(text.find("44 45 4D 4F 20 "), std::string::npos) << text;
    EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
}

TEST_F(EndToEnd, AFileArgumentIsOpenedAndRemembered)
{
    const std::string file = m_config + "/notes.tsl";
    Shell("printf 'anything' > '" + file + "'");
    {
        Program program({file});
        const std::string window = program.WaitForWindow(60s);
        ASSERT_FALSE(window.empty());
        std::string title;
        for (int attempt = 0; attempt < 50 && title != "notes.tsl - Tessaline\n"; ++attempt) {
            std::this_thread::sleep_for(100ms);
            title = Capture("xdotool getwindowname " + window);
        }
        EXPECT_EQ(title, "notes.tsl - Tessaline\n");
        EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
    }
    EXPECT_EQ(FileContents(file), "anything") << "opening wrote to the file";
    const std::string settings = FileContents(m_config + "/Local AppWizard-Generated Applications/Tessaline.conf");
    EXPECT_NE(settings.find("[Recent File List]"), std::string::npos) << settings;
    EXPECT_NE(settings.find("file1=" + file + "\n"), std::string::npos) << settings;
}

TEST_F(EndToEnd, AMissingFileEndsTheProgramAfterTheMessage)
{
    Program program({"/nonexistent/tessaline/missing.tsl"});
    ASSERT_TRUE(program.Started());
    const std::string window = program.WaitForWindow(60s);
    ASSERT_FALSE(window.empty()) << "no message appeared";
    const std::string title = Capture("xdotool getwindowname " + window);
    EXPECT_EQ(title.find("Tessaline\n"), std::string::npos) << "the main window showed: " << title;
    Shell("xdotool windowfocus --sync " + window);
    Settle();
    Shell("xdotool key Return");
    const int status = program.Wait(60s);
    EXPECT_NE(status, -1) << "the program did not end";
    EXPECT_NE(status, 0);

    // A folder is no document: after the message the program starts untitled.
    Program untitled({m_config});
    const std::string message = untitled.WaitForWindow(60s);
    ASSERT_FALSE(message.empty()) << "no message appeared";
    EXPECT_EQ(Capture("xdotool getwindowname " + message), "Tessaline 오류\n");
    Shell("xdotool windowfocus --sync " + message);
    Settle();
    Shell("xdotool key Return");
    std::string main;
    for (int attempt = 0; attempt < 100 && main != "제목 없음 - Tessaline\n"; ++attempt) {
        std::this_thread::sleep_for(200ms);
        const std::string window = untitled.WaitForWindow(10s);
        main = window.empty() ? std::string() : Capture("xdotool getwindowname " + window);
    }
    EXPECT_EQ(main, "제목 없음 - Tessaline\n");
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
    Shell("printf '%s' '" + mine + "' > '" + settingsFolder + "/Tessaline.conf'");
    Shell("printf 'anything' > '" + document + "'");
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("LC_ALL", "C", 1);
    {
        Program program({document});
        ::setenv("HOME", savedHome.c_str(), 1);
        ::unsetenv("LC_ALL");
        const std::string window = program.WaitForWindow(60s);
        ASSERT_FALSE(window.empty());
        std::string title;
        for (int attempt = 0; attempt < 50 && title != "로그.txt - Tessaline\n"; ++attempt) {
            std::this_thread::sleep_for(100ms);
            title = Capture("xdotool getwindowname " + window);
        }
        EXPECT_EQ(title, "로그.txt - Tessaline\n");
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
