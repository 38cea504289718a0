#include "app/ConnectionMessages.h"

#include "res/Strings.h"

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

const char* Reason(platform::OpenFailureKind kind)
{
    using platform::OpenFailureKind;
    switch (kind) {
    case OpenFailureKind::NotFound: return res::FindString(IDS_REASON_NOT_FOUND);
    case OpenFailureKind::Permission: return res::FindString(IDS_REASON_PERMISSION);
    case OpenFailureKind::Busy: return res::FindString(IDS_REASON_BUSY);
    case OpenFailureKind::NotATerminal: return res::FindString(IDS_REASON_NOT_A_TERMINAL);
    default: return nullptr;
    }
}

}  // namespace

std::string BreakLongRuns(std::string_view text, std::size_t columns)
{
    std::string out;
    out.reserve(text.size() + text.size() / columns + 1);
    std::size_t column = 0;   // width of the run since the last break
    std::size_t slashAt = 0;  // in `out`, just after the run's last '/'; 0 for none
    std::size_t slashColumn = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 1;
        const std::size_t width = CharacterWidth(text, i, &length);
        if (column + width > columns && column > 0) {
            if (slashAt > 0) {
                out.insert(slashAt, 1, '\n');
                column -= slashColumn;
            } else {
                out += '\n';
                column = 0;
            }
            slashAt = 0;
        }
        out.append(text.substr(i, length));
        i += length;
        column += width;
        if (out.back() == ' ' || out.back() == '\n') {
            column = 0;
            slashAt = 0;
        } else if (out.back() == '/') {
            slashAt = out.size();
            slashColumn = column;
        }
    }
    return out;
}

std::string ConnectFailureMessage(std::string_view portName, const platform::OpenFailure& failure)
{
    std::string text = res::FormatString(IDS_CONNECT_FAILED, {portName});
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
    return BreakLongRuns(text, kMessageColumns);
}

std::string ConnectionLostMessage(std::string_view portName)
{
    const std::string text = res::FormatString(IDS_CONNECTION_LOST, {portName});
    return BreakLongRuns(text, kMessageColumns);
}

std::string GroupedNumber(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::string ConnectionPaneText(const PortSettings& line)
{
    static const char* const kParity[] = {"N", "O", "E", "M", "S"};
    static const char* const kStopBits[] = {"1", "1.5", "2"};
    const std::string port = "COM" + std::to_string(line.port);
    const std::string baud = std::to_string(line.baud);
    const std::string dataBits = std::to_string(line.dataBits);
    const bool parityKnown = line.parity >= 0 && line.parity < 5;
    const bool stopKnown = line.stopBits >= 0 && line.stopBits < 3;
    return res::FormatString(IDS_PANE_CONNECTION, {port, baud, dataBits, parityKnown ? kParity[line.parity] : "?",
                                                   stopKnown ? kStopBits[line.stopBits] : "?"});
}

std::string CountersText(std::uint64_t received, std::uint64_t sent)
{
    return res::FormatString(IDS_PANE_COUNTERS, {GroupedNumber(received), GroupedNumber(sent)});
}

std::string SendProgressText(std::string_view name, std::uint64_t sent, std::uint64_t total)
{
    const std::uint64_t percent = total == 0 ? 100 : sent * 100 / total;
    return res::FormatString(IDS_SEND_PROGRESS, {name, std::to_string(percent)});
}

std::string SendStoppedText(std::string_view name, std::uint64_t sent, std::uint64_t total)
{
    return res::FormatString(IDS_SEND_STOPPED, {name, GroupedNumber(sent), GroupedNumber(total)});
}

}  // namespace tessaline::app
