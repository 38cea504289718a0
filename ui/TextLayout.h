// The edit control's text and its soft-wrapped rows.
//
// Holds the text as one byte string and the start offset of every row at a
// given width in cells. Edits only mark the rows from the edit onward as
// stale; the rows are rebuilt on the next query, so appending at the end
// costs time in proportion to the appended text, and many edits between two
// queries are wrapped once. Positions are byte offsets into the text.
//
// Threading: not thread-safe; the control uses it on the GUI thread.
#pragma once

#include "ui/TextBuffer.h"
#include "ui/TextUnits.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace tessaline::ui {

class TextLayout
{
public:
    explicit TextLayout(unsigned widthCells = 80);

    std::string_view Text() const { return m_text.View(); }
    std::size_t Size() const { return m_text.Size(); }

    // Width in cells; a change rewraps everything on the next query.
    void SetWidth(unsigned widthCells);
    unsigned Width() const { return m_width; }

    void Assign(std::string_view text);
    void Insert(std::size_t pos, std::string_view text);
    void Erase(std::size_t pos, std::size_t length);

    // Removes whole rows from the front until at most maxBytes remain.
    // Returns the bytes removed; *rowsRemoved gets the rows removed.
    std::size_t TrimFront(std::size_t maxBytes, std::size_t* rowsRemoved);

    std::size_t RowCount() const;
    std::size_t RowStart(std::size_t row) const;
    // One past the row's last byte, its line break included.
    std::size_t RowEnd(std::size_t row) const;
    // The row's end without its line break: where End puts the caret.
    std::size_t RowContentEnd(std::size_t row) const;
    bool RowEndsWithBreak(std::size_t row) const;
    // The row holding pos; a soft-wrap boundary belongs to the later row.
    std::size_t RowOf(std::size_t pos) const;

    // Character boundaries (never inside UTF-8 sequences or CR LF).
    std::size_t CharStart(std::size_t pos) const;
    std::size_t NextChar(std::size_t pos) const;
    std::size_t PrevChar(std::size_t pos) const;

    // Column of pos within row (pos between the row's start and end).
    unsigned ColumnOf(std::size_t row, std::size_t pos) const;
    // The boundary in row nearest to column (a fractional column picks the
    // closer side of a character); never past the row's content end.
    std::size_t PositionAt(std::size_t row, double column) const;

    // Word around pos for double-click: a run of non-blank characters, or
    // the run of blanks pos is in.
    void WordAt(std::size_t pos, std::size_t* begin, std::size_t* end) const;

    std::size_t MemoryBytes() const;

private:
    void Invalidate(std::size_t pos);
    void EnsureLayout() const;

    TextBuffer m_text;
    unsigned m_width;
    mutable std::vector<std::size_t> m_rows;  // row start offsets; m_rows[0] == 0
    mutable std::size_t m_validRows = 1;      // leading entries that are up to date
    mutable bool m_stale = false;             // rows past m_validRows need wrapping
};

}  // namespace tessaline::ui
