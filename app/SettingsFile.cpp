// Reading the settings file's text: ports, recent files, terminal options.
#include "app/SettingsFile.h"

#include "app/CommandLine.h"
#include "app/SettingsText.h"
#include "app/TerminalKeys.h"
#include "res/Strings.h"

#include <algorithm>
#include <map>

namespace tessaline::app {
namespace {

using namespace settings;

std::string PortEntryProblem(const std::string& key, const std::string& value)
{
    if (key.empty())
        return res::FormatString(IDS_PORT_NAME_EMPTY);
    if (!IsPortName(key) || key.size() != 4 || key[3] > '4')
        return res::FormatString(IDS_PORT_NAME_UNKNOWN);
    if (value.empty())
        return res::FormatString(IDS_PORT_PATH_EMPTY);
    return {};  // a relative path is taken against the start-up folder, as --port's is
}

// The values of numbered keys, by number (equal numbers in file order).
std::vector<std::string> ByNumber(std::vector<std::pair<unsigned, std::string>> numbered)
{
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> values;
    for (auto& [number, value] : numbered)
        values.push_back(std::move(value));
    return values;
}

// The terminal options from the last value of each key, with one warning
// per bad value (shown as the file holds it).
TerminalOptions ReadTerminal(const std::map<std::string, std::string>& values, std::vector<std::string>& warnings)
{
    TerminalOptions options;
    for (const auto& [key, value] : values) {
        if (!ReadTerminalValue(key, value, options))
            warnings.push_back(res::FormatString(IDS_SETTINGS_BAD_VALUE, {kTerminalSection, key, EscapeValue(value)}));
    }
    return options;
}

}  // namespace

SettingsContent ParseSettings(std::string_view text)
{
    SettingsContent content;
    const SplitText split = SplitLines(text);
    if (!split.problem.empty()) {
        content.parsed = false;
        content.problem = split.problem;
        return content;
    }
    std::vector<std::pair<unsigned, std::string>> recent, history;
    std::map<std::string, std::string> terminal;
    for (const Line& line : split.lines) {
        if (line.kind != LineKind::Entry)
            continue;
        if (line.section == kRecentSection) {
            if (const unsigned number = KeyNumber(line.name, kRecentKey); number != 0 && !line.value.empty())
                recent.emplace_back(number, line.value);
        } else if (line.section == kHistorySection) {
            const unsigned number = KeyNumber(line.name, kHistoryKey);
            if (number != 0 && number <= TerminalOptions::kMaxSendHistory && !line.value.empty())
                history.emplace_back(number, line.value);
        } else if (line.section == kTerminalSection) {
            terminal[line.name] = line.value;  // the last one counts
        } else if (line.section == kPortsSection) {
            const std::string problem = PortEntryProblem(line.name, line.value);
            if (problem.empty())
                content.ports.emplace_back("COM" + line.name.substr(3), line.value);
            else
                content.warnings.push_back(res::FormatString(IDS_PORT_ENTRY_IGNORED, {line.name, line.value, problem}));
        }
    }
    content.recentFiles = ByNumber(std::move(recent));
    content.terminal = ReadTerminal(terminal, content.warnings);
    content.terminal.sendHistory = ByNumber(std::move(history));
    content.terminal.sendHistory.resize(
        std::min(content.terminal.sendHistory.size(), TerminalOptions::kMaxSendHistory));
    return content;
}

}  // namespace tessaline::app
