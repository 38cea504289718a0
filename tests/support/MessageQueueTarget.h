// A message target for tests: registers itself as an HWND, queues every
// message posted to it and lets a test thread take them in posting order,
// waiting up to a time-out.
//
// Threading: any thread may post; any thread may take. The destructor
// unregisters the target, after which posts to it fail.
#pragma once

#include "platform/win32.h"
#include "tests/support/BlockingQueue.h"

#include <cstddef>
#include <optional>

namespace tessaline::testing {

struct PostedMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageQueueTarget
{
public:
    MessageQueueTarget();
    ~MessageQueueTarget();
    MessageQueueTarget(const MessageQueueTarget&) = delete;
    MessageQueueTarget& operator=(const MessageQueueTarget&) = delete;

    HWND Handle() const { return m_handle; }

    // The oldest queued message, waiting up to timeoutMs for one to come.
    std::optional<PostedMessage> Take(int timeoutMs) { return m_queue.Take(std::chrono::milliseconds(timeoutMs)); }
    std::size_t Pending() const { return m_queue.Size(); }

private:
    BlockingQueue<PostedMessage> m_queue;
    HWND m_handle = nullptr;
};

}  // namespace tessaline::testing
