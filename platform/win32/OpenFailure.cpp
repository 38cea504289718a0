// Windows: the system keeps no more than the error number of the failed
// CreateFileA, so the kind is read from it on the calling thread, and the
// device path is left empty (the caller knows the name it gave).
#include "platform/OpenFailure.h"

#include "platform/win32.h"

namespace tessaline::platform {

OpenFailure LastOpenFailure()
{
    OpenFailure failure;
    const DWORD error = GetLastError();
    if (error == ERROR_SUCCESS)
        return failure;
    failure.systemError = static_cast<int>(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: failure.kind = OpenFailureKind::NotFound; break;
    case ERROR_ACCESS_DENIED:
        // Permission and an opener holding the port give the same number;
        // for a serial port the second is by far the likelier.
        failure.kind = OpenFailureKind::Busy;
        break;
    default: {
        failure.kind = OpenFailureKind::Other;
        char text[512] = {};
        const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                            0, text, sizeof text, nullptr);
        failure.systemText.assign(text, length);
        while (!failure.systemText.empty() && (failure.systemText.back() == '\n' || failure.systemText.back() == '\r'))
            failure.systemText.pop_back();
        break;
    }
    }
    SetLastError(error);
    return failure;
}

}  // namespace tessaline::platform
