#include "platform/posix/OpenFailureRecord.h"

#include <cerrno>
#include <cstring>

namespace tessaline::platform {
namespace {

thread_local OpenFailure t_lastFailure;

OpenFailureKind KindOfErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV: return OpenFailureKind::NotFound;
    case EACCES:
    case EPERM: return OpenFailureKind::Permission;
    case EBUSY:
    case EWOULDBLOCK: return OpenFailureKind::Busy;
    case ENOTTY: return OpenFailureKind::NotATerminal;
    default: return OpenFailureKind::Other;
    }
}

}  // namespace

OpenFailure LastOpenFailure()
{
    return t_lastFailure;
}

void RecordOpenFailure(const std::string& path, OpenFailureKind kind, int error)
{
    t_lastFailure.kind = kind;
    t_lastFailure.path = path;
    t_lastFailure.systemError = error;
    char buffer[256] = {};
    t_lastFailure.systemText = error != 0 ? strerror_r(error, buffer, sizeof buffer) : "";
}

void RecordOpenFailure(const std::string& path, int error)
{
    RecordOpenFailure(path, KindOfErrno(error), error);
}

void RecordOpenFailureCode(const std::string& path, unsigned long win32Error)
{
    OpenFailureKind kind = OpenFailureKind::Other;
    if (win32Error == 2 || win32Error == 3)
        kind = OpenFailureKind::NotFound;
    else if (win32Error == 5)
        kind = OpenFailureKind::Busy;
    RecordOpenFailure(path, kind, 0);
    if (kind == OpenFailureKind::Other)
        t_lastFailure.systemText = "error " + std::to_string(win32Error);
}

void ClearOpenFailure()
{
    t_lastFailure = OpenFailure{};
}

}  // namespace tessaline::platform
