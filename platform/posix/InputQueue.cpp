#include "platform/posix/InputQueue.h"

#include <algorithm>
#include <cstring>

namespace tessaline::platform {

void InputQueue::Grow(std::size_t needed)
{
    std::size_t capacity = std::max<std::size_t>(m_buffer.size() * 2, 4096);
    while (capacity < needed)
        capacity *= 2;
    std::vector<std::uint8_t> bigger(capacity);
    const std::size_t copied = Pop(bigger.data(), m_size);
    m_buffer.swap(bigger);
    m_head = 0;
    m_size = copied;
}

void InputQueue::Push(const std::uint8_t* data, std::size_t length)
{
    if (length == 0)
        return;
    if (m_size + length > m_buffer.size())
        Grow(m_size + length);
    const std::size_t capacity = m_buffer.size();
    std::size_t tail = m_head + m_size;
    if (tail >= capacity)
        tail -= capacity;
    const std::size_t first = std::min(length, capacity - tail);
    std::memcpy(m_buffer.data() + tail, data, first);
    std::memcpy(m_buffer.data(), data + first, length - first);
    m_size += length;
}

std::size_t InputQueue::Pop(std::uint8_t* out, std::size_t length)
{
    const std::size_t count = std::min(length, m_size);
    if (count == 0)
        return 0;
    const std::size_t capacity = m_buffer.size();
    const std::size_t first = std::min(count, capacity - m_head);
    std::memcpy(out, m_buffer.data() + m_head, first);
    std::memcpy(out + first, m_buffer.data(), count - first);
    m_head += count;
    if (m_head >= capacity)
        m_head -= capacity;
    m_size -= count;
    if (m_size == 0)
        m_head = 0;
    return count;
}

void InputQueue::Clear()
{
    m_head = 0;
    m_size = 0;
}

}  // namespace tessaline::platform
