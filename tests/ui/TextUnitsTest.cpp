// Character classification and soft wrapping, without a window.
#include "ui/TextUnits.h"
#include "tests/support/HexText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tessaline::ui {
namespace {

std::vector<std::size_t> Wrap(const std::string& text, unsigned width)
{
    std::vector<std::size_t> rows{0};
    WrapRows(text.data(), text.size(), 0, width, [&](std::size_t start) { rows.push_back(start); });
    return rows;
}

std::string Hex(std::size_t pairs)
{
    return testing::HexText(testing::CountingBytes(pairs, 37));
}

TEST(DecodeCharTest, ClassifiesEachKindOfCharacter)
{
    struct Case
    {
        const char* name;
        std::string text;
        std::uint32_t length;
        std::uint32_t cells;
        std::uint32_t codePoint;
        CharKind kind;
    };
    const Case cases[] = {
        {"ascii", "A", 1, 1, 'A', CharKind::Printable},
        {"lone LF", "\n", 1, 0, '\n', CharKind::LineBreak},
        {"CR LF", "\r\nx", 2, 0, '\r', CharKind::LineBreak},
        {"lone CR", "\rx", 1, 2, '\r', CharKind::Placeholder},
        {"CR at end", "\r", 1, 2, '\r', CharKind::Placeholder},
        {"backspace", "\x08", 1, 2, 8, CharKind::Placeholder},
        {"tab", "\t", 1, 2, 9, CharKind::Placeholder},
        {"NUL", std::string(1, '\0'), 1, 2, 0, CharKind::Placeholder},
        {"DEL", "\x7F", 1, 2, 0x7F, CharKind::Placeholder},
        {"two-byte e acute", "\xC3\xA9", 2, 1, 0xE9, CharKind::Printable},
        {"C1 control", "\xC2\x85", 2, 2, 0x85, CharKind::Placeholder},
        {"Hangul syllable", "\xED\x95\x9C", 3, 2, 0xD55C, CharKind::Printable},
        {"CJK ideograph", "\xE4\xB8\xAD", 3, 2, 0x4E2D, CharKind::Printable},
        {"full-width A", "\xEF\xBC\xA1", 3, 2, 0xFF21, CharKind::Printable},
        {"emoji", "\xF0\x9F\x98\x80", 4, 2, 0x1F600, CharKind::Printable},
        {"lone continuation", "\x80", 1, 2, 0x80, CharKind::Placeholder},
        {"overlong NUL", "\xC0\x80", 1, 2, 0xC0, CharKind::Placeholder},
        {"surrogate", "\xED\xA0\x80", 1, 2, 0xED, CharKind::Placeholder},
        {"truncated at end", "\xED\x95", 1, 2, 0xED, CharKind::Placeholder},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 1, 2, 0xF4, CharKind::Placeholder},
        {"Latin-1 byte from a typed key", "\xE9x", 1, 2, 0xE9, CharKind::Placeholder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CharInfo info = DecodeChar(c.text.data(), c.text.size(), 0);
        EXPECT_EQ(info.length, c.length);
        EXPECT_EQ(info.cells, c.cells);
        EXPECT_EQ(info.codePoint, c.codePoint);
        EXPECT_EQ(info.kind, c.kind);
    }
}

TEST(DecodeCharTest, CharStartNeverLandsInsideASequenceOrALineBreak)
{
    const std::string text = "a\xED\x95\x9C\r\nb\xF0\x9F\x98\x80\x80z";
    // Boundaries: a|한|CRLF|b|😀|\x80|z
    const std::size_t expected[] = {0, 1, 1, 1, 4, 4, 6, 7, 7, 7, 7, 11, 12, 13};
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        SCOPED_TRACE(pos);
        EXPECT_EQ(CharStartAt(text.data(), text.size(), pos), expected[pos]);
    }
}

TEST(DecodeCharTest, PlaceholderLabels)
{
    const std::pair<std::uint32_t, const char*> cases[] = {{0, "^@"},    {8, "^H"},    {0x1B, "^["},
                                                           {0x7F, "^?"}, {0x85, "85"}, {0xE9, "E9"}};
    for (const auto& [codePoint, expected] : cases) {
        char label[3];
        PlaceholderLabel(codePoint, label);
        EXPECT_STREQ(label, expected) << codePoint;
    }
}

