// A private X server (Xvfb) for an end-to-end suite, so that no other
// program on a shared display takes the keyboard focus while keys are
// typed. Name() is empty when it did not start. A server that names its
// display but does not answer a client is stopped and started again.
//
// Threading: the test thread only.
#pragma once

#include <sys/types.h>

#include <string>

namespace tessaline::e2e {

class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    const std::string& Name() const { return m_display; }

private:
    bool Start();
    void Stop();

    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace tessaline::e2e
