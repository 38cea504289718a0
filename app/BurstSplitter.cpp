#include "app/BurstSplitter.h"

#include "app/LocalTime.h"
#include "app/SerialConnection.h"

#include <cstdio>
#include <ctime>

namespace tessaline::app {

void BurstSplitter::Note(const ArrivalMark& mark)
{
    std::lock_guard lock(m_mutex);
    if (!m_marks.empty() && mark.arrivedBy <= m_marks.back().arrivedBy)
        return;  // nothing new came since the last mark
    if (m_marks.size() >= kMaxMarks)
        m_marks.back().arrivedBy = mark.arrivedBy;
    else
        m_marks.push_back(mark);
}

void BurstSplitter::Restart(std::uint64_t position)
{
    std::lock_guard lock(m_mutex);
    m_marks.clear();
    m_position = position;
    m_lastArrival.reset();
}

ArrivalMark BurstSplitter::MarkFor(std::uint64_t position, const ArrivalMark& now, std::size_t limit,
                                   std::size_t& covered)
{
    std::lock_guard lock(m_mutex);
    while (!m_marks.empty() && m_marks.front().arrivedBy <= position)
        m_marks.pop_front();
    if (m_marks.empty()) {
        covered = limit;
        return now;
    }
    const std::uint64_t ahead = m_marks.front().arrivedBy - position;
    covered = ahead < limit ? static_cast<std::size_t>(ahead) : limit;
    return m_marks.front();
}

void BurstSplitter::Split(const unsigned char* bytes, std::size_t count, const ArrivalMark& now,
                          std::chrono::milliseconds gap, std::string& text)
{
    std::size_t done = 0;
    while (done < count) {
        std::size_t covered = 0;
        const ArrivalMark mark = MarkFor(m_position + done, now, count - done, covered);
        if (!m_lastArrival || mark.at - *m_lastArrival >= gap) {
            text += '\n';
            text += FormatArrivalTime(mark.wallAt);
            text += "  ";
        }
        if (!m_lastArrival || mark.at > *m_lastArrival)
            m_lastArrival = mark.at;
        SerialConnection::AppendHexPairs(text, bytes + done, covered);
        done += covered;
    }
    m_position += count;
}

std::string FormatArrivalTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = static_cast<std::time_t>(floor<std::chrono::seconds>(sinceEpoch).count());
    const auto millis = duration_cast<milliseconds>(sinceEpoch - floor<std::chrono::seconds>(sinceEpoch)).count();
    const std::tm local = LocalTime(seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

}  // namespace tessaline::app
