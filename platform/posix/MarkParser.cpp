#include "platform/posix/MarkParser.h"

#include <cstring>

namespace tessaline::platform {

MarkParser::Result MarkParser::Feed(const std::uint8_t* input, std::size_t length, std::uint8_t* output)
{
    Result result;
    std::uint8_t* out = output;
    const std::uint8_t* const end = input + length;
    const std::uint8_t* in = input;
    while (in < end) {
        if (m_state == State::Data) {
            // Fast path: copy the run up to the next FF in one go.
            const void* mark = std::memchr(in, 0xFF, static_cast<std::size_t>(end - in));
            const std::uint8_t* runEnd = mark ? static_cast<const std::uint8_t*>(mark) : end;
            const std::size_t run = static_cast<std::size_t>(runEnd - in);
            if (m_options.discardNulls) {
                for (const std::uint8_t* p = in; p < runEnd; ++p)
                    if (*p != 0)
                        *out++ = *p;
            } else {
                std::memmove(out, in, run);
                out += run;
            }
            in = runEnd;
            if (in < end) {
                m_state = State::AfterFF;
                ++in;
            }
            continue;
        }
        const std::uint8_t byte = *in++;
        if (m_state == State::AfterFF) {
            if (byte == 0xFF) {
                *out++ = 0xFF;
                m_state = State::Data;
            } else if (byte == 0x00) {
                m_state = State::AfterFF00;
            } else {
                // Not a mark the line discipline produces: keep both bytes.
                *out++ = 0xFF;
                *out++ = byte;
                m_state = State::Data;
            }
            continue;
        }
        // AfterFF00: the byte is the character received in error, or 00 for a break.
        m_state = State::Data;
        if (byte == 0x00) {
            ++result.breaks;
            continue;
        }
        ++result.errors;
        const std::uint8_t delivered = m_options.replaceErrors ? static_cast<std::uint8_t>(m_options.errorChar) : byte;
        if (!(m_options.discardNulls && delivered == 0))
            *out++ = delivered;
    }
    result.dataBytes = static_cast<std::size_t>(out - output);
    return result;
}

}  // namespace tessaline::platform
