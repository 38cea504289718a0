#include "app/Startup.h"

#include "platform/PortNames.h"
#include "platform/StartupFolder.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

namespace tessaline::app {
namespace {

std::size_t CodePoints(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The byte offset of code point `index` (the size when there are fewer).
std::size_t OffsetOf(std::string_view text, std::size_t index)
{
    for (std::size_t offset = 0; offset < text.size(); ++offset) {
        if ((static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80 && index-- == 0)
            return offset;
    }
    return text.size();
}

// `text` on one line: a backslash as \\, a line feed as \n, a tab as \t
// and other control characters as \xNN; every other byte as it is.
std::string EscapedForLine(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (byte < 0x20 || byte == 0x7F)
            escaped += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
        else
            escaped += c;
    }
    return escaped;
}

}  // namespace

FileArgumentCheck CheckFileArgument(const StartupOptions& options)
{
    FileArgumentCheck check;
    if (!options.fileGiven)
        return check;
    const std::string& name = options.file;
    const std::string quoted = ui::QuotedArgument(name);
    check.verdict = FileArgumentCheck::Verdict::StartUntitled;
    if (name.empty()) {
        check.message = res::FormatString(IDS_FILE_NAME_EMPTY);
    } else if (const FileLook look = LookAtFile(name); !look.text) {
        check.message = res::FormatString(IDS_FILE_NAME_NOT_TEXT, {quoted});
    } else if (!look.unreachable.empty()) {
        check.verdict = FileArgumentCheck::Verdict::Fail;
        check.message = res::FormatString(IDS_FILE_CANNOT_OPEN, {quoted, look.unreachable});
    } else if (!look.kind.empty()) {
        check.message = res::FormatString(IDS_FILE_NOT_A_FILE, {quoted, look.kind});
    } else {
        check.verdict = FileArgumentCheck::Verdict::Open;
    }
    return check;
}

StartupState PrepareStartup(const StartupOptions& options)
{
    StartupState state;
    state.options = options;
    state.settingsPath = SettingsFilePath();
    state.settings = ReadSettingsFile(state.settingsPath);
    const std::string quoted = ui::QuotedArgument(state.settingsPath);
    if (!state.settings.parsed)
        state.warnings.push_back(res::FormatString(IDS_SETTINGS_NOT_WRITTEN, {quoted, state.settings.problem}));
    for (const std::string& warning : state.settings.warnings)
        state.warnings.push_back(res::FormatString(IDS_SETTINGS_WARNING, {quoted, warning}));
    state.terminal = state.settings.terminal;
    state.terminal.reconnect = state.terminal.reconnect && !options.noReconnect;
    state.terminal.timestamps = state.terminal.timestamps || options.timestamps;

    for (const auto& [portName, devicePath] : state.settings.ports)
        platform::SetPortAlias(portName, devicePath, platform::PortSource::SettingsFile);
    for (const auto& [portName, devicePath] : options.portAliases)
        platform::SetPortAlias(portName, devicePath, platform::PortSource::CommandLine);
    // Messages name the file as given; it is opened, and remembered, by its
    // absolute name, which stays right whatever the working folder.
    state.file = CheckFileArgument(options);
    state.options.file = platform::AbsoluteFromStartup(options.file);
    state.options.logFile = platform::AbsoluteFromStartup(options.logFile);
    return state;
}

std::string ListPortsText(bool demo)
{
    std::string text;
    for (int number = 1; number <= 4; ++number) {
        const std::string name = "COM" + std::to_string(number);
        platform::PortMapping mapping = platform::DescribePort(name);
        if (number == 1 && demo && mapping.source != platform::PortSource::CommandLine)
            mapping = {"(demo)", platform::PortSource::Demo};
        text += name + " " + (mapping.path.empty() ? "-" : EscapedForLine(mapping.path)) + " " +
                platform::PortSourceName(mapping.source) + "\n";
    }
    // Where the system names its ports itself (Windows), the others present
    // too, so that one of them can be given to COM1 to COM4.
    for (const std::string& device : platform::DetectSerialDevices()) {
        if (IsPortName(device) && std::stoul(device.substr(3)) > 4)
            text += device + " " + EscapedForLine(platform::ResolvePortName(device)) + " detected\n";
    }
    return text;
}

std::string ShortenedForMessageBox(std::string_view text)
{
    constexpr std::size_t kLongest = 600, kKept = 290, kLineLength = 72;
    std::string shortened(text);
    if (const std::size_t count = CodePoints(text); count > kLongest)
        shortened = std::string(text.substr(0, OffsetOf(text, kKept))) + " … " +
                    std::string(text.substr(OffsetOf(text, count - kKept)));

    std::string wrapped;
    std::string_view rest = shortened;
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        std::string_view line = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        while (CodePoints(line) > kLineLength) {
            std::size_t cut = OffsetOf(line, kLineLength);
            const std::size_t blank = line.rfind(' ', cut);
            const bool atBlank = blank != std::string_view::npos && blank > 0;
            cut = atBlank ? blank : cut;
            wrapped.append(line.substr(0, cut)).push_back('\n');
            line.remove_prefix(atBlank ? cut + 1 : cut);
        }
        wrapped.append(line);
        if (newline != std::string_view::npos)
            wrapped.push_back('\n');
    }
    return wrapped;
}

}  // namespace tessaline::app
