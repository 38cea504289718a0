// Shared pieces of the communications tests: a pty opened through
// CreateFileA, an event for overlapped requests and condition waits.
#pragma once

#include "platform/win32.h"
#include "tests/support/NamedCases.h"
#include "tests/support/PtyPair.h"
#include "tests/support/Sentinel.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaline::testing {

inline HANDLE OpenComm(const std::string& path, bool overlapped)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
}

inline DWORD QueuedBytes(HANDLE port)
{
    COMSTAT status{};
    DWORD errors = 0;
    return ClearCommError(port, &errors, &status) ? status.cbInQue : 0xFFFFFFFFu;
}

inline bool SetTimeouts(HANDLE port, DWORD interval, DWORD multiplier, DWORD constant, DWORD writeMultiplier = 0,
                        DWORD writeConstant = 0)
{
    COMMTIMEOUTS timeouts{interval, multiplier, constant, writeMultiplier, writeConstant};
    return SetCommTimeouts(port, &timeouts) != FALSE;
}

inline bool IsSignalled(HANDLE event)
{
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// A pty with its slave opened as a communications device (overlapped unless
// asked otherwise) and two manual-reset events for requests.
class CommTest : public ::testing::Test
{
protected:
    void SetUp() override { OpenPort(true); }

    void OpenPort(bool overlapped)
    {
        ClosePort();
        m_port = OpenComm(m_pty.SlavePath(), overlapped);
        ASSERT_NE(m_port, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        if (!m_event) {
            m_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            m_other = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        }
        ASSERT_NE(m_event, nullptr);
        ASSERT_NE(m_other, nullptr);
    }

    void ClosePort()
    {
        if (m_port != INVALID_HANDLE_VALUE)
            CloseHandle(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }

    void TearDown() override
    {
        ClosePort();
        for (HANDLE event : {m_event, m_other}) {
            if (event)
                CloseHandle(event);
        }
    }

    // The device's line settings.
    DCB Current()
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        EXPECT_TRUE(GetCommState(m_port, &dcb));
        return dcb;
    }

    // A new request record that signals `event`, the first event unless given.
    OVERLAPPED Fresh(HANDLE event = nullptr) const
    {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event ? event : m_event;
        return overlapped;
    }

    // Reads up to `most` bytes with a request that must finish inside the
    // call (as it does with non-blocking read time-outs).
    std::string ReadNow(DWORD most = 64)
    {
        std::string bytes(most, '\0');
        DWORD count = 0;
        OVERLAPPED request = Fresh();
        EXPECT_TRUE(ReadFile(m_port, bytes.data(), most, &count, &request)) << GetLastError();
        bytes.resize(count);
        return bytes;
    }

    // Writes on the far end and waits until the device has queued `total`.
    void Arrive(const std::string& bytes, DWORD total)
    {
        ASSERT_TRUE(m_pty.Write(bytes));
        ASSERT_TRUE(WaitUntil([&] { return QueuedBytes(m_port) == total; })) << "queued " << QueuedBytes(m_port);
    }

    PtyPair m_pty;
    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_event = nullptr;  // for requests
    HANDLE m_other = nullptr;  // for a second request beside one on m_event
};

}  // namespace tessaline::testing
