// Bursts on lines of their own: which bytes start a line and the time they
// get, from arrival marks and drains given on a made-up clock.
#include "app/BurstSplitter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace tessaline::app {
namespace {

using namespace std::chrono_literals;

// One step: a mark the receive path notes (`arrivedBy` bytes by `ms`), or a
// drain of `count` bytes at `ms`.
struct Step
{
    enum Kind { Mark, Drain } kind;
    int ms;
    std::uint64_t count;
};

struct Case
{
    const char* name;
    int gapMs;
    std::vector<Step> steps;
    const char* expected;
};

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
    using S = Step;
    const Case cases[] = {
        {"the first burst gets its time", 100, {{S::Mark, 0, 2}, {S::Drain, 5, 2}}, "\n12:34:56.000  01 02 "},
        {"one drain holding three bursts splits them at their marks",
         100,
         {{S::Mark, 0, 2}, {S::Mark, 350, 4}, {S::Mark, 700, 5}, {S::Drain, 720, 5}},
         "\n12:34:56.000  01 02 \n12:34:56.350  03 04 \n12:34:56.700  05 "},
        {"arrivals closer than the gap stay on one line",
         100,
         {{S::Mark, 0, 1}, {S::Mark, 99, 2}, {S::Mark, 198, 3}, {S::Drain, 200, 3}},
         "\n12:34:56.000  01 02 03 "},
        {"a silence of exactly the gap starts a line",
         100,
         {{S::Mark, 789, 1}, {S::Mark, 889, 2}, {S::Drain, 900, 2}},
         "\n12:34:56.789  01 \n12:34:56.889  02 "},
        {"a burst drained in two parts stays on one line",
         100,
         {{S::Mark, 0, 4}, {S::Drain, 1, 2}, {S::Drain, 400, 2}},
         "\n12:34:56.000  01 02 03 04 "},
        {"bytes no mark covers yet take the time of their drain",
         100,
         {{S::Drain, 0, 1}, {S::Drain, 500, 1}},
         "\n12:34:56.000  01 \n12:34:56.500  02 "},
        {"a mark for bytes shown already times nothing after them",
         100,
         {{S::Drain, 0, 2}, {S::Mark, 1, 2}, {S::Drain, 50, 1}, {S::Mark, 600, 4}, {S::Drain, 601, 1}},
         "\n12:34:56.000  01 02 03 \n12:34:56.600  04 "},
        {"the gap is the user's",
         1000,
         {{S::Mark, 0, 1}, {S::Mark, 999, 2}, {S::Mark, 2000, 3}, {S::Drain, 2000, 3}},
         "\n12:34:56.000  01 02 \n12:34:58.000  03 "},
    };
    for (const Case& c : cases) {
        BurstSplitter splitter;
        std::string text;
        unsigned char next = 1;
        for (const Step& step : c.steps) {
            if (step.kind == Step::Mark) {
                splitter.Note(MarkAt(step.ms, step.count));
                continue;
            }
            std::vector<unsigned char> bytes;
            for (std::uint64_t i = 0; i < step.count; ++i)
                bytes.push_back(next++);
            splitter.Split(bytes.data(), bytes.size(), MarkAt(step.ms, 0), std::chrono::milliseconds(c.gapMs), text);
        }
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace tessaline::app
