// The notification path under load: many open/close cycles against a
// flooding writer, every byte of a large random stream delivered once and in
// order, and no CPU use on a silent line.
#include "tests/serial/SerialTestSupport.h"

#include "tests/support/HexText.h"

#include <atomic>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <unistd.h>

namespace {

using namespace serialtest;

// Reads everything waiting, 100 bytes at a time, as the terminal does on a
// notification; returns false on a failed read.
bool Drain(CSerialPort& port, std::string* sink)
{
    char buffer[100];
    DWORD count = 0;
    do {
        if (port.Read(buffer, sizeof buffer, &count) != 0)
            return false;
        if (sink)
            sink->append(buffer, count);
    } while (count == sizeof buffer);
    return true;
}

TEST(SerialLoad, OpenCloseCyclesUnderAFloodReturnEveryResource)
{
    PtyPair pty;
    MessageQueueTarget target;
    const int master = pty.MasterFd();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    {
        // One cycle first, so that helper threads a runtime starts with the
        // first extra thread (sanitizers have one) are in the baseline.
        TestWnd warmUp;
        ASSERT_EQ(warmUp.Open(pty.SlavePath().c_str(), target.Handle(), 0, 0, 0, 0), 0);
    }
    while (target.Take(0)) {
    }
    const std::size_t fdsBefore = OpenFdCount();
    const std::size_t threadsBefore = ThreadCount();
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        std::mt19937 random(1);
        std::uint8_t chunk[512];
        while (!stop) {
            for (auto& byte : chunk)
                byte = static_cast<std::uint8_t>(random());
            pollfd fd{master, POLLOUT, 0};
            if (poll(&fd, 1, 10) > 0 && write(master, chunk, 1 + random() % sizeof chunk) < 0 && errno != EAGAIN)
                break;
        }
    });
    std::mt19937 random(2);
    std::chrono::steady_clock::duration slowestClose{};
    int notifications = 0;
    constexpr int kCycles = 2000;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        TestWnd port;
        ASSERT_EQ(port.Open(pty.SlavePath().c_str(), target.Handle(), 0, cycle, 0, 0), 0) << "cycle " << cycle;
        const auto openUntil = std::chrono::steady_clock::now() + std::chrono::microseconds(random() % 1500);
        do {
            if (auto message = target.Take(0)) {
                ++notifications;
                ASSERT_TRUE(Drain(port, nullptr));
            }
        } while (std::chrono::steady_clock::now() < openUntil);
        if (random() % 4 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(port.Close(), 0);
        slowestClose = std::max(slowestClose, std::chrono::steady_clock::now() - start);
    }
    stop = true;
    writer.join();

    const auto slowestMs = std::chrono::duration_cast<std::chrono::milliseconds>(slowestClose).count();
    EXPECT_LT(slowestMs, 1000) << "slowest Close";
    EXPECT_GT(notifications, 0);
    EXPECT_TRUE(WaitUntil([&] { return OpenFdCount() == fdsBefore; })) << OpenFdCount() << " vs " << fdsBefore;
    // A thread the process had before (a sanitizer's own) may have ended
    // meanwhile; none of the ports' may be left.
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= threadsBefore; })) << ThreadCount() << " vs " << threadsBefore;
    RecordProperty("slowest_close_ms", static_cast<int>(slowestMs));
    RecordProperty("notifications", notifications);
}

// Notified of each arrival, or held as the terminal holds a stream: only a
// nearly full queue is reported, and a timer drains in between, while the
// port reads the device in stretches.
struct DeliveryCase : NamedCase
{
    DWORD mask;
    int drainEveryMs;  // 0: drain only when notified
};

class SerialDelivery : public ::testing::TestWithParam<DeliveryCase>
{};

TEST_P(SerialDelivery, EveryByteArrivesOnceAndInOrder)
{
    const DeliveryCase& param = GetParam();
    PtyPair pty;
    MessageQueueTarget target;
    constexpr std::size_t kSize = 4 * 1024 * 1024;
    const std::string sent = tessaline::testing::RandomBytes(kSize, 3);

    TestWnd port;
    ASSERT_EQ(port.Open(pty.SlavePath().c_str(), target.Handle(), 0, 0, 0, 0), 0);
    ASSERT_EQ(port.SetEventMask(param.mask), 0);
    std::thread writer([&] {
        // Uneven chunks, so the reads cut the stream at many different places.
        std::size_t offset = 0;
        std::mt19937 sizes(4);
        while (offset < kSize) {
            const std::size_t length = std::min<std::size_t>(1 + sizes() % 3000, kSize - offset);
            if (!pty.Write(sent.data() + offset, length))
                break;
            offset += length;
        }
    });

    std::string received;
    received.reserve(kSize);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (received.size() < kSize && std::chrono::steady_clock::now() < deadline) {
        auto message = target.Take(param.drainEveryMs ? param.drainEveryMs : 1000);
        if (message) {
            EXPECT_EQ(message->message, CSerialWnd::s_defaultComMsg);
        }
        if ((message && (message->wParam & param.mask & (EV_RXCHAR | EV_RX80FULL))) ||
            (!message && param.drainEveryMs)) {
            ASSERT_TRUE(Drain(port, &received));
        }
    }
    writer.join();
    ASSERT_EQ(received.size(), kSize);
    EXPECT_TRUE(received == sent);
    // Nothing more comes: no byte was delivered twice.
    while (auto message = target.Take(100)) {
        ASSERT_TRUE(Drain(port, &received));
    }
    EXPECT_EQ(received.size(), kSize);
}

INSTANTIATE_TEST_SUITE_P(Masks, SerialDelivery,
                         ::testing::Values(DeliveryCase{"each_arrival", EV_RXCHAR | EV_BREAK | EV_ERR, 0},
                                           DeliveryCase{"held", EV_RX80FULL | EV_BREAK | EV_ERR, 100}),
                         CaseName());

TEST(SerialLoad, AWatchingPortOnASilentLineUsesNoCpu)
{
    PtyPair pty;
    MessageQueueTarget target;
    TestWnd port;
    ASSERT_EQ(port.Open(pty.SlavePath().c_str(), target.Handle(), 0, 0, 0, 0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let start-up settle
    const long long before = ProcessCpuMicroseconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long long used = ProcessCpuMicroseconds() - before;
    const long long tickMicroseconds = 1000000 / sysconf(_SC_CLK_TCK);
    RecordProperty("idle_cpu_us", static_cast<int>(used));
    EXPECT_LE(used, tickMicroseconds);
    EXPECT_FALSE(target.Take(0).has_value());
}

}  // namespace
