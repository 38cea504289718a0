// The fixture of the GUI suite: every test starts disconnected, with an
// empty view, default settings and no port aliases.
#pragma once

#include "app/TestPeer.h"
#include "platform/PortNames.h"
#include "tests/app/gui/AppHarness.h"
#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

namespace tessaline::apptest {

using app::DocumentManager;
using app::PortSettings;
using app::TestPeer;

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset()
    {
        if (TestPeer::Connection(Frame()).IsOpen())
            Frame().OnPortDisconnect();
        PumpEvents();
        TestPeer::SetInsertionObserver(View(), nullptr);
        Doc().m_settings = PortSettings{};
        Edit().SetText("");
        platform::ClearPortAliases();
    }

    // Connects port `port` to the pseudo-terminal through the frame's own
    // Connect command.
    static void Connect(testing::PtyPair& pty, int port = 1)
    {
        platform::SetPortAlias("COM" + std::to_string(port), pty.SlavePath());
        Doc().m_settings.port = port;
        Frame().OnPortConnect();
        ASSERT_TRUE(TestPeer::Connection(Frame()).IsOpen());
    }

    testing::PtyPair m_pty;  // a device for the test to connect
};

}  // namespace tessaline::apptest
