// The texts that tell the user about the connection: why a port could not be
// opened, and that a connected device went away. Pure functions of their
// arguments, in UTF-8.
//
// Threading: none of their own; callable from any thread.
#pragma once

#include "platform/OpenFailure.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaline::app {

// Widest run without a space in a message, in columns (a Hangul syllable
// takes two). Message boxes wrap lines at spaces themselves; a longer run,
// such as a long device path, would widen the box beyond the screen.
constexpr std::size_t kMessageColumns = 64;

// "COM3 포트를 열 수 없습니다." and, when the failure is known, a line with
// the device path (the port name when it maps to no device) and the reason.
// Runs wider than kMessageColumns are broken.
std::string ConnectFailureMessage(std::string_view portName, const platform::OpenFailure& failure);

// "COM3 장치와의 연결이 끊어졌습니다."
std::string ConnectionLostMessage(std::string_view portName);

// Breaks every run without a space or line break that is wider than
// `columns` onto more lines: after the last '/' that fits, or at the limit
// when none does. Nothing else changes; a multi-byte character is never
// split.
std::string BreakLongRuns(std::string_view text, std::size_t columns);

}  // namespace tessaline::app
