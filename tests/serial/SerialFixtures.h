// The fixture the serial suites share: a pty as the device and faults
// cleared after each test.
#pragma once

#include "tests/serial/SerialTestSupport.h"

#include "platform/Testing.h"
#include "tests/support/PtyPair.h"

#include <gtest/gtest.h>

namespace serialtest {

class SerialTest : public ::testing::Test
{
protected:
    const char* Path() const { return m_pty.SlavePath().c_str(); }
    // Opens `port` on the pty for overlapped I/O and checks it worked.
    void OpenOverlapped(TestPort& port) { ASSERT_EQ(port.Open(Path(), 0, 0, true), 0); }
    // True when nothing holds the device: another object can open it.
    bool DeviceFree()
    {
        TestPort other;
        return other.Open(Path(), 0, 0, false) == 0;
    }
    // Runs `stop` on another thread and reports whether it returned in time.
    static bool FinishesInTime(const std::function<void()>& stop, int timeoutMs = kGenerousMs)
    {
        CallInThread call("the stop", stop);
        return call.Done(timeoutMs);
    }

    tessaline::testing::PtyPair m_pty;
    tessaline::platform::testing::FaultScope m_faults;
};

// The suites of the port classes, on the same fixture.
using SerialPortTest = SerialTest;
using SerialEventPortTest = SerialTest;

}  // namespace serialtest
