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

struct StartupOptions {
    bool help = false;
    bool version = false;
    bool demo = false;
    // COMn -> device path, in the order given; later entries win.
    std::vector<std::pair<std::string, std::string>> portAliases;
    std::string file;   // document to open; empty for a new one
    std::string error;  // non-empty when the arguments are not usable
};

// Parses the arguments after the program's name:
//   --help, -h; --version; --demo; --port COMn=PATH or --port=COMn=PATH
//   (repeatable); "--" ends the options; one optional file name.
StartupOptions ParseStartupOptions(const std::vector<std::string>& args);

// Splits "COMn=PATH"; false unless the name is COM followed by a number
// from 1 up and the path is not empty.
bool ParsePortAlias(std::string_view text, std::string* portName, std::string* devicePath);

// True for a port name of the form COMn (any case), n from 1 up.
bool IsPortName(std::string_view name);

std::string UsageText(std::string_view programName);
std::string VersionText();

}  // namespace tessaline::app
