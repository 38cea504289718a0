// The real program started as a child process, and what a test sees of it
// from outside: its windows (through xdotool) and its open files.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tessaline::e2e {

class Program
{
public:
    // Starts the program with `args`, in this process's environment.
    explicit Program(const std::vector<std::string>& args);
    ~Program();  // kills it if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_pid > 0; }

    // Waits for the program to end; its exit status, or -1 on a time-out.
    int Wait(std::chrono::seconds limit);

    // The program's first visible window, once it is there ("" if none came).
    std::string WaitForWindow(std::chrono::seconds limit);

    // Whether one of the program's file descriptors refers to `path`.
    bool HasOpen(const std::string& path) const;

private:
    pid_t m_pid = -1;
};

}  // namespace tessaline::e2e
