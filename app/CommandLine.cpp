#include "app/CommandLine.h"

#include "res/Resources.h"

#include <unistd.h>

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

// An argument as a message quotes it: bytes that are not printable UTF-8
// are shown as \xNN.
std::string Quoted(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0xC0 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        const std::string_view sequence = text.substr(i, length);
        if (byte >= 0x20 && byte != 0x7F && sequence.size() == length && IsValidUtf8(sequence)) {
            quoted.append(sequence);
            i += length;
        } else {
            quoted += "\\x";
            quoted += digits[byte >> 4];
            quoted += digits[byte & 15];
            ++i;
        }
    }
    return quoted + "\"";
}

// `path` from the current folder when it is relative.
std::string AbsolutePath(const std::string& path)
{
    if (path.front() == '/')
        return path;
    char folder[4096];
    return ::getcwd(folder, sizeof folder) ? std::string(folder) + "/" + path : path;
}

}  // namespace

std::string QuotedArgument(std::string_view text)
{
    return Quoted(text);
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        const auto second = static_cast<unsigned char>(length > 1 ? text[i + 1] : 0);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
            (lead == 0xF4 && second >= 0x90))
            return false;  // overlong forms, surrogates, beyond U+10FFFF
        i += length;
    }
    return true;
}

StartupOptions ParseStartupOptions(const std::vector<std::string>& args)
{
    StartupOptions options;
    bool optionsEnded = false;
    const auto fail = [&options](std::string message) {
        if (options.error.empty())
            options.error = std::move(message);
    };
    const auto addAlias = [&](std::string_view text) {
        std::string name, path;
        if (ParsePortAlias(text, &name, &path))
            options.portAliases.emplace_back(std::move(name), std::move(path));
        else
            fail("--port " + Quoted(text) + ": expected COMn=DEVICE with n from 1 to 4, for example " +
                 "--port COM1=/dev/ttyUSB0");
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!optionsEnded && arg == "--version") {
            options.version = true;
        } else if (!optionsEnded && arg == "--demo") {
            options.demo = true;
        } else if (!optionsEnded && arg == "--list-ports") {
            options.listPorts = true;
        } else if (!optionsEnded && arg == "--port") {
            if (i + 1 < args.size())
                addAlias(args[++i]);
            else
                fail("--port: expected COMn=DEVICE after it");
        } else if (!optionsEnded && arg.rfind("--port=", 0) == 0) {
            addAlias(std::string_view(arg).substr(7));
        } else if (!optionsEnded && arg == "--log") {
            if (i + 1 < args.size() && !args[i + 1].empty())
                options.logFile = AbsolutePath(args[++i]);
            else
                fail("--log: expected FILE after it");
        } else if (!optionsEnded && arg == "--no-reconnect") {
            options.noReconnect = true;
        } else if (!optionsEnded && arg == "--timestamps") {
            options.timestamps = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            fail("unknown option " + Quoted(arg));
        } else if (!options.fileGiven) {
            options.fileGiven = true;
            options.file = arg;
        } else {
            fail("only one file can be opened (got " + Quoted(options.file) + " and " + Quoted(arg) + ")");
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
            "  --version           print the version and exit\n"
            "  -h, --help          print this help and exit\n"
            "\n"
            "Without --port, COMn is taken from the [Ports] section of the settings\n"
            "file, then from the environment variable TESSALINE_COMn, then from the\n"
            "serial devices present (/dev/ttyS* UARTs, /dev/serial/by-id/*, then\n"
            "/dev/ttyUSB* and /dev/ttyACM*); with none present, /dev/ttyS<n-1>.\n"
            "\n"
            "Exit status: 0 on success, 1 when the display or the file cannot be\n"
            "opened, 2 for a wrong option or argument.\n";
    return text;
}

}  // namespace tessaline::app

namespace tessaline::app {

std::string VersionText()
{
    const res::VersionInfo& version = res::Version();
    std::string text = std::string(version.internalName) + " " + res::VersionString() + "\n";
    text += std::string(version.productName) + ", " + version.fileDescription + "\n";
    text += "File version " + std::string(version.fileVersionText) + ", product version " + version.productVersionText +
            "\n";
    return text;
}

}  // namespace tessaline::app
