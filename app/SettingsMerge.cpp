// Merging what the program owns into the settings file's text, leaving
// every other byte as it was.
#include "app/SettingsFile.h"

#include "app/SettingsText.h"
#include "app/TerminalKeys.h"

#include <algorithm>
#include <optional>

namespace tessaline::app {
namespace {

using namespace settings;

// What becomes of the text: each line kept, dropped or given new contents
// (its ending stays), new lines inserted before a line (or, at the index
// one past the last line, at the end), and sections appended.
struct Plan
{
    explicit Plan(const std::vector<Line>& all)
        : lines(all),
          keep(all.size(), true),
          replaced(all.size()),
          inserted(all.size() + 1),
          touched(all.size(), false),
          filled(all.size(), false)
    {}

    const std::vector<Line>& lines;
    std::vector<bool> keep;
    std::vector<std::optional<std::string>> replaced;
    std::vector<std::vector<std::string>> inserted;
    std::vector<bool> touched, filled;  // per section line: a line of it dropped; lines put into it
    std::vector<std::pair<std::string, std::vector<std::string>>> appended;
};

// The index of the line after section `header`'s last line.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t header)
{
    std::size_t end = header + 1;
    while (end < lines.size() && lines[end].kind != LineKind::Section)
        ++end;
    return end;
}

// Where lines added to section `header` go: after its last line that is
// not blank.
std::size_t AfterLastFilled(const std::vector<Line>& lines, std::size_t header)
{
    std::size_t last = header;
    for (std::size_t i = header + 1, end = SectionEnd(lines, header); i < end; ++i) {
        if (lines[i].kind != LineKind::Blank)
            last = i;
    }
    return last + 1;
}

void Append(Plan& plan, std::string_view section, const std::vector<std::string>& entries)
{
    for (auto& [name, lines] : plan.appended) {
        if (name == section) {
            lines.insert(lines.end(), entries.begin(), entries.end());
            return;
        }
    }
    plan.appended.emplace_back(std::string(section), entries);
}

// Replaces the numbered keys `prefix`N of every `section` by `entries`: in
// the first such section, where its first numbered key was.
void ReplaceList(Plan& plan, std::string_view section, std::string_view prefix, const std::vector<std::string>& entries)
{
    bool found = false;
    for (std::size_t header = 0; header < plan.lines.size(); ++header) {
        if (plan.lines[header].kind != LineKind::Section || plan.lines[header].name != section)
            continue;
        const std::size_t end = SectionEnd(plan.lines, header);
        std::size_t first = end;
        for (std::size_t i = header + 1; i < end; ++i) {
            if (plan.lines[i].kind == LineKind::Entry && KeyNumber(plan.lines[i].name, prefix) != 0) {
                plan.keep[i] = false;
                plan.touched[header] = true;
                first = std::min(first, i);
            }
        }
        if (!found && !entries.empty()) {
            auto& into = plan.inserted[first < end ? first : AfterLastFilled(plan.lines, header)];
            into.insert(into.end(), entries.begin(), entries.end());
            plan.filled[header] = true;
        }
        found = true;
    }
    if (!found && !entries.empty())
        Append(plan, section, entries);
}

// Gives `key` of `section` the value (no value: removes it). The last
// occurrence of the key is the one that counts, so that one changes.
void SetKey(Plan& plan, std::string_view section, std::string_view key, const std::optional<std::string>& value)
{
    const std::optional<std::string> entry =
        value ? std::optional(std::string(key) + "=" + EscapeValue(*value)) : std::nullopt;
    std::size_t firstHeader = plan.lines.size(), header = 0, last = plan.lines.size(), lastHeader = 0;
    for (std::size_t i = 0; i < plan.lines.size(); ++i) {
        const Line& line = plan.lines[i];
        if (line.section != section)
            continue;
        if (line.kind == LineKind::Section) {
            header = i;
            firstHeader = std::min(firstHeader, i);
        } else if (line.kind == LineKind::Entry && line.name == key) {
            last = i;
            lastHeader = header;
        }
    }
    if (last < plan.lines.size()) {
        plan.replaced[last] = entry;
        plan.keep[last] = entry.has_value();
        plan.touched[lastHeader] = plan.touched[lastHeader] || !entry;
    } else if (entry && firstHeader < plan.lines.size()) {
        plan.inserted[AfterLastFilled(plan.lines, firstHeader)].push_back(*entry);
        plan.filled[firstHeader] = true;
    } else if (entry) {
        Append(plan, section, {*entry});
    }
}

// A section the merge took lines from and put none into goes when only
// blank lines are left in it; the blank lines stay.
void DropEmptiedSections(Plan& plan)
{
    for (std::size_t header = 0; header < plan.lines.size(); ++header) {
        if (!plan.touched[header] || plan.filled[header])
            continue;
        bool empty = true;
        for (std::size_t i = header + 1, end = SectionEnd(plan.lines, header); i < end; ++i)
            empty = empty && (!plan.keep[i] || plan.lines[i].kind == LineKind::Blank);
        plan.keep[header] = !empty;
    }
}

// The text the plan makes. New lines end as the first line that stays
// ends (LF when none does), so merging the result again changes nothing.
std::string Assemble(const SplitText& split, const Plan& plan)
{
    std::string newline = "\n";
    for (std::size_t i = 0; i < plan.lines.size(); ++i) {
        if (plan.keep[i] && !plan.lines[i].ending.empty()) {
            newline = plan.lines[i].ending;
            break;
        }
    }
    std::string text(split.byteOrderMark);
    const auto put = [&](const std::vector<std::string>& entries) {
        if (text.size() > split.byteOrderMark.size() && text.back() != '\n' && text.back() != '\r' && !entries.empty())
            text += newline;
        for (const std::string& entry : entries)
            text += entry + newline;
    };
    for (std::size_t i = 0; i <= plan.lines.size(); ++i) {
        put(plan.inserted[i]);
        if (i < plan.lines.size() && plan.keep[i])
            text += plan.replaced[i].value_or(std::string(plan.lines[i].text)) + std::string(plan.lines[i].ending);
    }
    for (const auto& [section, entries] : plan.appended) {
        put({"[" + section + "]"});
        put(entries);
    }
    return text;
}

// `prefix`1=..., `prefix`2=... for the values that are not empty, at most
// `most` of them.
std::vector<std::string> NumberedEntries(std::string_view prefix, const std::vector<std::string>& values,
                                         std::size_t most)
{
    std::vector<std::string> entries;
    for (const std::string& value : values) {
        if (!value.empty() && entries.size() < most)
            entries.push_back(std::string(prefix) + std::to_string(entries.size() + 1) + "=" + EscapeValue(value));
    }
    return entries;
}

}  // namespace

std::string MergeSettings(std::string_view text, const OwnedSettings& before, const OwnedSettings& now)
{
    const SplitText split = SplitLines(text);
    if (!split.problem.empty())
        return std::string(text);
    Plan plan(split.lines);

    std::vector<std::string> recent;
    for (const std::string& file : now.recentFiles) {
        if (!file.empty())
            recent.push_back(file);
    }
    if (recent != ParseSettings(text).recentFiles)
        ReplaceList(plan, kRecentSection, kRecentKey, NumberedEntries(kRecentKey, recent, recent.size()));

    const auto was = TerminalValues(before.terminal), is = TerminalValues(now.terminal);
    for (std::size_t i = 0; i < is.size(); ++i) {
        if (was[i].second != is[i].second)
            SetKey(plan, kTerminalSection, is[i].first, is[i].second);
    }
    const std::vector<std::string>& history = now.terminal.sendHistory;
    if (history != before.terminal.sendHistory)
        ReplaceList(plan, kHistorySection, kHistoryKey,
                    NumberedEntries(kHistoryKey, history, TerminalOptions::kMaxSendHistory));

    DropEmptiedSections(plan);
    return Assemble(split, plan);
}

}  // namespace tessaline::app
