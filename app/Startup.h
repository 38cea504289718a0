// What the program settles before the toolkit starts, so that help, errors
// and --list-ports need no display: the settings file read, the port
// aliases set from it and from the command line, the file argument checked,
// and the texts printed or shown about them.
//
// Threading: call from the main thread before the toolkit starts (the port
// alias table it fills is itself thread-safe).
#pragma once

#include "app/CommandLine.h"
#include "app/SettingsFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessaline::app {

struct FileArgumentCheck
{
    enum class Verdict {
        None,           // no file argument: a new document
        Open,           // a regular file: open it
        StartUntitled,  // not something to open as a document: say so, start untitled
        Fail            // it cannot be reached: say so and end
    };
    Verdict verdict = Verdict::None;
    std::string message;  // for StartUntitled and Fail, naming the argument
};

// Looks at the file argument without opening it (so a FIFO cannot block).
FileArgumentCheck CheckFileArgument(const StartupOptions& options);

// What the system tells of a named file without opening it: at most one of
// the three is set. Defined by each system's FileArgument.cpp.
struct FileLook
{
    bool text = true;         // the name is text in the system's encoding
    std::string unreachable;  // why the name leads nowhere, or ""
    std::string kind;         // what it is when not a regular file, or ""
};
FileLook LookAtFile(const std::string& name);

// Empty when `name` is a regular file that can be opened for reading, else
// why not. Anything but a regular file is refused before it is opened, and
// the open cannot block should one be swapped in meanwhile.
std::string RegularFileProblem(const std::string& name);

struct StartupState
{
    StartupOptions options;
    std::string settingsPath;
    SettingsContent settings;
    TerminalOptions terminal;  // the settings file's, with this run's command-line overrides
    FileArgumentCheck file;
    std::vector<std::string> warnings;  // about the settings file, each naming it
};

// Reads the settings file and sets the port aliases: the settings file's
// [Ports] first, the command line's --port after, so that it wins. The file
// argument and the log file come back absolute, taken against the start-up
// folder (platform/StartupFolder.h) without resolving links; the file
// check's message names the file as given. The terminal options are the
// file's, overridden for this run by --no-reconnect and --timestamps.
StartupState PrepareStartup(const StartupOptions& options);

// "COMn PATH SOURCE" for COM1 to COM4, one line each; PATH is "-" for a
// port with no device. With --demo (and no --port for COM1) COM1 reads
// "(demo) demo". Where the system lists its ports by name (Windows), each
// other port present follows as "COMn DEVICE detected". A path stays on its
// line: a backslash is written as \\, a line feed as \n, a tab as \t and
// other control characters as \xNN.
std::string ListPortsText(bool demo);

// `text` as a message box can show it: over 600 characters the middle
// gives way to "…", and lines are broken at 72 characters, at a blank where
// there is one.
std::string ShortenedForMessageBox(std::string_view text);

}  // namespace tessaline::app
