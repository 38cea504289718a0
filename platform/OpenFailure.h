// Why the calling thread's last attempt to open a communications device
// failed, in more detail than a Win32 error number gives: the device path the
// port name resolved to and a kind of failure a user can act on.
//
// Threading: the record is kept per thread; each thread sees only the
// outcome of its own CreateFileA calls.
#pragma once

#include <string>

namespace tessaline::platform {

enum class OpenFailureKind { None, NotFound, Permission, Busy, NotATerminal, Other };

struct OpenFailure
{
    OpenFailureKind kind = OpenFailureKind::None;
    std::string path;
    int systemError = 0;
    std::string systemText;
};

// What the calling thread's last failed CreateFileA of a communications device
// ran into: the device path it resolved (empty when the port name maps to no
// device) and why. A later successful CreateFileA on the same thread resets it
// to kind None.
OpenFailure LastOpenFailure();

}  // namespace tessaline::platform
