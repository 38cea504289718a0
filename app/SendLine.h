// SendLine: one line of the send bar, parsed into the bytes it stands for.
// Tokens are separated by spaces or tabs. A token is either hex digits in
// an even number, each pair one byte, upper or lower case, with an optional
// "0x" or "0X" prefix; or a double-quoted string, sent as its UTF-8 bytes,
// with the escapes \r \n \t \0 \\ \" and \xHH. A quoted token ends at its
// closing quote, which must be followed by a space, a tab or the end of the
// line. An empty line, or one of blanks only, stands for no bytes.
//
// A line with a bad token stands for nothing: the result names the first
// bad token by its 1-based number among the tokens, its text, and its place
// in the line in characters (code points), so that an entry can select it.
//
// Threading: a pure function of its argument; callable from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaline::app {

struct SendLine
{
    bool ok = true;
    std::string bytes;  // what the line stands for, when ok

    // The first bad token, when not ok.
    std::size_t badToken = 0;  // 1-based number among the tokens
    std::string badText;       // as written in the line
    std::size_t badBegin = 0;  // in characters from the line's start
    std::size_t badEnd = 0;    // one past its last character

    static SendLine Parse(std::string_view line);
};

}  // namespace tessaline::app
