// Keeping a record, staying connected across an unplug, and time-stamped
// bursts, in the real program.
#include "tests/app/e2e/EndToEnd.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace tessaline::e2e;
using tessaline::testing::PtyPair;
using tessaline::testing::WaitUntil;
using Clock = std::chrono::steady_clock;

std::uintmax_t FileSize(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// A fake device tree (read through TESSALINE_DEVICE_ROOT) whose adapters
// are links in dev/serial/by-id to pseudo-terminals; udev removes the
// folders with the last adapter.
class DeviceTree
{
public:
    explicit DeviceTree(std::string root) : m_root(std::move(root)) {}

    std::string Path(const std::string& name) const { return m_root + "/dev/serial/by-id/" + name; }
    void Plug(const std::string& name, const PtyPair& device) const
    {
        std::filesystem::create_directories(m_root + "/dev/serial/by-id");
        std::filesystem::create_symlink(device.SlavePath(), Path(name));
    }
    void UnplugAll() const { std::filesystem::remove_all(m_root + "/dev/serial"); }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
};

TEST_F(EndToEnd, LogsEveryByteAndWaitsForTheSameAdapterAcrossAnUnplug)
{
    const DeviceTree tree(m_config + "/root");
    const std::string log = m_config + "/수신 기록.bin", adapter = "usb-Tessa_A-if00-port0";
    const std::string random = tessaline::testing::RandomBytes(1 << 20, 20240102),
                      tail("\x5A\xA5\x3C\xC3\x0F\xF0\x69\x96", 8);
    const std::vector<std::string> onTheTree = {"TESSALINE_DEVICE_ROOT=" + tree.Root()};
    PtyPair first, other, returned;
    tree.Plug(adapter, first);
    {
        const auto [program, window] = Launch({"--log", log}, onTheTree);
        ASSERT_FALSE(window.empty());
        ASSERT_TRUE(WaitUntil([&] { return program->HoldsOpen(first.SlavePath()); })) << "Connect opened nothing";
        ASSERT_TRUE(first.Write(random));
        const auto written = Clock::now();
        ASSERT_TRUE(WaitUntil([&] { return FileSize(log) >= random.size(); }));
        EXPECT_LT(Clock::now() - written, 2s) << "the log reached its file late";
        EXPECT_EQ(FileContents(log), random);

        // Unplugged: the port is let go without a box, and another adapter
        // that comes meanwhile (COM1 would be it now) is left alone.
        first.CloseMaster();
        tree.UnplugAll();
        ASSERT_TRUE(WaitUntil([&] { return !program->HoldsOpen(first.SlavePath()); })) << "the port was kept";
        tree.Plug("usb-Tessa_B-if00-port0", other);
        Settle();
        EXPECT_EQ(program->VisibleWindows().size(), 1u) << "a box appeared";

        tree.Plug(adapter, returned);
        const auto back = Clock::now();
        ASSERT_TRUE(WaitUntil([&] { return program->HoldsOpen(returned.SlavePath()); })) << "not reopened";
        EXPECT_LT(Clock::now() - back, 1s) << "reopened late";
        ASSERT_TRUE(returned.Write(tail));
        ASSERT_TRUE(WaitUntil([&] { return FileSize(log) >= random.size() + tail.size(); }));
        EXPECT_EQ(FileContents(log), random + tail);
        const std::string text = CopyViewText(HexText(tail));
        EXPECT_TRUE(text.ends_with(HexText(random.substr(random.size() - 100) + tail)))
            << text.substr(text.size() - 400);
        EXPECT_FALSE(program->HoldsOpen(other.SlavePath()));
        EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
    }

    // A second run continues the log; Disconnect while it waits ends the
    // wait, so the adapter's return is left alone.
    {
        const auto [program, window] = Launch({"--log", log}, onTheTree);
        ASSERT_FALSE(window.empty());
        ASSERT_TRUE(WaitUntil([&] { return program->HoldsOpen(returned.SlavePath()); }));
        ASSERT_TRUE(returned.Write("\x01\x02"));
        ASSERT_TRUE(WaitUntil([&] { return FileSize(log) >= random.size() + tail.size() + 2; }));
        returned.CloseMaster();
        std::filesystem::remove(tree.Path(adapter));
        ASSERT_TRUE(WaitUntil([&] { return !program->HoldsOpen(returned.SlavePath()); }));
        ChooseFromFileMenu(window);  // Connect is disabled while it waits: four steps reach Disconnect
        PtyPair again;
        tree.Plug(adapter, again);
        EXPECT_FALSE(WaitUntil([&] { return program->HoldsOpen(again.SlavePath()); }, 1500ms));
        EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
    }
    EXPECT_EQ(FileContents(log), random + tail + "\x01\x02");
}

TEST_F(EndToEnd, ALogThatCannotBeWrittenIsReportedOnceAndReceivingGoesOn)
{
    PtyPair pty;
    Program program({"--port", "COM1=" + pty.SlavePath(), "--log", "/dev/full"});
    const std::string box = program.WaitForWindow("Tessaline 오류");
    ASSERT_FALSE(box.empty()) << "no message box";
    PressKeys(box, {"Return"});
    const std::string window = program.WaitForWindow("제목 없음 - Tessaline");
    ASSERT_FALSE(window.empty());
    ChooseFromFileMenu(window);
    ASSERT_TRUE(WaitUntil([&] { return program.HoldsOpen(pty.SlavePath()); }));
    ASSERT_TRUE(pty.Write("\x10\x20\x30"));
    EXPECT_NE(CopyViewText("10 20 30 ").find("10 20 30 "), std::string::npos);
    EXPECT_EQ(program.VisibleWindows().size(), 1u) << "a second box appeared";
    EXPECT_EQ(ExitThroughTheMenu(window, program), 0);
}

TEST_F(EndToEnd, TimestampsPutEachBurstOnALineOfItsOwn)
{
    PtyPair pty;
    const auto [program, window] = Launch({"--port", "COM1=" + pty.SlavePath(), "--timestamps"});
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(WaitUntil([&] { return program->HoldsOpen(pty.SlavePath()); }));
    for (const char* burst : {"\x01\x02\x03", "\x04\x05\x06", "\x07\x08\x09"}) {
        ASSERT_TRUE(pty.Write(burst));
        std::this_thread::sleep_for(350ms);
    }
    const std::string text = CopyViewText("07 08 09 ");
    const std::regex lines(R"((\d\d:\d\d:\d\d\.\d\d\d  01 02 03 )\n)"
                           R"((\d\d:\d\d:\d\d\.\d\d\d  04 05 06 )\n)"
                           R"((\d\d:\d\d:\d\d\.\d\d\d  07 08 09 ))");
    EXPECT_TRUE(std::regex_match(text, lines)) << text;
    EXPECT_EQ(ExitThroughTheMenu(window, *program), 0);
}

}  // namespace
