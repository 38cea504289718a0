#include "tests/app/e2e/PrivateDisplay.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace tessaline::e2e {

namespace {

// Whether a client can open the display and ask it a question.
bool Answers(const std::string& display)
{
    const std::string command = "DISPLAY=" + display + " xdotool getdisplaygeometry >/dev/null 2>&1";
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (std::system(command.c_str()) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace

PrivateDisplay::PrivateDisplay()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (Start() && Answers(m_display))
            return;
        Stop();
    }
}

PrivateDisplay::~PrivateDisplay()
{
    Stop();
}

bool PrivateDisplay::Start()
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    const std::string fd = std::to_string(pipeFds[1]);
    // -noreset: by default the server resets whenever its last client goes,
    // and a program that connects meanwhile (the next test's) is refused.
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                          "1280x1024x24", "-nolisten",  "tcp",      "-noreset", nullptr};
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
    return !m_display.empty();
}

void PrivateDisplay::Stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
    m_display.clear();
}

}  // namespace tessaline::e2e
