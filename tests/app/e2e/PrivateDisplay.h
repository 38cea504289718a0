// A private X server (Xvfb) for an end-to-end suite, so that no other
// program on a shared display takes the keyboard focus while keys are
// typed. Name() is empty when it did not start.
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
    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace tessaline::e2e
