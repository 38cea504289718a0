// Windows: what the application's Windows files share about the file
// system: names as the system takes them (UTF-16, made full), what kind of
// thing a name is, and the system's texts for its error numbers.
//
// Threading: any thread.
#pragma once

#include "platform/win32.h"

#include <string>

namespace tessaline::app::win32 {

// The system's message for `error`, without the final full stop and line
// break, since our texts add their own.
std::string SystemText(DWORD error);

// The full path of the UTF-8 `name`; a device name (CON, NUL, COM1, in any
// folder) comes back as "\\.\NAME".
std::wstring FullPath(const std::string& name);

// Whether a full path names a device ("\\.\" or "\\?\" form).
bool IsDeviceName(const std::wstring& full);

// What kind of thing `full` is when it is not a regular file: empty for a
// regular file, else the kind's text. `*error` is set when the name cannot
// be looked at (ERROR_FILE_NOT_FOUND for a name that does not exist).
std::string KindOf(const std::wstring& full, DWORD* error);

}  // namespace tessaline::app::win32
