// The fixture the serial suites share: a pty as the device and faults
// cleared after each test.
#pragma once

#include "tests/serial/SerialTestSupport.h"

namespace serialtest {

class SerialTest : public ::testing::Test
{
protected:
    const char* Path() const { return m_pty.SlavePath().c_str(); }
    // A port of class Port, opened on the pty for overlapped I/O (an event
    // port with its watcher) unless asked otherwise, that lives as long as
    // the test.
    template <class Port = TestPort>
    Port& Opened(bool overlapped = true)
    {
        m_ports.push_back(std::make_unique<Port>());
        EXPECT_EQ(m_ports.back()->Open(Path(), 0, 0, overlapped), 0);
        return static_cast<Port&>(*m_ports.back());
    }
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

    PtyPair m_pty;
    FaultScope m_faults;
    std::vector<std::unique_ptr<CSerialPort>> m_ports;
};

using SerialPortTest = SerialTest;
using SerialEventPortTest = SerialTest;

}  // namespace serialtest
