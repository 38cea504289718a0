#include "app/SendLine.h"

#include <gtest/gtest.h>

namespace tessaline::app {
namespace {

TEST(SendLine, ParsesHexAndQuotedTokensOrNamesTheFirstBadOne)
{
    struct Case
    {
        const char* line;
        std::string bytes;  // for a good line
        std::size_t badToken = 0;
        const char* badText = "";
        std::size_t badBegin = 0, badEnd = 0;  // in characters
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"01 03 00 0A", "\x01\x03\x00\x0A"s},
        {"0103000A", "\x01\x03\x00\x0A"s},
        {"ab Cd eF", "\xAB\xCD\xEF"},
        {"0x0A 0XfF 0x0102", "\x0A\xFF\x01\x02"},
        {"01\t02 \t 03", "\x01\x02\x03"},
        {"", ""},
        {" \t ", ""},
        {"\"AT+GMR\" 0D 0A", "AT+GMR\r\n"},
        {"\"\\r\\n\\t\\0\\\\\\\"\\x41\\x7f\"", "\r\n\t\0\\\"\x41\x7F"s},
        {"\"a b\" \"\"", "a b"},
        {"\"한\" 7E", "\xED\x95\x9C\x7E"},
        {"01 0G", "", 2, "0G", 3, 5},
        {"1", "", 1, "1", 0, 1},
        {"01 012 03", "", 2, "012", 3, 6},
        {"0x", "", 1, "0x", 0, 2},
        {"0x0x01", "", 1, "0x0x01", 0, 6},
        {"01 \"abc", "", 2, "\"abc", 3, 7},
        {"\"a\\\"", "", 1, "\"a\\\"", 0, 4},
        {"01 \"a\\q\" 02", "", 2, "\"a\\q\"", 3, 8},
        {"\"\\x4\"", "", 1, "\"\\x4\"", 0, 5},
        {"\"AT\"0D", "", 1, "\"AT\"0D", 0, 6},
        {"\"한\"\t0G zz", "", 2, "0G", 4, 6},
    };
    for (const Case& c : cases) {
        const SendLine parsed = SendLine::Parse(c.line);
        EXPECT_EQ(parsed.ok, c.badToken == 0) << c.line;
        EXPECT_EQ(parsed.bytes, c.bytes) << c.line;
        EXPECT_EQ(parsed.badToken, c.badToken) << c.line;
        EXPECT_EQ(parsed.badText, c.badText) << c.line;
        EXPECT_EQ(parsed.badBegin, c.badBegin) << c.line;
        EXPECT_EQ(parsed.badEnd, c.badEnd) << c.line;
    }
}

}  // namespace
}  // namespace tessaline::app
