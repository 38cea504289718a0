#include "ui/TextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace tessaline::ui {

namespace {
constexpr std::size_t kMinimumCapacity = std::size_t{1} << 20;
}  // namespace

TextBuffer::~TextBuffer()
{
    std::free(m_data);
}

void TextBuffer::Reserve(std::size_t bytes)
{
    if (bytes <= m_capacity)
        return;
    // Grow by half again at least, so that appends cost constant time each.
    const std::size_t capacity = std::max({bytes, m_capacity + m_capacity / 2, kMinimumCapacity});
    void* grown = std::realloc(m_data, capacity);
    if (grown == nullptr)
        throw std::bad_alloc();
    m_data = static_cast<char*>(grown);
    m_capacity = capacity;
}

void TextBuffer::Assign(std::string_view text)
{
    if (text.size() > m_capacity) {
        // A view into this buffer cannot be larger than it, so growing here
        // never pulls the source away.
        Reserve(text.size());
    }
    if (!text.empty())
        std::memmove(m_data, text.data(), text.size());
    m_size = text.size();
}

void TextBuffer::Insert(std::size_t pos, std::string_view text)
{
    if (text.empty())
        return;
    pos = std::min(pos, m_size);
    const bool inside = m_data != nullptr && text.data() >= m_data && text.data() < m_data + m_capacity;
    if (inside) {
        // Growing or shifting would move the source under our feet.
        const std::string copy(text);
        Insert(pos, copy);
        return;
    }
    if (text.size() > m_capacity - m_size)
        Reserve(m_size + text.size());
    std::memmove(m_data + pos + text.size(), m_data + pos, m_size - pos);
    std::memcpy(m_data + pos, text.data(), text.size());
    m_size += text.size();
}

void TextBuffer::Erase(std::size_t pos, std::size_t length)
{
    pos = std::min(pos, m_size);
    length = std::min(length, m_size - pos);
    if (length == 0)
        return;
    std::memmove(m_data + pos, m_data + pos + length, m_size - pos - length);
    m_size -= length;
}

}  // namespace tessaline::ui
