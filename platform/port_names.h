// How CreateFileA finds the device for a port name such as "COM1".
//
// In order: an alias the application set (from its settings or its command
// line), then the environment variable TESSALINE_COM<n>, then /dev/ttyS<n-1>.
// A name that is already a path (starts with '/') is used as it is; the
// "\\.\COMn" form is accepted and means COMn. Port names are matched without
// regard to case.
//
// Threading: any thread; the alias table is guarded by a lock.
#pragma once

#include <string>

namespace tessaline::platform {

// Maps `portName` (e.g. "COM1") to a device path; an empty path removes it.
void SetPortAlias(const std::string& portName, const std::string& devicePath);
void ClearPortAliases();

// The device path CreateFileA opens for `name`.
std::string ResolvePortName(const std::string& name);

}  // namespace tessaline::platform
