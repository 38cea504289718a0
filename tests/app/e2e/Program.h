// The program under test, started with its arguments and ended when the
// object goes (killed if it still runs); its windows are found with xdotool.
//
// Threading: the test thread only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace tessaline::e2e {

class Program
{
public:
    // `environment` holds "NAME=value" entries set, and "NAME" entries
    // removed, for this program alone.
    explicit Program(const std::vector<std::string>& args, const std::vector<std::string>& environment = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Waits for the program to end; its exit status, or -1 on a time-out.
    int Wait(std::chrono::seconds limit = std::chrono::seconds(60));

    // The program's first visible window, or the first titled `title` when
    // one is given, once it is there ("" if none came).
    std::string WaitForWindow(const std::string& title = {},
                              std::chrono::seconds limit = std::chrono::seconds(60)) const;
    // The program's visible windows now.
    std::vector<std::string> VisibleWindows() const;
    // Whether the program holds `path` open (its descriptors, read from /proc).
    bool HoldsOpen(const std::string& path) const;

private:
    pid_t m_pid = -1;
};

}  // namespace tessaline::e2e
