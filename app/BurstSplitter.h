// BurstSplitter: received bytes as hex text with each burst on a line of
// its own. A burst is what follows a silence of at least the gap; its line
// starts with "\n" and the local time its first bytes arrived
// ("12:34:56.789  01 03 14 00 ...").
//
// Arrival times come from marks the receive path notes where the bytes
// arrive, on the port's watcher thread: "by this time, this many bytes had
// come on the connection". The owner thread drains later, often several
// bursts at once, and Split gives each byte the time of the first mark that
// covers it; bytes no mark covers yet have just come and take the time of
// the drain.
//
// Threading: Note may run on any thread; Restart and Split run on the owner
// thread. The marks are guarded by a lock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace tessaline::app {

struct ArrivalMark
{
    std::chrono::steady_clock::time_point at;      // measures the gaps
    std::chrono::system_clock::time_point wallAt;  // the time shown
    std::uint64_t arrivedBy = 0;                   // bytes that had come on the connection by then

    static ArrivalMark Now(std::uint64_t arrivedBy)
    {
        return {std::chrono::steady_clock::now(), std::chrono::system_clock::now(), arrivedBy};
    }
};

class BurstSplitter
{
public:
    // Marks kept at most; under a flood the newest ones merge into the last.
    static constexpr std::size_t kMaxMarks = 4096;

    // Any thread: `mark.arrivedBy` bytes had come by `mark.at`.
    void Note(const ArrivalMark& mark);
    // Forgets the marks; the byte at `position` (counted like arrivedBy)
    // starts a new burst.
    void Restart(std::uint64_t position);
    // Appends the text of `count` bytes, the ones that follow those split
    // before; `now` stands for bytes no mark covers yet.
    void Split(const unsigned char* bytes, std::size_t count, const ArrivalMark& now, std::chrono::milliseconds gap,
               std::string& text);

private:
    // The mark of the byte at `position`, and how many bytes from there it
    // covers (up to `limit`); `now` when none covers it.
    ArrivalMark MarkFor(std::uint64_t position, const ArrivalMark& now, std::size_t limit, std::size_t& covered);

    std::mutex m_mutex;
    std::deque<ArrivalMark> m_marks;
    std::uint64_t m_position = 0;
    std::optional<std::chrono::steady_clock::time_point> m_lastArrival;
};

// "HH:MM:SS.mmm" in local time.
std::string FormatArrivalTime(std::chrono::system_clock::time_point time);

}  // namespace tessaline::app
