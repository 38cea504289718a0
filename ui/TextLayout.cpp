#include "ui/TextLayout.h"

#include <algorithm>
#include <cmath>

namespace tessaline::ui {

namespace {
// A wrap unit reaches at most this many bytes back from an edit (a hex pair
// and its space), so rows starting this far before the edit keep their place.
constexpr std::size_t kUnitReach = 3;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

TextLayout::TextLayout(unsigned widthCells) : m_width(widthCells == 0 ? 1 : widthCells)
{
    m_rows.push_back(0);
}

void TextLayout::SetWidth(unsigned widthCells)
{
    if (widthCells == 0)
        widthCells = 1;
    if (widthCells == m_width)
        return;
    m_width = widthCells;
    m_validRows = 1;
    m_stale = true;
}

void TextLayout::Assign(std::string_view text)
{
    m_text.Assign(text);
    m_validRows = 1;
    m_stale = true;
}

void TextLayout::Insert(std::size_t pos, std::string_view text)
{
    if (text.empty())
        return;
    pos = std::min(pos, m_text.Size());
    Invalidate(pos);
    const bool atEnd = pos == m_text.Size();
    m_text.Insert(pos, text);
    // Wrapping an append right away costs the same as later; an insertion
    // further up waits, so that many of them are wrapped in one go.
    if (atEnd)
        EnsureLayout();
}

void TextLayout::Erase(std::size_t pos, std::size_t length)
{
    pos = std::min(pos, m_text.Size());
    length = std::min(length, m_text.Size() - pos);
    if (length == 0)
        return;
    Invalidate(pos);
    m_text.Erase(pos, length);
}

void TextLayout::Invalidate(std::size_t pos)
{
    m_stale = true;
    if (m_validRows <= 1)
        return;
    const std::size_t from = pos > kUnitReach ? pos - kUnitReach : 0;
    // Rows starting at or before `from` are decided by bytes the edit leaves alone.
    const auto begin = m_rows.begin();
    const auto it = std::upper_bound(begin, begin + static_cast<std::ptrdiff_t>(m_validRows), from);
    m_validRows = std::max<std::size_t>(1, static_cast<std::size_t>(it - begin));
}

void TextLayout::EnsureLayout() const
{
    if (!m_stale)
        return;
    m_rows.resize(m_validRows);
    const std::size_t start = m_rows.back();
    WrapRows(m_text.Data(), m_text.Size(), start, m_width,
             [this](std::size_t rowStart) { m_rows.push_back(rowStart); });
    m_validRows = m_rows.size();
    m_stale = false;
}

std::size_t TextLayout::TrimFront(std::size_t maxBytes, std::size_t* rowsRemoved)
{
    *rowsRemoved = 0;
    if (m_text.Size() <= maxBytes)
        return 0;
    EnsureLayout();
    const std::size_t least = m_text.Size() - maxBytes;  // bytes that must go
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), least);
    if (it == m_rows.end()) {
        // The last row alone is longer than allowed: drop all text.
        const std::size_t removed = m_text.Size();
        *rowsRemoved = m_rows.size() - 1;
        m_text.Clear();
        m_rows.assign(1, 0);
        m_validRows = 1;
        return removed;
    }
    const std::size_t removed = *it;
    const auto rows = static_cast<std::size_t>(it - m_rows.begin());
    m_text.Erase(0, removed);
    m_rows.erase(m_rows.begin(), it);
    for (auto& start : m_rows)
        start -= removed;
    m_validRows = m_rows.size();
    *rowsRemoved = rows;
    return removed;
}

std::size_t TextLayout::RowCount() const
{
    EnsureLayout();
    return m_rows.size();
}

std::size_t TextLayout::RowStart(std::size_t row) const
{
    EnsureLayout();
    return row < m_rows.size() ? m_rows[row] : m_text.Size();
}

std::size_t TextLayout::RowEnd(std::size_t row) const
{
    EnsureLayout();
    return row + 1 < m_rows.size() ? m_rows[row + 1] : m_text.Size();
}

bool TextLayout::RowEndsWithBreak(std::size_t row) const
{
    const std::size_t end = RowEnd(row);
    return end > RowStart(row) && m_text[end - 1] == '\n';
}

std::size_t TextLayout::RowContentEnd(std::size_t row) const
{
    std::size_t end = RowEnd(row);
    if (end > RowStart(row) && m_text[end - 1] == '\n') {
        --end;
        if (end > RowStart(row) && m_text[end - 1] == '\r')
            --end;
    }
    return end;
}

std::size_t TextLayout::RowOf(std::size_t pos) const
{
    EnsureLayout();
    const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), pos);
    return static_cast<std::size_t>(it - m_rows.begin()) - 1;
}

std::size_t TextLayout::CharStart(std::size_t pos) const
{
    return CharStartAt(m_text.Data(), m_text.Size(), std::min(pos, m_text.Size()));
}

std::size_t TextLayout::NextChar(std::size_t pos) const
{
    pos = CharStart(pos);
    if (pos >= m_text.Size())
        return m_text.Size();
    return pos + DecodeChar(m_text.Data(), m_text.Size(), pos).length;
}

std::size_t TextLayout::PrevChar(std::size_t pos) const
{
    pos = CharStart(pos);
    if (pos == 0)
        return 0;
    return CharStart(pos - 1);
}

unsigned TextLayout::ColumnOf(std::size_t row, std::size_t pos) const
{
    std::size_t at = RowStart(row);
    const std::size_t end = std::min(pos, RowEnd(row));
    unsigned column = 0;
    while (at < end) {
        const CharInfo info = DecodeChar(m_text.Data(), m_text.Size(), at);
        column += info.cells;
        at += info.length;
    }
    return column;
}

std::size_t TextLayout::PositionAt(std::size_t row, double column) const
{
    std::size_t at = RowStart(row);
    const std::size_t end = RowContentEnd(row);
    double left = 0;
    while (at < end) {
        const CharInfo info = DecodeChar(m_text.Data(), m_text.Size(), at);
        const double right = left + info.cells;
        if (column < right)
            return column < (left + right) / 2 ? at : at + info.length;
        left = right;
        at += info.length;
    }
    return end;
}

void TextLayout::WordAt(std::size_t pos, std::size_t* begin, std::size_t* end) const
{
    pos = CharStart(pos);
    const std::size_t size = m_text.Size();
    if (size == 0) {
        *begin = *end = 0;
        return;
    }
    if (pos == size)
        pos = PrevChar(pos);
    const bool blank = IsBlank(m_text[pos]);
    std::size_t first = pos;
    while (first > 0 && IsBlank(m_text[first - 1]) == blank)
        --first;
    std::size_t last = pos;
    while (last < size && IsBlank(m_text[last]) == blank)
        ++last;
    *begin = CharStart(first);
    *end = last;
}

std::size_t TextLayout::MemoryBytes() const
{
    return m_text.Capacity() + m_rows.capacity() * sizeof(std::size_t);
}

}  // namespace tessaline::ui
