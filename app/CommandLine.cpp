#include "app/CommandLine.h"

#include "res/Resources.h"

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
    if (!IsPortName(name) || path.empty())
        return false;
    portName->clear();
    for (char c : name)
        portName->push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    devicePath->assign(path);
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
            fail("--port expects COMn=DEVICE, for example --port COM1=/dev/ttyUSB0 (got \"" + std::string(text) +
                 "\")");
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
        } else if (!optionsEnded && arg == "--port") {
            if (i + 1 < args.size())
                addAlias(args[++i]);
            else
                fail("--port expects COMn=DEVICE");
        } else if (!optionsEnded && arg.rfind("--port=", 0) == 0) {
            addAlias(std::string_view(arg).substr(7));
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            fail("unknown option " + arg);
        } else if (options.file.empty() && !arg.empty()) {
            options.file = arg;
        } else {
            fail("only one file can be opened (got \"" + options.file + "\" and \"" + arg + "\")");
        }
    }
    return options;
}

std::string UsageText(std::string_view programName)
{
    std::string text = "Usage: ";
    text += programName;
    text +=
        " [options] [FILE]\n"
        "A serial-port terminal: received bytes are shown as hexadecimal, typed\n"
        "characters are sent to the port.\n"
        "\n"
        "  --port COMn=DEVICE  open DEVICE for port COMn (repeatable), e.g.\n"
        "                      --port COM1=/dev/ttyUSB0\n"
        "  --demo              connect COM1 to a built-in demo device that echoes\n"
        "                      what you type and sends a line every second\n"
        "  --version           print the version and exit\n"
        "  -h, --help          print this help and exit\n"
        "\n"
        "Without --port, COMn is taken from the [Ports] section of the settings\n"
        "file, then from the environment variable TESSALINE_COMn, then\n"
        "/dev/ttyS<n-1>.\n";
    return text;
}

}  // namespace tessaline::app

namespace tessaline::app {

std::string VersionText()
{
    const res::VersionInfo& version = res::Version();
    std::string text = std::string(version.internalName) + " " + res::VersionString() + "\n";
    text += std::string(version.productName) + ", " + version.fileDescription + "\n";
    text += "File version " + std::string(version.fileVersionText) + ", product version " +
            version.productVersionText + "\n";
    return text;
}

}  // namespace tessaline::app
