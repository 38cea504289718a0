#include "app/ConnectionMessages.h"

namespace tessaline::app {
namespace {

// The columns the character at `text[i]` takes, and its length in bytes.
std::size_t CharacterWidth(std::string_view text, std::size_t i, std::size_t* length)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t bytes = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + bytes > text.size())
        bytes = text.size() - i;
    char32_t code = bytes == 1 ? lead : lead & (0x3F >> (bytes - 1));
    for (std::size_t k = 1; k < bytes; ++k)
        code = code << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    *length = bytes;
    // Hangul and the other East Asian scripts are drawn twice as wide.
    return code >= 0x1100 ? 2 : 1;
}

void WrapLine(std::string_view line, std::size_t columns, std::string& out)
{
    std::size_t start = 0;
    std::size_t column = 0;
    std::size_t breakAt = 0;  // just after the last space or '/'; none while == start
    std::size_t breakColumn = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t length = 1;
        const std::size_t width = CharacterWidth(line, i, &length);
        if (column + width > columns && i > start) {
            const bool atBreak = breakAt > start;
            const std::size_t end = atBreak ? breakAt : i;
            out.append(line.substr(start, end - start));
            out += '\n';
            column -= atBreak ? breakColumn : column;
            start = end;
            breakAt = start;
            continue;
        }
        column += width;
        i += length;
        if (line[i - 1] == ' ' || line[i - 1] == '/') {
            breakAt = i;
            breakColumn = column;
        }
    }
    out.append(line.substr(start));
}

const char* Reason(platform::OpenFailureKind kind)
{
    using platform::OpenFailureKind;
    switch (kind) {
    case OpenFailureKind::NotFound:
        return "장치가 없습니다.";
    case OpenFailureKind::Permission:
        return "권한이 없습니다. 사용자를 dialout 그룹에 추가하십시오.";
    case OpenFailureKind::Busy:
        return "다른 프로그램이 사용 중입니다.";
    case OpenFailureKind::NotATerminal:
        return "직렬 포트가 아닙니다.";
    default:
        return nullptr;
    }
}

}  // namespace

std::string WrapLines(std::string_view text, std::size_t columns)
{
    std::string out;
    out.reserve(text.size() + text.size() / columns + 1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        WrapLine(text.substr(start, end == std::string_view::npos ? end : end - start), columns, out);
        if (end == std::string_view::npos)
            return out;
        out += '\n';
        start = end + 1;
    }
}

std::string ConnectFailureMessage(std::string_view portName, const platform::OpenFailure& failure)
{
    std::string text(portName);
    text += " 포트를 열 수 없습니다.";
    if (failure.kind != platform::OpenFailureKind::None) {
        text += '\n';
        text += failure.path.empty() ? portName : std::string_view(failure.path);
        text += ": ";
        if (const char* reason = Reason(failure.kind))
            text += reason;
        else if (!failure.systemText.empty())
            text += failure.systemText;
        else
            text += std::to_string(failure.systemError);
    }
    return WrapLines(text, kMessageColumns);
}

std::string ConnectionLostMessage(std::string_view portName)
{
    std::string text(portName);
    text += " 장치와의 연결이 끊어졌습니다.";
    return WrapLines(text, kMessageColumns);
}

}  // namespace tessaline::app
