// The settings file's text, line by line, as reading and merging both see
// it: where each line ends (LF, CRLF or a lone CR, each kept as it was), what
// kind of line it is, the section it belongs to, and the escapes of values.
// A leading UTF-8 byte-order mark is set apart and kept.
//
// Threading: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaline::app::settings {

constexpr std::string_view kRecentSection = "Recent File List";
constexpr std::string_view kPortsSection = "Ports";
constexpr std::string_view kTerminalSection = "Terminal";
constexpr std::string_view kHistorySection = "SendHistory";
constexpr std::string_view kRecentKey = "file";
constexpr std::string_view kHistoryKey = "Item";

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct Line
{
    std::string_view text;    // without its ending
    std::string_view ending;  // "\n", "\r\n", "\r", or empty on a last line without one
    LineKind kind = LineKind::Other;
    std::string name;     // section name, or entry key
    std::string value;    // entry value, unescaped
    std::string section;  // the section the line is in (a section line: its own)
};

struct SplitText
{
    std::string_view byteOrderMark;  // the leading UTF-8 mark, or empty
    std::vector<Line> lines;         // views into the text
    std::string problem;             // set (and no lines) when the text cannot be read safely
};

SplitText SplitLines(std::string_view text);

// A value as the file holds it: quoted when it starts with a blank or a
// quote or ends with a blank; \\ \" \t \n \r escaped; a NUL and bytes that
// are not UTF-8 as \xHH, so that the file stays UTF-8 text.
std::string EscapeValue(std::string_view value);

// The value of a written one (already trimmed). It counts as quoted only
// when its first unescaped quote after the opening one is its last
// character, so `"AT" 0D 0A` reads as it is written.
std::string UnescapeValue(std::string_view text);

// N for a key `prefix`N, N from 1 to 999 written without leading zeros;
// else 0.
unsigned KeyNumber(std::string_view key, std::string_view prefix);

}  // namespace tessaline::app::settings
