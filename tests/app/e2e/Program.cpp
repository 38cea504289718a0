#include "tests/app/e2e/Program.h"

#include "tests/app/e2e/EndToEnd.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
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
        const std::vector<std::string> windows = VisibleWindows();
        if (!windows.empty())
            return windows.front();
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

std::vector<std::string> Program::VisibleWindows() const
{
    std::istringstream ids(Capture("xdotool search --onlyvisible --pid " + std::to_string(m_pid) + " 2>/dev/null"));
    std::vector<std::string> windows;
    for (std::string id; std::getline(ids, id);)
        windows.push_back(id);
    return windows;
}

bool Program::HoldsOpen(const std::string& path) const
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", error)) {
        // A device gone meanwhile reads as "PATH (deleted)".
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target == path || target == path + " (deleted)")
            return true;
    }
    return false;
}

}  // namespace tessaline::e2e
