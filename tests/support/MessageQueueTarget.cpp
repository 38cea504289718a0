#include "tests/support/MessageQueueTarget.h"

#include "platform/MessageTarget.h"

#include <chrono>

namespace tessaline::testing {

MessageQueueTarget::MessageQueueTarget()
{
    m_handle = platform::RegisterMessageTarget([this](UINT message, WPARAM wParam, LPARAM lParam) {
        Receive({message, wParam, lParam});
    });
}

MessageQueueTarget::~MessageQueueTarget()
{
    platform::UnregisterMessageTarget(m_handle);
}

void MessageQueueTarget::Receive(const PostedMessage& message)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(message);
    }
    m_arrived.notify_all();
}

std::optional<PostedMessage> MessageQueueTarget::Take(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    if (!m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !m_queue.empty(); }))
        return std::nullopt;
    PostedMessage message = m_queue.front();
    m_queue.pop_front();
    return message;
}

std::size_t MessageQueueTarget::Pending() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

}  // namespace tessaline::testing
