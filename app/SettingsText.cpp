#include "app/SettingsText.h"

#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <cctype>

namespace tessaline::app::settings {
namespace {

constexpr std::size_t kLargestFile = 1 << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names: a backslash takes the next character as it is.
std::string UnescapeName(std::string_view text)
{
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        name += text[i];
    }
    return name;
}

// The length of the UTF-8 character at `at`, or 0 when the byte there
// starts none.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data()) + at;
    std::uint32_t codePoint = 0;
    return bytes[0] != 0 ? ui::Utf8SequenceLength(bytes, text.size() - at, &codePoint) : 0;
}

// Classifies one line (without its ending): 0, or the string id of why the
// file is unsafe to rewrite.
unsigned Classify(std::string_view text, Line& line)
{
    text = Trimmed(text);
    if (text.empty()) {
        line.kind = LineKind::Blank;
    } else if (text.front() == ';' || text.front() == '#') {
        line.kind = LineKind::Comment;
    } else if (text.front() == '[') {
        std::size_t end = 1;
        while (end < text.size() && text[end] != ']')
            end += text[end] == '\\' ? 2 : 1;
        if (end >= text.size())
            return IDS_SETTINGS_OPEN_SECTION;
        const std::string_view rest = Trimmed(text.substr(end + 1));
        if (!rest.empty() && rest.front() != ';' && rest.front() != '#')
            return IDS_SETTINGS_AFTER_SECTION;
        line.kind = LineKind::Section;
        line.name = UnescapeName(text.substr(1, end - 1));
        if (!line.name.empty() && line.name.front() == '/')
            line.name.erase(0, 1);
    } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
        line.kind = LineKind::Entry;
        line.name = UnescapeName(Trimmed(text.substr(0, equals)));
        line.value = UnescapeValue(Trimmed(text.substr(equals + 1)));
    }
    return 0;
}

// The next line of `text` from `start`: it ends at LF, CRLF or a lone CR.
Line NextLine(std::string_view text, std::size_t start)
{
    Line line;
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
        line.text = text.substr(start);
        return line;
    }
    line.text = text.substr(start, end - start);
    line.ending = text.substr(end, text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    return line;
}

}  // namespace

SplitText SplitLines(std::string_view text)
{
    SplitText split;
    if (text.size() > kLargestFile) {
        split.problem = res::FormatString(IDS_SETTINGS_TOO_LARGE);
        return split;
    }
    if (text.find('\0') != std::string_view::npos || !ui::IsValidUtf8(text)) {
        split.problem = res::FormatString(IDS_SETTINGS_NOT_UTF8);
        return split;
    }
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        split.byteOrderMark = text.substr(0, kByteOrderMark.size());
        text.remove_prefix(kByteOrderMark.size());
    }
    std::string section;
    for (std::size_t start = 0; start < text.size();) {
        Line line = NextLine(text, start);
        start += line.text.size() + line.ending.size();
        if (const unsigned problem = Classify(line.text, line)) {
            split.problem = res::FormatString(problem, {std::to_string(split.lines.size() + 1)});
            split.lines.clear();
            return split;
        }
        if (line.kind == LineKind::Section)
            section = line.name;
        line.section = section;
        split.lines.push_back(std::move(line));
    }
    return split;
}

std::string EscapeValue(std::string_view value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"');
    std::string text = quote ? "\"" : "";
    for (std::size_t i = 0; i < value.size();) {
        const char c = value[i];
        const std::size_t length = CharacterLength(value, i);
        if (length == 0) {
            const auto byte = static_cast<unsigned char>(c);
            text += {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
            ++i;
            continue;
        }
        switch (c) {
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        case '\\': text += "\\\\"; break;
        case '"': text += quote ? "\\\"" : "\""; break;
        default: text.append(value.substr(i, length));
        }
        i += length;
    }
    return quote ? text + "\"" : text;
}

std::string UnescapeValue(std::string_view text)
{
    std::size_t close = 1;
    while (close < text.size() && text[close] != '"')
        close += text[close] == '\\' ? 2 : 1;
    if (!text.empty() && text.front() == '"' && close + 1 == text.size())
        text = text.substr(1, close - 1);

    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        const char next = text[++i];
        const int high = next == 'x' && i + 2 < text.size() ? ui::HexDigitValue(text[i + 1]) : -1;
        const int low = high >= 0 ? ui::HexDigitValue(text[i + 2]) : -1;
        if (low >= 0) {
            value += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            value += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
        }
    }
    return value;
}

unsigned KeyNumber(std::string_view key, std::string_view prefix)
{
    if (key.size() <= prefix.size() || key.size() > prefix.size() + 3 || key.substr(0, prefix.size()) != prefix ||
        key[prefix.size()] == '0')
        return 0;
    unsigned number = 0;
    for (const char c : key.substr(prefix.size())) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return number;
}

}  // namespace tessaline::app::settings
