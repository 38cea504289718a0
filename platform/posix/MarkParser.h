// Turns the byte stream of a terminal read with PARMRK on into data bytes and
// line conditions: FF FF is one FF data byte, FF 00 00 a received break, and
// FF 00 c a character c received with a parity or framing error. A mark may
// be split across reads; the parser keeps its state between calls.
//
// Threading: none of its own; one reader per device uses it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaline::platform {

class MarkParser
{
public:
    struct Options
    {
        bool replaceErrors = false;  // put `errorChar` in place of a character received in error
        char errorChar = 0;
        bool discardNulls = false;  // drop 00 data bytes
    };

    struct Result
    {
        std::size_t dataBytes = 0;  // bytes written to the output
        unsigned breaks = 0;        // FF 00 00 marks
        unsigned errors = 0;        // FF 00 c marks
    };

    void SetOptions(const Options& options) { m_options = options; }
    const Options& GetOptions() const { return m_options; }

    // Parses `length` bytes; writes the data bytes to `output`, which must
    // hold at least `length + 1` bytes (an FF held back from the previous
    // call may come out with this one).
    Result Feed(const std::uint8_t* input, std::size_t length, std::uint8_t* output);

    // Forgets a partly received mark (after the input was purged).
    void Reset() { m_state = State::Data; }

private:
    enum class State { Data, AfterFF, AfterFF00 };

    State m_state = State::Data;
    Options m_options;
};

}  // namespace tessaline::platform
