// The edit control's bytes: one contiguous block, grown with realloc.
//
// A terminal's text only ever grows at the end until the scrollback cap
// trims its front. Growing a large block that way moves it by remapping its
// pages rather than copying them (on Linux), and the pages of the spare tail
// are not touched until text lands there.
//
// Threading: not thread-safe; the control uses it on the GUI thread.
#pragma once

#include <cstddef>
#include <string_view>

namespace tessaline::ui {

class TextBuffer
{
public:
    TextBuffer() = default;
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    const char* Data() const { return m_data != nullptr ? m_data : ""; }
    std::size_t Size() const { return m_size; }
    std::size_t Capacity() const { return m_capacity; }
    std::string_view View() const { return {Data(), m_size}; }
    char operator[](std::size_t pos) const { return m_data[pos]; }

    // Make room for at least `bytes` in all; throws std::bad_alloc when the
    // memory is not there, leaving the text as it was.
    void Reserve(std::size_t bytes);
    void Assign(std::string_view text);
    // Text may be a view into this buffer.
    void Insert(std::size_t pos, std::string_view text);
    void Erase(std::size_t pos, std::size_t length);
    void Clear() { m_size = 0; }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}  // namespace tessaline::ui
