#include "ui/TextEncoding.h"

namespace tessaline::ui {

std::uint32_t Utf8SequenceLength(const unsigned char* s, std::size_t available, std::uint32_t* codePoint)
{
    const unsigned char b0 = s[0];
    std::uint32_t length;
    std::uint32_t value;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b0 < 0x80) {
        *codePoint = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0F;
        if (b0 == 0xE0)
            low = 0xA0;  // no overlong forms
        if (b0 == 0xED)
            high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (available < length || s[1] < low || s[1] > high)
        return 0;
    value = (value << 6) | (s[1] & 0x3F);
    for (std::uint32_t i = 2; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (s[i] & 0x3F);
    }
    *codePoint = value;
    return length;
}

bool IsValidUtf8(std::string_view text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        const std::uint32_t length = Utf8SequenceLength(s + i, text.size() - i, &codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string QuotedArgument(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t codePoint = 0;
        const std::uint32_t length = Utf8SequenceLength(s + i, text.size() - i, &codePoint);
        if (length != 0 && s[i] >= 0x20 && s[i] != 0x7F) {
            quoted.append(text.substr(i, length));
            i += length;
        } else {
            quoted += "\\x";
            quoted += digits[s[i] >> 4];
            quoted += digits[s[i] & 15];
            ++i;
        }
    }
    return quoted + "\"";
}

}  // namespace tessaline::ui
