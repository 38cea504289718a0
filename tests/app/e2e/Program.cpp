#include "tests/app/e2e/Program.h"

#include "tests/app/e2e/EndToEnd.h"
#include "tests/support/WaitUntil.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string_view>

extern char** environ;

namespace tessaline::e2e {

using namespace std::chrono_literals;

Program::Program(const std::vector<std::string>& args, const std::vector<std::string>& environment)
{
    std::vector<char*> argv{const_cast<char*>(TESSALINE_PROGRAM)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    // The given entries replace (or, without a value, remove) the inherited
    // ones of the same name.
    std::vector<char*> envp;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view inherited(*entry);
        if (std::none_of(environment.begin(), environment.end(), [&](const std::string& given) {
                return inherited.substr(0, inherited.find('=')) == given.substr(0, given.find('='));
            }))
            envp.push_back(*entry);
    }
    for (const std::string& entry : environment) {
        if (entry.find('=') != std::string::npos)
            envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    if (::posix_spawn(&m_pid, TESSALINE_PROGRAM, nullptr, nullptr, argv.data(), envp.data()) != 0)
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
    int status = 0;
    if (!testing::WaitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, limit, 50ms))
        return -1;
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Program::WaitForWindow(const std::string& title, std::chrono::seconds limit) const
{
    std::string found;
    testing::WaitUntil(
        [&] {
            for (const std::string& window : VisibleWindows()) {
                if (title.empty() || Capture("xdotool getwindowname " + window) == title + "\n") {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        limit, 100ms);
    return found;
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
