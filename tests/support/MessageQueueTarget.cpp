#include "tests/support/MessageQueueTarget.h"

#include "platform/MessageTarget.h"

namespace tessaline::testing {

MessageQueueTarget::MessageQueueTarget()
{
    m_handle = platform::RegisterMessageTarget([this](UINT message, WPARAM wParam, LPARAM lParam) {
        m_queue.Push({message, wParam, lParam});
    });
}

MessageQueueTarget::~MessageQueueTarget()
{
    platform::UnregisterMessageTarget(m_handle);
}

}  // namespace tessaline::testing
