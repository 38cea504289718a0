// The text store and its incremental row index, without a window.
#include "ui/TextLayout.h"
#include "tests/support/HexText.h"
#include "ui/TextBuffer.h"
#include "ui/UndoRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tessaline::ui {
namespace {

std::vector<std::size_t> Rows(const TextLayout& layout)
{
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < layout.RowCount(); ++r)
        rows.push_back(layout.RowStart(r));
    return rows;
}

std::vector<std::size_t> FreshRows(std::string_view text, unsigned width)
{
    TextLayout fresh(width);
    fresh.Assign(text);
    return Rows(fresh);
}

std::string HexChunk(std::mt19937& random, std::size_t pairs)
{
    return testing::HexText(testing::RandomBytes(pairs, random()));
}

TEST(TextLayoutTest, EditsAnywhereGiveTheSameRowsAsAFreshLayout)
{
    std::mt19937 random(1234);
    const std::string pieces[] = {"x", "\r\n", "\n", "\x08", "\xED\x95\x9C", "4", "1 ", " ", "ab\xC3\xA9"};
    for (unsigned width : {7u, 20u, 61u}) {
        TextLayout layout(width);
        for (int step = 0; step < 400; ++step) {
            const unsigned choice = random() % 10;
            if (choice < 5) {
                layout.Insert(layout.Size(), HexChunk(random, 1 + random() % 40));
            } else if (choice < 8) {
                const std::size_t pos = layout.CharStart(random() % (layout.Size() + 1));
                layout.Insert(pos, pieces[random() % std::size(pieces)]);
            } else if (layout.Size() > 0) {
                const std::size_t pos = layout.CharStart(random() % layout.Size());
                layout.Erase(pos, layout.NextChar(pos) - pos + (random() % 4));
            }
            if (step % 7 == 0 || step == 399) {
                ASSERT_EQ(Rows(layout), FreshRows(layout.Text(), width)) << "width " << width << " step " << step;
            }
        }
    }
}

TEST(TextLayoutTest, WidthChangeRewrapsEverything)
{
    TextLayout layout(9);
    layout.Assign("41 42 43 44 45 46 ");
    EXPECT_EQ(layout.RowCount(), 2u);
    layout.SetWidth(6);
    EXPECT_EQ(Rows(layout), (std::vector<std::size_t>{0, 6, 12}));
    layout.SetWidth(0);  // treated as one cell: one pair a row
    EXPECT_EQ(layout.RowCount(), 6u);
}

TEST(TextLayoutTest, RowQueries)
{
    TextLayout layout(6);
    layout.Assign("41 42 43 \r\n\xED\x95\x9C"
                  "ab\n");
    // Rows: "41 42 " | "43 \r\n" | "한ab\n" | ""
    ASSERT_EQ(Rows(layout), (std::vector<std::size_t>{0, 6, 11, 17}));
    EXPECT_EQ(layout.RowOf(0), 0u);
    EXPECT_EQ(layout.RowOf(6), 1u);  // a soft-wrap boundary belongs to the later row
    EXPECT_EQ(layout.RowOf(10), 1u);
    EXPECT_EQ(layout.RowOf(17), 3u);
    EXPECT_FALSE(layout.RowEndsWithBreak(0));
    EXPECT_TRUE(layout.RowEndsWithBreak(1));
    EXPECT_EQ(layout.RowContentEnd(1), 9u);
    EXPECT_EQ(layout.RowContentEnd(2), 16u);
    EXPECT_EQ(layout.RowEnd(3), 17u);
    EXPECT_EQ(layout.ColumnOf(2, 14), 2u);  // after the wide syllable
    EXPECT_EQ(layout.ColumnOf(2, 16), 4u);
    // Positions from columns: nearest boundary, never inside the wide char,
    // never past the line break.
    EXPECT_EQ(layout.PositionAt(2, 0.4), 11u);
    EXPECT_EQ(layout.PositionAt(2, 1.2), 14u);
    EXPECT_EQ(layout.PositionAt(2, 0.9), 11u);
    EXPECT_EQ(layout.PositionAt(2, 40), 16u);
    EXPECT_EQ(layout.PositionAt(0, 40), 6u);
}

TEST(TextLayoutTest, CharacterStepsSkipSequencesAndLineBreaks)
{
    TextLayout layout(80);
    layout.Assign("a\r\n\xED\x95\x9C\x80z");
    std::vector<std::size_t> forward{0};
    while (forward.back() < layout.Size())
        forward.push_back(layout.NextChar(forward.back()));
    EXPECT_EQ(forward, (std::vector<std::size_t>{0, 1, 3, 6, 7, 8}));
    std::vector<std::size_t> backward{layout.Size()};
    while (backward.back() > 0)
        backward.push_back(layout.PrevChar(backward.back()));
    EXPECT_EQ(backward, (std::vector<std::size_t>{8, 7, 6, 3, 1, 0}));
}

TEST(TextLayoutTest, WordAt)
{
    TextLayout layout(80);
    layout.Assign("41 42  hello\xED\x95\x9C x");
    // A position and the word around it.
    const std::pair<std::size_t, std::pair<std::size_t, std::size_t>> cases[] = {
        {0, {0, 2}}, {1, {0, 2}}, {2, {2, 3}}, {4, {3, 5}}, {5, {5, 7}}, {9, {7, 15}}, {13, {7, 15}}, {17, {16, 17}}};
    for (const auto& [pos, word] : cases) {
        std::pair<std::size_t, std::size_t> found{0, 0};
        layout.WordAt(pos, &found.first, &found.second);
        EXPECT_EQ(found, word) << pos;
    }
}

