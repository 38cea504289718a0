#include "ui/TextUnits.h"

#include "ui/TextEncoding.h"

namespace tessaline::ui {

unsigned CodePointCells(std::uint32_t c)
{
    if (c < 0x1100)
        return 1;
    if (c <= 0x115F)
        return 2;  // Hangul Jamo initials
    if (c == 0x2329 || c == 0x232A)
        return 2;
    if (c >= 0x2E80 && c <= 0x303E)
        return 2;  // CJK radicals .. symbols
    if (c >= 0x3041 && c <= 0x33FF)
        return 2;  // kana, compatibility Jamo ..
    if (c >= 0x3400 && c <= 0x4DBF)
        return 2;  // CJK extension A
    if (c >= 0x4E00 && c <= 0x9FFF)
        return 2;  // CJK unified ideographs
    if (c >= 0xA000 && c <= 0xA4CF)
        return 2;  // Yi
    if (c >= 0xA960 && c <= 0xA97F)
        return 2;  // Hangul Jamo extended A
    if (c >= 0xAC00 && c <= 0xD7A3)
        return 2;  // Hangul syllables
    if (c >= 0xF900 && c <= 0xFAFF)
        return 2;  // CJK compatibility ideographs
    if (c >= 0xFE10 && c <= 0xFE19)
        return 2;
    if (c >= 0xFE30 && c <= 0xFE6F)
        return 2;
    if (c >= 0xFF00 && c <= 0xFF60)
        return 2;  // full-width forms
    if (c >= 0xFFE0 && c <= 0xFFE6)
        return 2;
    if (c >= 0x1F300 && c <= 0x1F64F)
        return 2;  // emoji
    if (c >= 0x1F900 && c <= 0x1F9FF)
        return 2;
    if (c >= 0x20000 && c <= 0x3FFFD)
        return 2;  // CJK extensions B..
    return 1;
}

CharInfo DecodeChar(const char* text, std::size_t size, std::size_t pos)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text) + pos;
    const unsigned char b0 = s[0];
    if (b0 == '\n')
        return {1, 0, b0, CharKind::LineBreak};
    if (b0 == '\r' && pos + 1 < size && s[1] == '\n')
        return {2, 0, b0, CharKind::LineBreak};
    if (b0 < 0x20 || b0 == 0x7F)
        return {1, 2, b0, CharKind::Placeholder};
    if (b0 < 0x80)
        return {1, 1, b0, CharKind::Printable};
    std::uint32_t codePoint = 0;
    const std::uint32_t length = Utf8SequenceLength(s, size - pos, &codePoint);
    if (length == 0)
        return {1, 2, b0, CharKind::Placeholder};
    if (codePoint < 0xA0)
        return {length, 2, codePoint, CharKind::Placeholder};  // C1 controls
    return {length, CodePointCells(codePoint), codePoint, CharKind::Printable};
}

std::size_t CharStartAt(const char* text, std::size_t size, std::size_t pos)
{
    if (pos == 0 || pos >= size)
        return pos > size ? size : pos;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (s[pos] == '\n' && s[pos - 1] == '\r')
        return pos - 1;
    if ((s[pos] & 0xC0) != 0x80)
        return pos;
    // A continuation byte: it belongs to a sequence only if a lead byte up to
    // three bytes back starts a valid sequence that reaches pos.
    for (std::size_t back = 1; back <= 3 && back <= pos; ++back) {
        const std::size_t lead = pos - back;
        if ((s[lead] & 0xC0) != 0x80) {
            std::uint32_t codePoint = 0;
            const std::uint32_t length = Utf8SequenceLength(s + lead, size - lead, &codePoint);
            return length > back ? lead : pos;
        }
    }
    return pos;
}

WrapUnit WrapUnitAt(const char* text, std::size_t size, std::size_t pos)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text) + pos;
    if (pos + 2 < size && s[2] == ' ' && detail::IsHexDigit(s[0]) && detail::IsHexDigit(s[1]))
        return {3, 3, false};
    const CharInfo info = DecodeChar(text, size, pos);
    return {info.length, info.cells, info.kind == CharKind::LineBreak};
}

void PlaceholderLabel(std::uint32_t codePoint, char label[3])
{
    static const char kHex[] = "0123456789ABCDEF";
    if (codePoint < 0x20) {
        label[0] = '^';
        label[1] = static_cast<char>('@' + codePoint);
    } else if (codePoint == 0x7F) {
        label[0] = '^';
        label[1] = '?';
    } else {
        label[0] = kHex[(codePoint >> 4) & 0xF];
        label[1] = kHex[codePoint & 0xF];
    }
    label[2] = '\0';
}

}  // namespace tessaline::ui