TEST(WrapTest, RowStartsAtSeveralWidths)
{
    // A name, a text, a width in cells, and the row starts.
    const std::tuple<const char*, std::string, unsigned, std::vector<std::size_t>> cases[] = {
        {"hex fits exactly", "41 42 43 44 ", 6, {0, 6}},
        {"hex, one cell spare", "41 42 43 44 ", 7, {0, 6}},
        {"hex, two cells spare", "41 42 43 44 ", 8, {0, 6}},
        {"hex, three pairs a row", "41 42 43 44 ", 9, {0, 9}},
        {"hex narrower than a pair", "41 42 ", 2, {0, 3}},
        {"hex pair without its space yet", "41 42 4", 4, {0, 3}},
        {"plain text wraps by character", "abcdefgh", 3, {0, 3, 6}},
        {"mixed text keeps pairs whole", "ab41 42 cd", 4, {0, 2, 5, 9}},
        {"typed letters between pairs", "41 x42 43 ", 6, {0, 4}},
        {"Hangul takes two cells", "\xED\x95\x9C\xEA\xB8\x80\xED\x95\x9C", 5, {0, 6}},
        {"wide char moves to the next row", "a\xED\x95\x9C\xEA\xB8\x80", 4, {0, 4}},
        {"wide char alone in a one-cell row", "\xED\x95\x9C\xEA\xB8\x80", 1, {0, 3}},
        {"CR LF breaks the line", "41 \r\n42 ", 80, {0, 5}},
        {"lone LF breaks the line", "ab\ncd", 80, {0, 3}},
        {"line break at the end opens a row", "ab\r\n", 80, {0, 4}},
        {"empty lines", "\n\n", 80, {0, 1, 2}},
        {"lone CR is a two-cell placeholder", "a\rb", 3, {0, 2}},
        {"backspace placeholder", "41 \x08", 4, {0, 3}},
        {"full row then CR LF: no empty row", "abc\r\nd", 3, {0, 5}},
    };
    for (const auto& [name, text, width, rows] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Wrap(text, width), rows);
    }
}

TEST(WrapTest, HexRunsNeverSplitAPairAtAnyWidth)
{
    const std::string text = Hex(500);
    for (unsigned width = 1; width <= 200; ++width) {
        const auto rows = Wrap(text, width);
        const std::size_t perRow = std::max(1u, width / 3);
        ASSERT_EQ(rows.size(), (500 + perRow - 1) / perRow) << width;
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(rows[i], i * perRow * 3) << width;
    }
}

TEST(WrapTest, ContinuingFromARowStartMatchesAFullWrap)
{
    std::string text = Hex(40) + "hello \xED\x95\x9C\xEA\xB8\x80 \r\n" + Hex(25) + "\x08\x1B" + Hex(30);
    for (unsigned width : {5u, 16u, 33u}) {
        const auto full = Wrap(text, width);
        for (std::size_t from = 0; from < full.size(); ++from) {
            std::vector<std::size_t> tail{full[from]};
            WrapRows(text.data(), text.size(), full[from], width, [&](std::size_t s) { tail.push_back(s); });
            ASSERT_EQ(tail, std::vector<std::size_t>(full.begin() + static_cast<std::ptrdiff_t>(from), full.end()));
        }
    }
}

TEST(PieceTest, SplitsRunsAtWideCharsPlaceholdersAndSelection)
{
    const std::string text = "ab\xED\x95\x9C"
                             "c\x08"
                             "de\r\n";
    struct Piece
    {
        std::size_t pos, length;
        unsigned column, cells;
        CharKind kind;
        bool operator==(const Piece&) const = default;
    };
    // The pieces of text[0, end) with the selection [selBegin, selEnd).
    const auto pieces = [&text](std::size_t end, std::size_t selBegin, std::size_t selEnd) {
        std::vector<Piece> found;
        ForEachPiece(text.data(), text.size(), 0, end, selBegin, selEnd, [&](const DisplayPiece& p) {
            found.push_back({p.pos, p.length, p.column, p.cells, p.kind});
        });
        return found;
    };
    const std::vector<Piece> expected = {
        {0, 2, 0, 2, CharKind::Printable},   {2, 3, 2, 2, CharKind::Printable}, {5, 1, 4, 1, CharKind::Printable},
        {6, 1, 5, 2, CharKind::Placeholder}, {7, 2, 7, 2, CharKind::Printable},
    };
    // The selection boundary at 9/10 lies in the line break, which yields nothing.
    EXPECT_EQ(pieces(text.size(), 9, 10), expected);
    const std::vector<Piece> split = {
        {0, 1, 0, 1, CharKind::Printable}, {1, 1, 1, 1, CharKind::Printable}, {2, 3, 2, 2, CharKind::Printable}};
    EXPECT_EQ(pieces(5, 1, 5), split);
}

}  // namespace
}  // namespace tessaline::ui
