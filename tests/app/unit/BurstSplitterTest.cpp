// Bursts on lines of their own: which bytes start a line and the time they
// get, from arrival marks and drains given on a made-up clock.
#include "app/BurstSplitter.h"
#include "tests/support/CaseFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>
#include <vector>

namespace tessaline::app {
namespace {

using namespace std::chrono_literals;

// 2024-01-02 12:34:56 UTC; the test runs in UTC.
const auto kWallStart = std::chrono::system_clock::from_time_t(1704198896);
const std::chrono::steady_clock::time_point kSteadyStart{1000h};

ArrivalMark MarkAt(int ms, std::uint64_t arrivedBy)
{
    return {kSteadyStart + std::chrono::milliseconds(ms), kWallStart + std::chrono::milliseconds(ms), arrivedBy};
}

TEST(BurstSplitter, StartsALineWithItsArrivalTimeAfterEachSilence)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    for (const testing::CaseRow& c : testing::ReadCases(TESSALINE_TEST_DATA "/burst_cases.txt")) {
        BurstSplitter splitter;
        std::string text;
        unsigned char next = 1;
        for (const std::string& step : c.List(3)) {
            std::istringstream words(step);
            std::string kind;
            int ms = 0;
            std::uint64_t count = 0;
            words >> kind >> ms >> count;
            if (kind == "mark") {
                splitter.Note(MarkAt(ms, count));
                continue;
            }
            std::vector<unsigned char> bytes;
            for (std::uint64_t i = 0; i < count; ++i)
                bytes.push_back(next++);
            splitter.Split(bytes.data(), bytes.size(), MarkAt(ms, 0), std::chrono::milliseconds(c.Number(1)), text);
        }
        EXPECT_EQ(text, c.Text(2)) << c.Text(0);
    }
}

}  // namespace
}  // namespace tessaline::app
