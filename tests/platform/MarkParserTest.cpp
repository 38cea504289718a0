// The error-mark parser on synthetic streams: every mark, split at every
// point, and the DCB options that change what it delivers.
#include "platform/posix/MarkParser.h"
#include "tests/support/NamedCases.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using tessaline::platform::MarkParser;
using namespace tessaline::testing;
using Bytes = std::vector<std::uint8_t>;

struct MarkCase : NamedCase
{
    Bytes input;
    Bytes data;
    unsigned breaks;
    unsigned errors;
};

struct Parsed
{
    Bytes data;
    unsigned breaks = 0;
    unsigned errors = 0;
};

// Feeds `input` in pieces cut at `cuts` (ascending offsets).
Parsed FeedInPieces(MarkParser& parser, const Bytes& input, const std::vector<std::size_t>& cuts)
{
    Parsed parsed;
    std::size_t start = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(input.size());
    for (std::size_t end : ends) {
        Bytes out(end - start + 1);
        const auto result = parser.Feed(input.data() + start, end - start, out.data());
        EXPECT_LE(result.dataBytes, end - start + 1);
        parsed.data.insert(parsed.data.end(), out.begin(), out.begin() + static_cast<long>(result.dataBytes));
        parsed.breaks += result.breaks;
        parsed.errors += result.errors;
        start = end;
    }
    return parsed;
}

const MarkCase kMarkCases[] = {
    {"plain", {0x41, 0x42, 0x00, 0x7F}, {0x41, 0x42, 0x00, 0x7F}, 0, 0},
    {"escaped_ff", {0x41, 0xFF, 0xFF, 0x42}, {0x41, 0xFF, 0x42}, 0, 0},
    {"two_escaped_ff", {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF}, 0, 0},
    {"break", {0x41, 0xFF, 0x00, 0x00, 0x42}, {0x41, 0x42}, 1, 0},
    {"bad_character", {0xFF, 0x00, 0x55, 0x42}, {0x55, 0x42}, 0, 1},
    {"bad_ff_character", {0xFF, 0x00, 0xFF}, {0xFF}, 0, 1},
    {"break_then_error", {0xFF, 0x00, 0x00, 0xFF, 0x00, 0x31}, {0x31}, 1, 1},
    {"unknown_pair_kept", {0xFF, 0x41}, {0xFF, 0x41}, 0, 0},
    {"empty", {}, {}, 0, 0},
};

class MarkParsing : public ::testing::TestWithParam<MarkCase>
{};

TEST_P(MarkParsing, GivesTheSameResultWhereverTheStreamIsCut)
{
    const MarkCase& c = GetParam();
    for (std::size_t cut = 0; cut <= c.input.size(); ++cut) {
        MarkParser parser;
        const Parsed parsed = FeedInPieces(parser, c.input, {cut});
        EXPECT_EQ(parsed.data, c.data) << "cut at " << cut;
        EXPECT_EQ(parsed.breaks, c.breaks) << "cut at " << cut;
        EXPECT_EQ(parsed.errors, c.errors) << "cut at " << cut;
    }
    // One byte per read: the most state to carry.
    MarkParser parser;
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < c.input.size(); ++i)
        everyByte.push_back(i);
    const Parsed parsed = FeedInPieces(parser, c.input, everyByte);
    EXPECT_EQ(parsed.data, c.data);
    EXPECT_EQ(parsed.breaks, c.breaks);
    EXPECT_EQ(parsed.errors, c.errors);
}

INSTANTIATE_TEST_SUITE_P(Marks, MarkParsing, ::testing::ValuesIn(kMarkCases), CaseName());

struct OptionCase : NamedCase
{
    MarkParser::Options options;
    Bytes input;
    Bytes data;
};

const OptionCase kOptionCases[] = {
    {"error_char_replaces_bad_character", {true, '?', false}, {0x41, 0xFF, 0x00, 0x55}, {0x41, '?'}},
    {"nulls_discarded", {false, 0, true}, {0x00, 0x41, 0x00, 0xFF, 0xFF, 0x00}, {0x41, 0xFF}},
    {"bad_character_kept_without_error_char", {false, '?', false}, {0xFF, 0x00, 0x55}, {0x55}},
    {"null_error_char_discarded_with_nulls", {true, 0, true}, {0xFF, 0x00, 0x55, 0x42}, {0x42}},
};

class MarkOptions : public ::testing::TestWithParam<OptionCase>
{};

TEST_P(MarkOptions, ChangeWhatIsDelivered)
{
    MarkParser parser;
    parser.SetOptions(GetParam().options);
    EXPECT_EQ(FeedInPieces(parser, GetParam().input, {}).data, GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(Options, MarkOptions, ::testing::ValuesIn(kOptionCases), CaseName());

TEST(MarkParser, ResetForgetsAHalfReceivedMark)
{
    MarkParser parser;
    const Bytes first = {0x41, 0xFF};
    FeedInPieces(parser, first, {});
    parser.Reset();
    const Parsed parsed = FeedInPieces(parser, {0x00, 0x00, 0x42}, {});
    EXPECT_EQ(parsed.data, (Bytes{0x00, 0x00, 0x42}));
    EXPECT_EQ(parsed.breaks, 0u);
}

}  // namespace
