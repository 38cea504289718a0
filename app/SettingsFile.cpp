#include "app/SettingsFile.h"

#include "app/CommandLine.h"
#include "res/Resources.h"

#include <algorithm>
#include <cctype>

namespace tessaline::app {
namespace {

constexpr std::size_t kLargestFile = 1 << 20;
constexpr std::string_view kRecentSection = "Recent File List";
constexpr std::string_view kPortsSection = "Ports";

enum class LineKind { Blank, Comment, Section, Entry, Other };

struct Line
{
    std::string_view raw;  // with its line ending
    LineKind kind = LineKind::Other;
    std::string name;   // section name, or entry key
    std::string value;  // entry value, unescaped
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Names: a backslash takes the next character as it is.
std::string UnescapeName(std::string_view text)
{
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        name += text[i];
    }
    return name;
}

std::string UnescapeValue(std::string_view text)
{
    std::string value;
    const bool quoted = !text.empty() && text.front() == '"';
    if (quoted) {
        text.remove_prefix(1);
        if (!text.empty() && text.back() == '"' && (text.size() < 2 || text[text.size() - 2] != '\\'))
            text.remove_suffix(1);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        const char next = text[++i];
        value += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return value;
}

std::string EscapeValue(std::string_view value)
{
    const bool quote = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"');
    std::string text = quote ? "\"" : "";
    for (char c : value) {
        switch (c) {
        case '\n': text += "\\n"; break;
        case '\r': text += "\\r"; break;
        case '\t': text += "\\t"; break;
        case '\\': text += "\\\\"; break;
        case '"': text += quote ? "\\\"" : "\""; break;
        default: text += c;
        }
    }
    return quote ? text + "\"" : text;
}

// Classifies one line (without its ending); false for a section line that
// does not close, which makes the whole file unsafe to rewrite.
bool Classify(std::string_view text, Line& line)
{
    text = Trimmed(text);
    if (text.empty()) {
        line.kind = LineKind::Blank;
    } else if (text.front() == ';' || text.front() == '#') {
        line.kind = LineKind::Comment;
    } else if (text.front() == '[') {
        std::size_t end = 1;
        while (end < text.size() && text[end] != ']')
            end += text[end] == '\\' ? 2 : 1;
        if (end >= text.size())
            return false;
        const std::string_view rest = Trimmed(text.substr(end + 1));
        if (!rest.empty() && rest.front() != ';' && rest.front() != '#')
            return false;
        line.kind = LineKind::Section;
        line.name = UnescapeName(text.substr(1, end - 1));
        if (!line.name.empty() && line.name.front() == '/')
            line.name.erase(0, 1);
    } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
        line.kind = LineKind::Entry;
        line.name = UnescapeName(Trimmed(text.substr(0, equals)));
        line.value = UnescapeValue(Trimmed(text.substr(equals + 1)));
    }
    return true;
}

// The lines of `text` with their sections; `problem` set when unsafe.
std::vector<std::pair<Line, std::string>> SplitLines(std::string_view text, std::string* problem)
{
    std::vector<std::pair<Line, std::string>> lines;
    if (text.size() > kLargestFile) {
        *problem = res::FormatString(IDS_SETTINGS_TOO_LARGE);
        return lines;
    }
    if (text.find('\0') != std::string_view::npos || !IsValidUtf8(text)) {
        *problem = res::FormatString(IDS_SETTINGS_NOT_UTF8);
        return lines;
    }
    std::string section;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        Line line;
        line.raw = text.substr(start, end - start);
        std::string_view content = line.raw;
        while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
            content.remove_suffix(1);
        if (!Classify(content, line)) {
            *problem = res::FormatString(IDS_SETTINGS_OPEN_SECTION, {std::to_string(lines.size() + 1)});
            return {};
        }
        if (line.kind == LineKind::Section)
            section = line.name;
        lines.emplace_back(std::move(line), section);
        start = end;
    }
    return lines;
}

// The number of a recent-file key "fileN", or 0.
unsigned long RecentKeyNumber(const std::string& key)
{
    if (key.size() < 5 || key.size() > 7 || key.compare(0, 4, "file") != 0 || key[4] == '0')
        return 0;
    unsigned long number = 0;
    for (std::size_t i = 4; i < key.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(key[i])))
            return 0;
        number = number * 10 + static_cast<unsigned long>(key[i] - '0');
    }
    return number;
}

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

}  // namespace

