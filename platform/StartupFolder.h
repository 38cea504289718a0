// The folder the program started in, and relative paths taken against it.
// Everything the user names with a relative path (the file argument, the
// log file, a device path from the command line, the settings file or the
// environment) means the same place, whatever happens to the working
// folder later. Paths are byte strings; symbolic links are never resolved,
// so a name keeps the links the user went through.
//
// Threading: any thread. The folder is settled on the first call; the
// program makes that call at start-up, before any thread starts.
#pragma once

#include <string>

namespace tessaline::platform {

// The working folder at the first call, as the shell names it ($PWD when
// that is the same folder, so that links in it are kept), else as the
// system gives it; "" when it cannot be found out.
const std::string& StartupFolder();

// `path` when it is empty or already absolute, or when `folder` is empty;
// else `folder` + "/" + `path` with its "." and empty components left out.
// ".." is kept: across a symbolic link it cannot be undone as text.
std::string AbsolutePath(const std::string& path, const std::string& folder);

// AbsolutePath against StartupFolder().
std::string AbsoluteFromStartup(const std::string& path);

}  // namespace tessaline::platform
