// Each step of Open failing in turn, for the port, the event port and the
// window port, and the state each failure leaves, with injected faults.
#include "tests/serial/SerialFixtures.h"

#include <type_traits>

namespace {

using namespace serialtest;

enum class Kind { Port, EventPort, Window };

struct OpenFailure : NamedCase
{
    Kind kind;
    const char* function;  // the call that fails
    DWORD error;
    DWORD queueSize;
    bool late;        // armed once the read mode is set: the watch event's creation fails
    bool leftOpen;    // the port stays open
    bool reported;    // Open returns the injected error
    bool watchEvent;  // an event or window port keeps its watch event
};

// A port of class Base that can arm a fault once its read mode is set and
// counts the calls of its most derived Close.
template <class Base>
class FailingPort : public Base
{
public:
    explicit FailingPort(const OpenFailure& failure) : m_failure(failure) {}
    LONG SetReadMode(int mode) override
    {
        const LONG status = Base::SetReadMode(mode);
        if (m_failure.late)
            FailNextCalls(m_failure.function, m_failure.error);
        return status;
    }
    LONG Close() override
    {
        ++closes;
        return Base::Close();
    }
    int closes = 0;

private:
    const OpenFailure& m_failure;
};

class OpenFailurePaths : public SerialTest, public ::testing::WithParamInterface<OpenFailure>
{
protected:
    template <class Base>
    void Check()
    {
        constexpr bool watches = !std::is_same_v<Base, TestPort>, window = std::is_same_v<Base, TestWnd>;
        const OpenFailure& c = GetParam();
        const std::size_t fds = OpenFdCount();
        if (!c.late)
            FailNextCalls(c.function, c.error);
        FailingPort<Base> port(c);
        const LONG expected = c.reported ? static_cast<LONG>(c.error) : 0;
        if constexpr (window)
            EXPECT_EQ(port.Open(Path(), m_target.Handle(), 0x8001, 11, c.queueSize, c.queueSize), expected);
        else
            EXPECT_EQ(port.Open(Path(), c.queueSize, c.queueSize, true), expected);
        EXPECT_EQ(port.LastError(), expected);
        EXPECT_EQ(PendingFaults(c.function), 0u);
        EXPECT_EQ(port.IsOpen(), c.leftOpen);
        EXPECT_EQ(port.IoEvent() != nullptr, c.leftOpen);
        if constexpr (watches) {
            EXPECT_EQ(port.WatchEvent() != nullptr, c.watchEvent);
            EXPECT_EQ(port.Thread(), nullptr);
        }
        if constexpr (window) {
            // No destination; a failed start closed the port once and kept the parameter.
            EXPECT_EQ(port.Target(), nullptr);
            EXPECT_EQ(port.Message(), 0u);
            EXPECT_EQ(port.Param(), c.leftOpen ? 0 : 11);
            EXPECT_EQ(port.closes, c.leftOpen ? 0 : 1);
        }
        if (c.leftOpen) {
            EXPECT_EQ(port.WriteText("z"), 0);  // open and usable
            EXPECT_EQ(m_pty.Read(1, kGenerousMs).size(), 1u);
            if constexpr (watches) {
                // A watcher starts for another try only where there is a watch event to wait on.
                EXPECT_EQ(port.StartWatcher(), c.watchEvent ? 0 : static_cast<LONG>(ERROR_INVALID_HANDLE));
                EXPECT_TRUE(m_pty.Write("a"));
                if constexpr (window)
                    EXPECT_FALSE(m_target.Take(100).has_value());
                else
                    EXPECT_EQ(port.WaitForReports(1, c.watchEvent ? kGenerousMs : 100), c.watchEvent);
            }
            EXPECT_EQ(port.Close(), 0);
            EXPECT_FALSE(port.IsOpen());
        }
        EXPECT_TRUE(WaitUntil([&] { return OpenFdCount() == fds; }));
        EXPECT_TRUE(DeviceFree());
    }

    MessageQueueTarget m_target;
};

TEST_P(OpenFailurePaths, ReportTheStepsCodeAndLeaveTheRightState)
{
    switch (GetParam().kind) {
    case Kind::Port: return Check<TestPort>();
    case Kind::EventPort: return Check<RecordingEventPort>();
    case Kind::Window: return Check<TestWnd>();
    }
}

// Name, kind, failing call, its error, queue sizes, late, left open, reported,
// watch event kept.
const OpenFailure kFailures[] = {
    {"CreateFileA", Kind::Port, "CreateFileA", ERROR_ACCESS_DENIED, 0, false, false, true, false},
    {"CreateEventA", Kind::Port, "CreateEventA", ERROR_NOT_ENOUGH_MEMORY, 0, false, false, true, false},
    {"SetupComm", Kind::Port, "SetupComm", ERROR_INVALID_PARAMETER, 4096, false, false, true, false},
    {"SetCommMask", Kind::Port, "SetCommMask", ERROR_GEN_FAILURE, 0, false, true, false, false},
    {"GetCommTimeouts", Kind::Port, "GetCommTimeouts", ERROR_GEN_FAILURE, 0, false, true, true, false},
    {"SetCommTimeouts", Kind::Port, "SetCommTimeouts", ERROR_INVALID_PARAMETER, 0, false, true, true, false},
    {"EventPortWatchEvent", Kind::EventPort, "CreateEventA", ERROR_NOT_ENOUGH_MEMORY, 0, true, false, true, false},
    {"EventPortCreateThread", Kind::EventPort, "CreateThread", ERROR_NOT_ENOUGH_MEMORY, 0, false, true, true, true},
    {"EventPortSetCommTimeouts", Kind::EventPort, "SetCommTimeouts", ERROR_GEN_FAILURE, 0, false, true, true, false},
    {"WindowCreateThread", Kind::Window, "CreateThread", ERROR_NOT_ENOUGH_MEMORY, 0, false, false, true, false},
    {"WindowSetCommTimeouts", Kind::Window, "SetCommTimeouts", ERROR_GEN_FAILURE, 0, false, true, true, false},
};

INSTANTIATE_TEST_SUITE_P(InOrder, OpenFailurePaths, ::testing::ValuesIn(kFailures), CaseName());

}  // namespace
