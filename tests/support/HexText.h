// Bytes for tests, the same on every run, and the hex text the terminal
// shows for bytes: two upper-case digits and a space each.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace tessaline::testing {

// "41 0A " for the bytes 0x41, 0x0A (chars or unsigned chars).
template <typename Bytes>
std::string HexText(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const auto byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += {digits[value >> 4], digits[value & 15], ' '};
    }
    return text;
}

// `count` bytes from a generator started with `seed`.
inline std::string RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// `count` bytes counting from `first` in steps of `step` (modulo 256): an
// odd step gives every value once in each 256 bytes.
inline std::string CountingBytes(std::size_t count, unsigned step = 1, unsigned first = 0)
{
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<char>(first + i * step);
    return bytes;
}

}  // namespace tessaline::testing
