// A private X server (Xvfb) for the end-to-end suite, so that no other
// program on a shared display takes the keyboard focus while keys are typed.
#pragma once

#include <string>
#include <sys/types.h>

namespace tessaline::e2e {

class PrivateDisplay
{
public:
    PrivateDisplay();   // starts the server; Name() is empty when it did not start
    ~PrivateDisplay();  // stops it
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    const std::string& Name() const { return m_display; }  // ":N"

private:
    pid_t m_pid = -1;
    std::string m_display;
};

}  // namespace tessaline::e2e
