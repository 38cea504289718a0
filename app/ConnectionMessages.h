// The texts that tell the user about the connection: why a port could not be
// opened, and that a connected device went away. Pure functions of their
// arguments, in UTF-8.
//
// Threading: none of their own; callable from any thread.
#pragma once

#include "platform/open_failure.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaline::app {

// Longest line of a message, in columns (a Hangul syllable takes two).
constexpr std::size_t kMessageColumns = 80;

// "COM3 포트를 열 수 없습니다." and, when the failure is known, a line with
// the device path (the port name when it maps to no device) and the reason.
// Lines longer than kMessageColumns are wrapped.
std::string ConnectFailureMessage(std::string_view portName, const platform::OpenFailure& failure);

// "COM3 장치와의 연결이 끊어졌습니다."
std::string ConnectionLostMessage(std::string_view portName);

// Breaks every line of `text` that is wider than `columns`: after the last
// space or '/' that fits, or at the limit when none does. Nothing else
// changes; a multi-byte character is never split.
std::string WrapLines(std::string_view text, std::size_t columns);

}  // namespace tessaline::app
