// Command-line handling of the program: the tail rule that turns a whole
// command line (program name included) into the part handed to the
// application, and the parser of the program's own options.
//
// Threading: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaline::app {

// The command line without the program's name: a leading quoted name is
// skipped up to and including its closing quote (everything when there is
// none), an unquoted one up to the first character of code 0x20 or less;
// then characters of code 0x01 to 0x20 are skipped.
std::string CommandLineTail(std::string_view commandLine);

struct StartupOptions
{
    bool help = false;
    bool version = false;
    bool demo = false;
    bool listPorts = false;
    // COMn -> device path, in the order given; later entries win.
    std::vector<std::pair<std::string, std::string>> portAliases;
    std::string logFile;       // --log: received bytes are logged to it from start-up; empty: not given
    bool noReconnect = false;  // --no-reconnect: reconnection off for this run, not saved
    bool timestamps = false;   // --timestamps: bursts on their own timed lines for this run, not saved
    bool fileGiven = false;    // a file argument was given (perhaps an empty one)
    std::string file;          // document to open, as bytes
    std::string error;         // non-empty when the arguments are not usable
};

// Exit statuses of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;     // no display, or the file cannot be opened
constexpr int kExitUsageError = 2;  // an option or argument is wrong

// Parses the arguments after the program's name:
//   --help, -h; --version; --demo; --list-ports; --port COMn=PATH or
//   --port=COMn=PATH (repeatable); --log FILE or --log=FILE (the last one
//   wins; the name must not be empty); --no-reconnect; --timestamps; "--"
//   ends the options; one optional file name. An error names the argument
//   at fault. Names are kept as given (see PrepareStartup).
StartupOptions ParseStartupOptions(const std::vector<std::string>& args);

// Splits "COMn=PATH"; false unless the name is one of COM1 to COM4 (any
// case) and the path is not empty.
bool ParsePortAlias(std::string_view text, std::string* portName, std::string* devicePath);

// True for a port name of the form COMn (any case), n from 1 up.
bool IsPortName(std::string_view name);

std::string UsageText(std::string_view programName);
// The name and version of the program and its license, for --version.
std::string VersionText();

}  // namespace tessaline::app
