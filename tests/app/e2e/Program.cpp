#include "tests/app/e2e/Program.h"

#include "tests/app/e2e/EndToEnd.h"

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace tessaline::e2e {

using namespace std::chrono_literals;

Program::Program(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(TESSALINE_PROGRAM));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, TESSALINE_PROGRAM, nullptr, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
}

Program::~Program()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

int Program::Wait(std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(50ms);
    }
    return -1;
}

std::string Program::WaitForWindow(std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string ids = Capture("xdotool search --onlyvisible --pid " + std::to_string(m_pid) + " 2>/dev/null");
        if (!ids.empty())
            return ids.substr(0, ids.find('\n'));
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

bool Program::HasOpen(const std::string& path) const
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(entry.path(), unreadable) == path)
            return true;
    }
    return false;
}

}  // namespace tessaline::e2e
