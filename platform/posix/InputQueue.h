// The user-space input queue of an open device: a byte ring that grows its
// storage on demand. The device decides how much it lets in; the queue itself
// never drops a byte.
//
// Threading: none of its own; the device guards it with its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaline::platform {

class InputQueue
{
public:
    std::size_t Size() const { return m_size; }
    bool Empty() const { return m_size == 0; }

    void Push(const std::uint8_t* data, std::size_t length);
    // Moves up to `length` bytes to `out`; returns how many.
    std::size_t Pop(std::uint8_t* out, std::size_t length);
    void Clear();

private:
    void Grow(std::size_t needed);

    std::vector<std::uint8_t> m_buffer;
    std::size_t m_head = 0;  // index of the oldest byte
    std::size_t m_size = 0;
};

}  // namespace tessaline::platform
