#include "tests/app/e2e/PrivateDisplay.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace tessaline::e2e {

PrivateDisplay::PrivateDisplay()
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return;
    const std::string fd = std::to_string(pipeFds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                          "1280x1024x24", "-nolisten",  "tcp",      nullptr};
    if (::posix_spawnp(&m_pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        m_pid = -1;
    ::close(pipeFds[1]);
    char number[32] = {};
    std::size_t got = 0;
    while (m_pid > 0 && got < sizeof number - 1) {
        const ssize_t n = ::read(pipeFds[0], number + got, sizeof number - 1 - got);
        if (n <= 0 || std::memchr(number, '\n', got + static_cast<std::size_t>(n)))
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(pipeFds[0]);
    if (number[0] >= '0' && number[0] <= '9')
        m_display = std::string(":") + std::string(number, std::strcspn(number, "\n"));
}

PrivateDisplay::~PrivateDisplay()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

}  // namespace tessaline::e2e
