// The one undoable edit an edit control remembers, as in the classic edit
// control: undoing swaps it with its inverse, so a second undo redoes.
//
// Edits that are not recorded (text appended without undo, trimming) move
// the record along with the text, or drop it when they overlap it.
//
// Threading: none of its own; used on the GUI thread.
#pragma once

#include <cstddef>
#include <string>

namespace tessaline::ui {

class UndoRecord
{
public:
    bool IsSet() const { return m_set; }
    void Clear();
    // Remembers that [pos, pos + insertedLength) replaced `removed`.
    void Set(std::size_t pos, std::string removed, std::size_t insertedLength);

    std::size_t Pos() const { return m_pos; }
    const std::string& Removed() const { return m_removed; }
    std::size_t InsertedLength() const { return m_insertedLength; }

    // An unrecorded edit replaced `removedLength` bytes at pos with
    // `insertedLength` bytes.
    void OnOtherEdit(std::size_t pos, std::size_t removedLength, std::size_t insertedLength);
    // `bytes` were trimmed from the front of the text.
    void OnTrimFront(std::size_t bytes);

private:
    bool m_set = false;
    std::size_t m_pos = 0;
    std::string m_removed;
    std::size_t m_insertedLength = 0;
};

}  // namespace tessaline::ui
