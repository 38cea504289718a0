// How CreateFileA finds the device for a port name such as "COM1".
//
// For COMn, the first of these that names a device wins:
//   1. an alias the application set (from its command line, its settings
//      file or its demo device), tagged with where it came from;
//   2. the environment variable TESSALINE_COM<n>;
//   3. the n-th serial device present (see DetectSerialDevices); when some
//      devices are present but fewer than n, COMn has no device and
//      resolves to "";
//   4. when no device is present at all, /dev/ttyS<n-1>.
// On Linux a relative device path from an alias or the environment is taken
// against the folder the program started in (see StartupFolder.h). A name
// that is already a path (starts with '/') is used as it is; the
// "\\.\COMn" form is accepted and means COMn. Port names are matched without
// regard to case. Paths are byte strings, never converted.
//
// That is the posix backend. On Windows (platform/win32/PortNames.cpp)
// COMn is the system's own port, opened as "\\.\COMn"; an alias names
// another port or device instead, and the ports present are those listed
// under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
//
// Threading: any thread; the alias table is guarded by a lock. Detection
// reads the file system on every call, so a replugged adapter is seen.
#pragma once

#include <string>
#include <vector>

namespace tessaline::platform {

enum class PortSource { Path, CommandLine, SettingsFile, Demo, Environment, Detected, Default, Other };

struct PortMapping
{
    std::string path;  // the device CreateFileA opens; empty: no device
    PortSource source = PortSource::Other;
};

// Maps `portName` (e.g. "COM1") to a device path; an empty path removes it.
void SetPortAlias(const std::string& portName, const std::string& devicePath,
                  PortSource source = PortSource::CommandLine);
void ClearPortAliases();

// The device path CreateFileA opens for `name`.
std::string ResolvePortName(const std::string& name);

// The device path for `name` and which rule gave it.
PortMapping DescribePort(const std::string& name);

// One word for a source, as --list-ports prints it.
constexpr const char* PortSourceName(PortSource source)
{
    switch (source) {
    case PortSource::Path: return "path";
    case PortSource::CommandLine: return "command-line";
    case PortSource::SettingsFile: return "settings-file";
    case PortSource::Demo: return "demo";
    case PortSource::Environment: return "environment";
    case PortSource::Detected: return "detected";
    case PortSource::Default: return "default";
    case PortSource::Other: break;
    }
    return "other";
}

// The serial devices present, in COMn order: UARTs that exist
// (dev/ttyS<k> whose sys/class/tty/ttyS<k>/type is not 0), by number; then
// each symbolic link in dev/serial/by-id that leads to something, by name,
// as the link's own path; then dev/ttyUSB<k> and dev/ttyACM<k> not reached
// through a by-id link, by number. Names are used as found ("ttyUSB01" is
// not "ttyUSB1"); equal numbers go by name. Sysfs files are read without
// waiting, and only when they are regular files. Everything is read under
// $TESSALINE_DEVICE_ROOT ("/" when unset), and the paths returned start
// with that root.
std::vector<std::string> DetectSerialDevices();

}  // namespace tessaline::platform
