#include "ui/UndoRecord.h"

#include <utility>

namespace tessaline::ui {

void UndoRecord::Clear()
{
    m_set = false;
    m_pos = 0;
    m_removed.clear();
    m_removed.shrink_to_fit();
    m_insertedLength = 0;
}

void UndoRecord::Set(std::size_t pos, std::string removed, std::size_t insertedLength)
{
    m_set = true;
    m_pos = pos;
    m_removed = std::move(removed);
    m_insertedLength = insertedLength;
}

void UndoRecord::OnOtherEdit(std::size_t pos, std::size_t removedLength, std::size_t insertedLength)
{
    if (!m_set)
        return;
    const std::size_t recordEnd = m_pos + m_insertedLength;
    bool before;
    bool after;
    if (removedLength == 0) {
        // A pure insertion at the record's start goes before a recorded
        // insertion; at the point of a recorded deletion it goes after, so
        // undo puts the deleted text back where it was, ahead of the new.
        before = m_insertedLength != 0 ? pos <= m_pos : pos < m_pos;
        after = pos >= recordEnd;
    } else {
        before = pos + removedLength <= m_pos;
        after = pos >= recordEnd;
    }
    if (before && !after) {
        m_pos = m_pos + insertedLength - removedLength;
    } else if (!after) {
        Clear();  // the edit overlaps the recorded text: it can no longer be undone
    }
}

void UndoRecord::OnTrimFront(std::size_t bytes)
{
    if (!m_set)
        return;
    if (m_pos < bytes)
        Clear();
    else
        m_pos -= bytes;
}

}  // namespace tessaline::ui