SettingsContent ParseSettings(std::string_view text)
{
    SettingsContent content;
    const auto lines = SplitLines(text, &content.problem);
    if (!content.problem.empty()) {
        content.parsed = false;
        return content;
    }
    std::vector<std::pair<unsigned long, std::string>> recent;
    for (const auto& [line, section] : lines) {
        if (line.kind != LineKind::Entry)
            continue;
        if (section == kRecentSection) {
            if (const unsigned long number = RecentKeyNumber(line.name); number != 0 && !line.value.empty())
                recent.emplace_back(number, line.value);
        } else if (section == kPortsSection) {
            const std::string problem = PortEntryProblem(line.name, line.value);
            if (problem.empty())
                content.ports.emplace_back("COM" + line.name.substr(3), line.value);
            else
                content.warnings.push_back(res::FormatString(IDS_PORT_ENTRY_IGNORED, {line.name, line.value, problem}));
        }
    }
    std::stable_sort(recent.begin(), recent.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [number, file] : recent)
        content.recentFiles.push_back(std::move(file));
    return content;
}

namespace {

using Lines = std::vector<std::pair<Line, std::string>>;

// Which lines stay when the list is rewritten: everything but the old
// list, and a list section's header only while its section keeps something.
// `insertAt` is where the new entries go (the size when they go at the end);
// `found` tells whether there was a list section.
std::vector<bool> KeptLines(const Lines& lines, bool haveEntries, std::size_t* insertAt, bool* found)
{
    std::vector<bool> keep(lines.size(), true);
    *insertAt = lines.size();
    *found = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].first.kind != LineKind::Section || lines[i].first.name != kRecentSection)
            continue;
        std::size_t firstEntry = lines.size(), lastFilled = i;
        bool keepsSomething = false;
        for (std::size_t k = i + 1; k < lines.size() && lines[k].first.kind != LineKind::Section; ++k) {
            const Line& inner = lines[k].first;
            if (inner.kind == LineKind::Entry && RecentKeyNumber(inner.name) != 0) {
                keep[k] = false;
                firstEntry = std::min(firstEntry, k);
            } else if (inner.kind != LineKind::Blank) {
                keepsSomething = true;
                lastFilled = k;
            }
        }
        if (!*found && haveEntries) {
            *insertAt = firstEntry < lines.size() ? firstEntry : lastFilled + 1;
            keepsSomething = true;
        }
        keep[i] = keepsSomething;
        *found = true;
    }
    return keep;
}

}  // namespace

std::string MergeRecentFiles(std::string_view text, const std::vector<std::string>& files)
{
    std::string problem;
    const Lines lines = SplitLines(text, &problem);
    const std::size_t firstCrLf = text.find("\r\n");
    const std::string newline = firstCrLf != std::string_view::npos && firstCrLf + 1 == text.find('\n') ? "\r\n" : "\n";
    std::string entries;
    int number = 0;
    for (const std::string& file : files) {
        if (!file.empty() && IsValidUtf8(file))  // the file must stay UTF-8 text
            entries += "file" + std::to_string(++number) + "=" + EscapeValue(file) + newline;
    }

    std::size_t insertAt = 0;
    bool found = false;
    const std::vector<bool> keep = KeptLines(lines, !entries.empty(), &insertAt, &found);
    std::string merged;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == insertAt)
            merged += entries;
        if (keep[i])
            merged += lines[i].first.raw;
    }
    if (insertAt == lines.size() && !entries.empty()) {
        if (!merged.empty() && merged.back() != '\n')
            merged += newline;
        if (!found)
            merged += "[Recent\\ File\\ List]" + newline;
        merged += entries;
    }
    return merged;
}

}  // namespace tessaline::app
