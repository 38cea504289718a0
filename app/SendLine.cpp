#include "app/SendLine.h"

#include "ui/TextEncoding.h"

namespace tessaline::app {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Where the token starting at `begin` ends: at the next blank, except that
// a blank inside a quoted part does not end it (a backslash there takes the
// next character along, so \" does not close the quotes).
std::size_t TokenEnd(std::string_view line, std::size_t begin)
{
    std::size_t i = begin;
    bool quoted = false;
    while (i < line.size()) {
        const char c = line[i];
        if (!quoted && IsBlank(c))
            break;
        if (c == '"')
            quoted = !quoted;
        else if (c == '\\' && quoted)
            ++i;
        ++i;
    }
    return i < line.size() ? i : line.size();
}

// The bytes of a hex token, appended to `out`; false when it is not one.
bool ParseHex(std::string_view token, std::string& out)
{
    if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
        token.remove_prefix(2);
    if (token.empty() || token.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < token.size(); i += 2) {
        const int high = ui::HexDigitValue(token[i]);
        const int low = ui::HexDigitValue(token[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out.push_back(static_cast<char>(high << 4 | low));
    }
    return true;
}

// The bytes of a quoted token, appended to `out`; false when its quotes do
// not close exactly at its end or an escape is not one of the known ones.
bool ParseQuoted(std::string_view token, std::string& out)
{
    if (token.size() < 2 || token.front() != '"' || token.back() != '"')
        return false;
    const std::string_view body = token.substr(1, token.size() - 2);
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '"')
            return false;  // closed before the token's end
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i >= body.size())
            return false;  // the backslash took the closing quote
        switch (body[i]) {
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case '0': out.push_back('\0'); break;
        case '\\': out.push_back('\\'); break;
        case '"': out.push_back('"'); break;
        case 'x': {
            const int high = i + 1 < body.size() ? ui::HexDigitValue(body[i + 1]) : -1;
            const int low = i + 2 < body.size() ? ui::HexDigitValue(body[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            out.push_back(static_cast<char>(high << 4 | low));
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

// Characters (code points) in the first `bytes` bytes of UTF-8 text.
std::size_t CharactersIn(std::string_view text, std::size_t bytes)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < bytes && i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

}  // namespace

SendLine SendLine::Parse(std::string_view line)
{
    SendLine result;
    std::size_t number = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        const std::size_t end = TokenEnd(line, begin);
        const std::string_view token = line.substr(begin, end - begin);
        ++number;
        const bool good = token.front() == '"' ? ParseQuoted(token, result.bytes) : ParseHex(token, result.bytes);
        if (!good) {
            result.ok = false;
            result.bytes.clear();
            result.badToken = number;
            result.badText = std::string(token);
            result.badBegin = CharactersIn(line, begin);
            result.badEnd = CharactersIn(line, end);
            return result;
        }
        i = end;
    }
    return result;
}

}  // namespace tessaline::app
