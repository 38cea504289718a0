// Byte-level helpers for UTF-8 text: where a well-formed UTF-8 sequence
// ends, whether a text is UTF-8 at all, the value of a hex digit, and a
// text quoted for a message with its unprintable bytes spelled out.
//
// Threading: pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaline::ui {

// The length of the well-formed UTF-8 sequence at s[0, available) (1 for
// ASCII), with its code point in *codePoint; 0 when the bytes there start
// none (no overlong forms, no surrogates, nothing beyond U+10FFFF).
std::uint32_t Utf8SequenceLength(const unsigned char* s, std::size_t available, std::uint32_t* codePoint);

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The value of a hex digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// `text` in double quotes, with bytes that are not printable UTF-8 shown
// as \xNN.
std::string QuotedArgument(std::string_view text);

}  // namespace tessaline::ui
