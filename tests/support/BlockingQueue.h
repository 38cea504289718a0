// A queue that some threads fill and a test thread takes from in order,
// waiting up to a time-out for the next item.
//
// Threading: any thread may push, take and count.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace tessaline::testing {

template <typename Item>
class BlockingQueue
{
public:
    void Push(const Item& item)
    {
        {
            std::lock_guard lock(m_mutex);
            m_items.push_back(item);
        }
        m_arrived.notify_all();
    }

    // The oldest item, waiting up to `limit` for one to come.
    std::optional<Item> Take(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m_mutex);
        if (!m_arrived.wait_for(lock, limit, [this] { return !m_items.empty(); }))
            return std::nullopt;
        Item item = m_items.front();
        m_items.pop_front();
        return item;
    }

    std::size_t Size() const
    {
        std::lock_guard lock(m_mutex);
        return m_items.size();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<Item> m_items;
};

}  // namespace tessaline::testing
