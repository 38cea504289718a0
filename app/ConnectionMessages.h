// The texts that tell the user about the connection: why a port could not be
// opened, that a connected device went away, what the status bar's panes
// show and how far a file got. Pure functions of their arguments, in UTF-8.
//
// Threading: none of their own; callable from any thread.
#pragma once

#include "app/PortSettings.h"
#include "platform/OpenFailure.h"

#include <cstddef>
#include <cstdint>
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

// "1,234,567": digits grouped by threes with commas.
std::string GroupedNumber(std::uint64_t value);

// "COM1 115200 8-N-1": the port and its line (parity N, O, E, M or S; stop
// bits 1, 1.5 or 2).
std::string ConnectionPaneText(const PortSettings& line);

// "수신 1,234 송신 56".
std::string CountersText(std::uint64_t received, std::uint64_t sent);

// "보내는 중: 이름 35 %" and "이름: 12,288 / 40,960 바이트를 보냈습니다.".
std::string SendProgressText(std::string_view name, std::uint64_t sent, std::uint64_t total);
std::string SendStoppedText(std::string_view name, std::uint64_t sent, std::uint64_t total);

// Breaks every run without a space or line break that is wider than
// `columns` onto more lines: after the last '/' that fits, or at the limit
// when none does. Nothing else changes; a multi-byte character is never
// split.
std::string BreakLongRuns(std::string_view text, std::size_t columns);

}  // namespace tessaline::app
