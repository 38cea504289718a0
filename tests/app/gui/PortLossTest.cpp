// A device that goes away while connected, in the running application,
// without and with reconnection.
#include "tests/app/gui/AppTest.h"
#include "tests/support/ScratchFolder.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace tessaline::apptest {
namespace {

using namespace std::chrono_literals;

class PortLoss : public AppTest
{
protected:
    void TearDown() override
    {
        TestPeer::Connection(Frame()).SetReconnect(true);
        AppTest::TearDown();
    }

    // Connects COM3 to `device` through a symbolic link named `name` in a
    // scratch folder, so that the same path can come back after an unplug.
    void ConnectThroughLink(const char* name, testing::PtyPair& device)
    {
        m_link = m_folder / name;
        ASSERT_EQ(::symlink(device.SlavePath().c_str(), m_link.c_str()), 0);
        platform::SetPortAlias("COM3", m_link);
        Doc().m_settings.port = 3;
        SendCommand(Wx(ID_PORT_CONNECT));
        ASSERT_TRUE(TestPeer::Connection(Frame()).IsOpen());
    }

    testing::ScratchFolder m_folder;
    std::string m_link;
};

TEST_F(PortLoss, UnplugClosesThePortTellsOnceAndReplugConnectsAgain)
{
    TestPeer::Connection(Frame()).SetReconnect(false);
    testing::PtyPair device;
    ASSERT_NO_FATAL_FAILURE(ConnectThroughLink("ttyUSB-link", device));

    CountDialogs dialogs;
    // Bytes the port has taken in before the device goes away stay in view.
    const unsigned before = TestPeer::MessagesPosted(TestPeer::Connection(Frame()));
    ASSERT_TRUE(device.Write("\x10\x20"));
    ASSERT_TRUE(WaitUntil([&] { return TestPeer::MessagesPosted(TestPeer::Connection(Frame())) > before; }));
    const auto unplugged = std::chrono::steady_clock::now();
    device.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return dialogs.Seen() > 0; })) << "no message box";
    RecordProperty(
        "unplug_to_box_ms",
        static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(dialogs.FirstSeenAt() - unplugged).count()));
    EXPECT_EQ(dialogs.LastMessage(), wxString::FromUTF8("COM3 장치와의 연결이 끊어졌습니다."));
    EXPECT_FALSE(TestPeer::Connection(Frame()).IsOpen());
    EXPECT_EQ(PortMenus(), kPortClosed);
    EXPECT_EQ(Edit().GetText(), "10 20 ");

    // A second of ordinary running: no second box, and next to no CPU.
    const long long cpuBefore = testing::ProcessCpuMicroseconds();
    const auto quietUntil = std::chrono::steady_clock::now() + 1s;
    while (std::chrono::steady_clock::now() < quietUntil) {
        PumpEvents();
        std::this_thread::sleep_for(10ms);
    }
    const long long cpuMs = (testing::ProcessCpuMicroseconds() - cpuBefore) / 1000;
    RecordProperty("cpu_ms_in_the_second_after", static_cast<int>(cpuMs));
    EXPECT_LT(cpuMs, 300) << "something keeps running after the loss";
    EXPECT_EQ(dialogs.Seen(), 1);

    // The device comes back behind the same path; Connect opens it.
    testing::PtyPair replugged;
    ASSERT_EQ(::unlink(m_link.c_str()), 0);
    ASSERT_EQ(::symlink(replugged.SlavePath().c_str(), m_link.c_str()), 0);
    SendCommand(Wx(ID_PORT_CONNECT));
    EXPECT_EQ(dialogs.Seen(), 1);
    ASSERT_TRUE(TestPeer::Connection(Frame()).IsOpen());
    ASSERT_TRUE(replugged.Write("\x7E"));
    EXPECT_TRUE(WaitUntil([] { return Edit().GetText() == "10 20 7E "; })) << Edit().GetText();
}

TEST_F(PortLoss, WhileReconnectionWaitsTheMenusCountThePortAsConnectedAndPortSettingsEndsTheWait)
{
    testing::PtyPair device;
    ASSERT_NO_FATAL_FAILURE(ConnectThroughLink("ttyACM-link", device));

    CountDialogs dialogs;
    device.CloseMaster();
    ASSERT_TRUE(WaitUntil([] { return TestPeer::Connection(Frame()).IsWaitingForDevice(); }));
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0),
              wxString::FromUTF8("COM3 장치를 기다리는 중... (" + m_link + ")"));
    EXPECT_EQ(PortMenus(), kPortWaiting);
    EXPECT_EQ(dialogs.Seen(), 0);

    // The settings dialog (answered by the hook) ends the wait.
    SendCommand(Wx(ID_PORT_SETTINGS));
    EXPECT_EQ(dialogs.Seen(), 1);
    EXPECT_FALSE(TestPeer::Connection(Frame()).IsWaitingForDevice());
    EXPECT_EQ(Frame().GetStatusBar()->GetStatusText(0), wxString::FromUTF8("준비"));
    EXPECT_EQ(PortMenus(), kPortClosed);
}

}  // namespace
}  // namespace tessaline::apptest
