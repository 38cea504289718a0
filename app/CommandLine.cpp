#include "app/CommandLine.h"

#include "res/Version.h"
#include "ui/TextEncoding.h"

#include <cctype>

namespace tessaline::app {

std::string CommandLineTail(std::string_view commandLine)
{
    std::size_t position = 0;
    if (!commandLine.empty() && commandLine.front() == '"') {
        const std::size_t closing = commandLine.find('"', 1);
        position = closing == std::string_view::npos ? commandLine.size() : closing + 1;
    } else {
        while (position < commandLine.size() && static_cast<unsigned char>(commandLine[position]) > 0x20)
            ++position;
    }
    while (position < commandLine.size()) {
        const auto code = static_cast<unsigned char>(commandLine[position]);
        if (code < 0x01 || code > 0x20)
            break;
        ++position;
    }
    return std::string(commandLine.substr(position));
}

bool IsPortName(std::string_view name)
{
    if (name.size() < 4)
        return false;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return false;
    }
    const std::string_view number = name.substr(3);
    if (number.front() == '0' || number.size() > 3)
        return false;
    for (char c : number) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool ParsePortAlias(std::string_view text, std::string* portName, std::string* devicePath)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return false;
    const std::string_view name = text.substr(0, equals);
    const std::string_view path = text.substr(equals + 1);
    if (!IsPortName(name) || name.size() != 4 || name[3] > '4' || path.empty())
        return false;
    portName->clear();
    for (char c : name)
        portName->push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    devicePath->assign(path);
    return true;
}

namespace {

// The switches without a value, and the field each sets.
bool* SwitchField(StartupOptions& options, const std::string& arg)
{
    if (arg == "--help" || arg == "-h")
        return &options.help;
    if (arg == "--version")
        return &options.version;
    if (arg == "--demo")
        return &options.demo;
    if (arg == "--list-ports")
        return &options.listPorts;
    if (arg == "--no-reconnect")
        return &options.noReconnect;
    if (arg == "--timestamps")
        return &options.timestamps;
    return nullptr;
}

// The first error is the one reported.
void Fail(StartupOptions& options, std::string message)
{
    if (options.error.empty())
        options.error = std::move(message);
}

void TakeValue(StartupOptions& options, const std::string& option, std::string_view value)
{
    const std::string shown = option + " " + ui::QuotedArgument(value);
    if (option == "--log") {
        if (value.empty())
            Fail(options, shown + ": the log file name is empty");
        else
            options.logFile.assign(value);
        return;
    }
    std::string name, path;
    if (ParsePortAlias(value, &name, &path))
        options.portAliases.emplace_back(std::move(name), std::move(path));
    else
        Fail(options, shown + ": expected COMn=DEVICE with n from 1 to 4, for example --port COM1=/dev/ttyUSB0");
}

// An option with a value, "--name VALUE" (the next argument) or
// "--name=VALUE"; false when args[*i] is none of them.
bool TakeValueOption(const std::vector<std::string>& args, std::size_t* i, StartupOptions& options)
{
    const std::string& arg = args[*i];
    for (const std::string option : {"--port", "--log"}) {
        if (arg == option) {
            if (*i + 1 < args.size())
                TakeValue(options, option, args[++*i]);
            else
                Fail(options,
                     option + (option == "--log" ? ": expected FILE after it" : ": expected COMn=DEVICE after it"));
            return true;
        }
        if (arg.compare(0, option.size() + 1, option + "=") == 0) {
            TakeValue(options, option, std::string_view(arg).substr(option.size() + 1));
            return true;
        }
    }
    return false;
}

}  // namespace

StartupOptions ParseStartupOptions(const std::vector<std::string>& args)
{
    StartupOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (options.fileGiven)
                Fail(options, "only one file can be opened (got " + ui::QuotedArgument(options.file) + " and " +
                                  ui::QuotedArgument(arg) + ")");
            else
                options.file = arg;
            options.fileGiven = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (bool* field = SwitchField(options, arg)) {
            *field = true;
        } else if (!TakeValueOption(args, &i, options)) {
            Fail(options, "unknown option " + ui::QuotedArgument(arg));
        }
    }
    return options;
}

std::string UsageText(std::string_view programName)
{
    std::string text = "Usage: ";
    text += programName;
    text += " [options] [FILE]\n"
            "A serial-port terminal: received bytes are shown as hexadecimal, typed\n"
            "characters are sent to the port.\n"
            "\n"
            "  --port COMn=DEVICE  open DEVICE for port COMn, n from 1 to 4\n"
            "                      (repeatable), e.g. --port COM1=/dev/ttyUSB0\n"
            "  --list-ports        print the device each of COM1 to COM4 opens and\n"
            "                      where that came from, then exit\n"
            "  --demo              connect COM1 to a built-in demo device that echoes\n"
            "                      what you type and sends a line every second\n"
            "  --log FILE          log the received bytes to FILE (appended) from\n"
            "                      the start\n"
            "  --no-reconnect      for this run, do not wait for a lost device to\n"
            "                      come back\n"
            "  --timestamps        for this run, start each burst of received bytes\n"
            "                      on a new line with its time\n"
            "  --version           print the version and the license, then exit\n"
            "  -h, --help          print this help and exit\n"
            "\n"
            "Without --port, COMn is taken from the [Ports] section of the settings\n"
            "file, then from the environment variable TESSALINE_COMn, then from the\n"
            "serial devices present (/dev/ttyS* UARTs, /dev/serial/by-id/*, then\n"
            "/dev/ttyUSB* and /dev/ttyACM*); with none present, /dev/ttyS<n-1>.\n"
            "Relative paths are taken against the folder the program starts in.\n"
            "\n"
            "Exit status: 0 on success, 1 when the display or the file cannot be\n"
            "opened or the output cannot be written, 2 for a wrong option or\n"
            "argument.\n";
    return text;
}

std::string VersionText()
{
    const res::VersionInfo& version = res::Version();
    return std::string(version.internalName) + " " + res::VersionString() + "\nLicense: " + res::kLicense + "\n";
}

}  // namespace tessaline::app