TEST(TextLayoutTest, TrimFrontRemovesWholeRows)
{
    std::mt19937 random(7);
    TextLayout layout(30);  // ten pairs a row
    std::string all;
    for (int i = 0; i < 100; ++i) {
        const std::string chunk = HexChunk(random, 37);
        all += chunk;
        layout.Insert(layout.Size(), chunk);
    }
    const std::size_t rowsBefore = layout.RowCount();
    std::size_t rowsRemoved = 0;
    const std::size_t removed = layout.TrimFront(5000, &rowsRemoved);
    EXPECT_LE(layout.Size(), 5000u);
    EXPECT_GT(layout.Size(), 5000u - 30u);  // no more than needed, to a row start
    EXPECT_EQ(removed % 30, 0u);
    EXPECT_EQ(rowsRemoved, removed / 30);
    EXPECT_EQ(layout.RowCount(), rowsBefore - rowsRemoved);
    EXPECT_EQ(layout.Text(), all.substr(removed));
    EXPECT_EQ(Rows(layout), FreshRows(layout.Text(), 30));
    EXPECT_EQ(layout.TrimFront(5000, &rowsRemoved), 0u);
    EXPECT_EQ(rowsRemoved, 0u);

    // A single row longer than the limit goes whole.
    TextLayout oneRow(1000);
    oneRow.Assign(std::string(500, 'x'));
    EXPECT_EQ(oneRow.TrimFront(100, &rowsRemoved), 500u);
    EXPECT_EQ(oneRow.Size(), 0u);
    EXPECT_EQ(oneRow.RowCount(), 1u);
}

TEST(UndoRecordTest, FollowsOtherEdits)
{
    struct Case
    {
        const char* name;
        std::size_t recordPos, recordInserted;  // record: [pos, pos+inserted) replaced "XY"
        std::size_t editPos, editRemoved, editInserted;
        bool kept;
        std::size_t newPos;
    };
    const Case cases[] = {
        {"insertion before", 10, 3, 4, 0, 5, true, 15},
        {"insertion after", 10, 3, 13, 0, 5, true, 10},
        {"insertion at start of recorded insertion", 10, 3, 10, 0, 5, true, 15},
        {"insertion inside", 10, 3, 11, 0, 5, false, 0},
        {"insertion at a recorded deletion", 10, 0, 10, 0, 5, true, 10},
        {"replacement before", 10, 3, 2, 4, 1, true, 7},
        {"replacement touching the start", 10, 3, 8, 2, 0, true, 8},
        {"replacement overlapping", 10, 3, 9, 2, 0, false, 0},
        {"deletion straddling a recorded deletion", 10, 0, 9, 2, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UndoRecord record;
        record.Set(c.recordPos, "XY", c.recordInserted);
        record.OnOtherEdit(c.editPos, c.editRemoved, c.editInserted);
        ASSERT_EQ(record.IsSet(), c.kept);
        if (c.kept) {
            EXPECT_EQ(record.Pos(), c.newPos);
            EXPECT_EQ(record.Removed(), "XY");
            EXPECT_EQ(record.InsertedLength(), c.recordInserted);
        }
    }
    UndoRecord record;
    record.Set(10, "", 2);
    record.OnTrimFront(4);
    EXPECT_EQ(record.Pos(), 6u);
    record.OnTrimFront(7);
    EXPECT_FALSE(record.IsSet());
}

// The byte store against std::string as the reference, with edits that take
// their text from the store itself, also while it has to grow.
TEST(TextBuffer, EditsMatchAStringAlsoWhenTheTextComesFromItself)
{
    TextBuffer buffer;
    std::string expected;
    EXPECT_EQ(buffer.View(), "");
    std::mt19937 random(7);
    for (int step = 0; step < 400; ++step) {
        const std::size_t pos = expected.empty() ? 0 : random() % (expected.size() + 1);
        switch (random() % 4) {
        case 0: {
            const std::string chunk(random() % 5000, static_cast<char>('a' + step % 26));
            buffer.Insert(pos, chunk);
            expected.insert(pos, chunk);
            break;
        }
        case 1: {
            // A piece of the buffer inserted into itself; the buffer may grow
            // (and move) while the piece is still being read.
            const std::size_t from = expected.empty() ? 0 : random() % expected.size();
            const std::size_t length = std::min<std::size_t>(expected.size() - from, random() % 100000);
            const std::string piece = expected.substr(from, length);
            buffer.Insert(pos, buffer.View().substr(from, length));
            expected.insert(pos, piece);
            break;
        }
        case 2: {
            const std::size_t length = random() % 3000;
            buffer.Erase(pos, length);
            expected.erase(pos, std::min(length, expected.size() - pos));
            break;
        }
        default:
            if (step % 50 == 0) {
                const std::string tail = expected.substr(pos);
                buffer.Assign(buffer.View().substr(pos));
                expected = tail;
            }
            break;
        }
        ASSERT_EQ(buffer.View(), expected) << "step " << step;
        ASSERT_GE(buffer.Capacity(), buffer.Size());
    }
    buffer.Clear();
    EXPECT_EQ(buffer.Size(), 0u);
}

}  // namespace
}  // namespace tessaline::ui
