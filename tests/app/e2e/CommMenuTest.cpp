// The communication menu end to end: the send bar, sending a file, clearing
// the view, output the device holds back, and the control lines.
#include "tests/app/e2e/EndToEnd.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace tessaline::e2e {
namespace {

using namespace std::chrono_literals;

// Types `text` where the focus is, then Enter.
void TypeLine(const std::string& text)
{
    ASSERT_TRUE(Shell("xdotool type --delay 50 '" + text + "'"));
    ASSERT_TRUE(Shell("xdotool key Return"));
}

// F4 opens the bar with the focus in its entry; Enter sends a line, a bad
// one stays with its bad token selected, Up walks the history back. F4
// again gives the focus back to the view, which shows the device's bytes
// and none of the bar's.
void WalkTheSendBar(testing::PtyPair& pty)
{
    ASSERT_TRUE(Shell("xdotool key F4"));
    Settle();
    TypeLine("01 03 00 00 00 0A C5 CD");
    EXPECT_EQ(HexText(pty.Read(8, 20000)), "01 03 00 00 00 0A C5 CD ");
    TypeLine("\"AT\" 0D 0A");
    EXPECT_EQ(HexText(pty.Read(4, 20000)), "41 54 0D 0A ");
    TypeLine("01 0G");
    EXPECT_TRUE(pty.Read(1, 1000).empty()) << "a line with a bad token was sent";
    TypeLine("0D");  // typed over the selected bad token
    EXPECT_EQ(HexText(pty.Read(2, 20000)), "01 0D ");
    ASSERT_TRUE(Shell("xdotool key Up Up Return"));  // the line before the last
    EXPECT_EQ(HexText(pty.Read(4, 20000)), "41 54 0D 0A ");

    ASSERT_TRUE(Shell("xdotool key F4"));
    Settle();
    ASSERT_TRUE(pty.Write("\xA5\x5A"));
    EXPECT_EQ(CopyViewText("A5 5A "), "A5 5A ");
}

// 통신 > 파일 보내기: a file of random bytes goes out exactly.
void SendAFile(const Launched& launched, testing::PtyPair& pty, const testing::ScratchFolder& folder)
{
    const std::string bytes = testing::RandomBytes(64 * 1024, 20240611);
    const std::string file = folder.Write("random.bin", bytes);
    PressKeys(launched.window, {"alt+c", "f"});
    const std::string dialog = launched.program->WaitForWindow("파일 보내기", 30s);
    ASSERT_FALSE(dialog.empty()) << "no file dialog appeared";
    PressKeys(dialog, {"ctrl+l"});
    TypeLine(file);
    const std::string sent = pty.Read(bytes.size(), 60000);
    EXPECT_EQ(sent.size(), bytes.size());
    EXPECT_TRUE(sent == bytes) << "the file's bytes did not go out as they are";
}

// Output held by the device: typed keys wait, and once output goes on they
// go out in order. Held again, Disconnect closes the device at once, and
// the waiting key is dropped with the connection.
void HoldOutput(const std::string& window, Program& program, testing::PtyPair& pty)
{
    ASSERT_TRUE(Shell("xdotool windowfocus --sync " + window));
    ASSERT_TRUE(pty.HoldOutput(true));
    ASSERT_TRUE(Shell("xdotool type --delay 100 ab"));
    EXPECT_TRUE(pty.Read(1, 1500).empty()) << "output went out while held";
    ASSERT_TRUE(pty.HoldOutput(false));
    EXPECT_EQ(HexText(pty.Read(2, 20000)), "61 62 ");

    ASSERT_TRUE(pty.HoldOutput(true));
    ASSERT_TRUE(Shell("xdotool type --delay 100 c"));
    ChooseFromFileMenu(window);
    EXPECT_TRUE(testing::WaitUntil([&] { return !program.HoldsOpen(pty.SlavePath()); }, 1000ms, 20ms))
        << "Disconnect did not close the device within a second";
    ASSERT_TRUE(pty.HoldOutput(false));
    EXPECT_TRUE(pty.Read(1, 500).empty());
}

TEST_F(EndToEnd, SendBarFileSendingClearingAndHeldOutput)
{
    testing::PtyPair pty;
    const Launched launched = Launch({}, {"TESSALINE_COM1=" + pty.SlavePath()});
    const auto& [program, window] = launched;
    ASSERT_FALSE(window.empty());

    WalkTheSendBar(pty);
    SendAFile(launched, pty, m_scratch);
    // 통신 > 화면 지우기 empties the view: what comes next is all it shows.
    PressKeys(window, {"alt+c", "e"});
    ASSERT_TRUE(pty.Write("\x11"));
    EXPECT_EQ(CopyViewText("11 "), "11 ");
    HoldOutput(window, *program, pty);
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
}

#ifdef TESSALINE_MODEM_SHIM

// The modem-line shim's state file, "DTR=0 RTS=0 CTS=1 DSR=0 RI=0 DCD=1",
// replaced whole by a rename so that the shim never reads half of it.
void WriteLines(const std::string& path, const std::string& lines)
{
    std::ofstream(path + ".new", std::ios::trunc) << lines << '\n';
    std::filesystem::rename(path + ".new", path);
}

// The status bar's strip at the bottom of the window, as raw pixels.
std::string StatusStrip(const std::string& window)
{
    const std::string geometry = Capture("xdotool getwindowgeometry --shell " + window);
    const auto field = [&geometry](const std::string& name) {
        const std::size_t at = geometry.find(name + "=");
        return at == std::string::npos ? 0 : std::atoi(geometry.c_str() + at + name.size() + 1);
    };
    const int width = field("WIDTH"), height = field("HEIGHT");
    return Capture("import -window " + window + " -crop " + std::to_string(width) + "x24+0+" +
                   std::to_string(height - 24) + " rgb:- 2>/dev/null");
}

TEST_F(EndToEnd, ControlLinesAndTheLinePanesThroughTheModemShim)
{
    testing::PtyPair pty;
    const std::string state = m_config + "/modem-lines";
    WriteLines(state, "DTR=0 RTS=0 CTS=1 DSR=0 RI=0 DCD=1");
    const auto [program, window] = Launch({}, {"TESSALINE_COM1=" + pty.SlavePath(), "TESSALINE_MODEM_STATE=" + state,
                                               "LD_PRELOAD=" TESSALINE_MODEM_SHIM});
    ASSERT_FALSE(window.empty());

    // Both lines are off after Connect; the check items set and clear them.
    const auto lines = [&state] { return FileContents(state); };
    const auto linesSay = [&lines](const char* word) {
        return testing::WaitUntil([&] { return lines().find(word) != std::string::npos; }, 5000ms, 20ms);
    };
    EXPECT_TRUE(linesSay("DTR=0")) << lines();
    EXPECT_NE(lines().find("RTS=0"), std::string::npos) << lines();
    PressKeys(window, {"alt+c", "d"});
    EXPECT_TRUE(linesSay("DTR=1")) << lines();
    PressKeys(window, {"alt+c", "r"});
    EXPECT_TRUE(linesSay("RTS=1")) << lines();
    PressKeys(window, {"alt+c", "d"});
    EXPECT_TRUE(linesSay("DTR=0")) << lines();

    // CTS dropping blanks its pane within 250 ms; rising shows it again.
    const std::string withCts = StatusStrip(window);
    ASSERT_FALSE(withCts.empty());
    WriteLines(state, "DTR=0 RTS=1 CTS=0 DSR=0 RI=0 DCD=1");
    std::this_thread::sleep_for(250ms);
    EXPECT_TRUE(StatusStrip(window) != withCts) << "the CTS pane did not change within 250 ms";
    WriteLines(state, "DTR=0 RTS=1 CTS=1 DSR=0 RI=0 DCD=1");
    std::this_thread::sleep_for(250ms);
    EXPECT_TRUE(StatusStrip(window) == withCts) << "the CTS pane did not come back within 250 ms";
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
}

#else

TEST_F(EndToEnd, ControlLinesAndTheLinePanesThroughTheModemShim)
{
    GTEST_SKIP() << "the modem-line shim (tools/modemshim) is not part of this build";
}

#endif

}  // namespace
}  // namespace tessaline::e2e
