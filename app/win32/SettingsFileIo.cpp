// Windows: the per-user settings live in the registry, under
// HKEY_CURRENT_USER\Software\Local AppWizard-Generated Applications\Tessaline,
// read and written through the toolkit's registry configuration: one key
// per section of the settings file, with the same names, holding the same
// values as strings: "Ports" (COM1 to COM4, each naming the device to
// open, e.g. COM7 or \\.\COM12), "Recent File List" (file1, file2, ...),
// "Terminal" (SendBar, FontSize, Reconnect, Timestamps, FrameGapMs,
// LogFolder) and "SendHistory" (Item1 to Item20).
//
// The values are read as the settings file's text would be, so that the
// rules for each value, the warnings and the merge are the file's own
// (app/SettingsFile.cpp, app/SettingsMerge.cpp): on exit, what the program
// owns is merged into the values as they are then, and only the values the
// merge changes are written or deleted; every other value stays as it is.
// A key left with no value is removed. A value the text cannot carry (a
// name that would read back differently, binary data) is left out of the
// reading and never touched.
#include "app/SettingsFile.h"

#include "app/SettingsText.h"

#include <wx/log.h>
#include <wx/msw/regconf.h>

#include <map>
#include <memory>

namespace tessaline::app {
namespace {

using namespace settings;

const wxString kVendor = "Local AppWizard-Generated Applications";
const wxString kApplication = "Tessaline";
constexpr std::string_view kSections[] = {kPortsSection, kRecentSection, kTerminalSection, kHistorySection};

// Section, value name, value.
using Values = std::map<std::string, std::map<std::string, std::string>>;

std::unique_ptr<wxRegConfig> OpenSettings()
{
    // The user's key only: nothing is taken from HKEY_LOCAL_MACHINE.
    auto config = std::make_unique<wxRegConfig>(kApplication, kVendor, wxString(), wxString(), wxCONFIG_USE_LOCAL_FILE);
    config->SetExpandEnvVars(false);  // values are the user's, "%HOME%" included
    return config;
}

wxString GroupPath(std::string_view section)
{
    return "/" + wxString::FromUTF8(section.data(), section.size());
}

// "name=value" as the settings file would hold it, or nothing when the
// name would not read back as itself.
std::string EntryLine(const std::string& name, const std::string& value)
{
    const std::string line = name + "=" + EscapeValue(value) + "\n";
    const SplitText split = SplitLines("[s]\n" + line);
    const bool same = split.lines.size() == 2 && split.lines[1].kind == LineKind::Entry && split.lines[1].name == name;
    return same ? line : std::string();
}

// The string and number values of one key, as settings-file lines.
std::string SectionText(wxRegConfig& config, std::string_view section)
{
    std::string text = "[" + std::string(section) + "]\n";
    config.SetPath(GroupPath(section));
    wxString name;
    long index = 0;
    for (bool more = config.GetFirstEntry(name, index); more; more = config.GetNextEntry(name, index)) {
        if (name.Contains("/"))
            continue;  // the toolkit takes it for a path
        wxString value;
        long number = 0;
        const auto type = config.GetEntryType(name);
        if (type == wxConfigBase::Type_Integer && config.Read(name, &number))
            value = wxString::Format("%ld", number);
        else if (type != wxConfigBase::Type_String || !config.Read(name, &value))
            continue;
        text += EntryLine(name.utf8_string(), value.utf8_string());
    }
    config.SetPath("/");
    return text;
}

// The registry's settings as the settings file's text.
std::string RegistryText(wxRegConfig& config)
{
    std::string text;
    for (std::string_view section : kSections) {
        if (config.HasGroup(GroupPath(section)))
            text += SectionText(config, section);
    }
    return text;
}

Values ValuesOf(std::string_view text)
{
    Values values;
    for (const Line& line : SplitLines(text).lines) {
        if (line.kind == LineKind::Entry)
            values[line.section][line.name] = line.value;
    }
    return values;
}

bool IsEmptyGroup(wxRegConfig& config, const wxString& group)
{
    config.SetPath(group);
    const bool empty = config.GetNumberOfEntries() == 0 && config.GetNumberOfGroups() == 0;
    config.SetPath("/");
    return empty;
}

// Makes the registry's values `now`, from `before`: deletions first, since
// value names differing only in case are one value to the registry.
bool Store(wxRegConfig& config, const Values& before, const Values& now)
{
    static const std::map<std::string, std::string> kNone;
    bool written = true;
    for (const auto& [section, values] : before) {
        const auto found = now.find(section);
        const auto& kept = found != now.end() ? found->second : kNone;
        for (const auto& [name, value] : values) {
            if (kept.count(name) == 0)
                written = config.DeleteEntry(GroupPath(section) + "/" + wxString::FromUTF8(name), false) && written;
        }
        if (kept.empty() && IsEmptyGroup(config, GroupPath(section)))
            written = config.DeleteGroup(GroupPath(section)) && written;
    }
    for (const auto& [section, values] : now) {
        const auto found = before.find(section);
        for (const auto& [name, value] : values) {
            if (found == before.end() || found->second.count(name) == 0 || found->second.at(name) != value)
                written =
                    config.Write(GroupPath(section) + "/" + wxString::FromUTF8(name), wxString::FromUTF8(value)) &&
                    written;
        }
    }
    return written;
}

}  // namespace

std::string SettingsFilePath()
{
    return ("HKEY_CURRENT_USER\\Software\\" + kVendor + "\\" + kApplication).utf8_string();
}

SettingsContent ReadSettingsFile(const std::string&)
{
    wxLogNull quiet;  // a key that does not exist yet reads as empty
    const auto config = OpenSettings();
    return ParseSettings(RegistryText(*config));
}

bool WriteSettings(const std::string&, const OwnedSettings& before, const OwnedSettings& now, std::string* error)
{
    error->clear();
    wxLogNull quiet;
    const auto config = OpenSettings();
    const std::string text = RegistryText(*config);
    if (!ParseSettings(text).parsed) {
        *error = "it cannot be parsed";
        return false;
    }
    const std::string merged = MergeSettings(text, before, now);
    if (merged == text)
        return true;  // nothing changed: the registry is not touched at all
    if (!Store(*config, ValuesOf(text), ValuesOf(merged))) {
        *error = wxSysErrorMsgStr().utf8_string();
        return false;
    }
    return true;
}

}  // namespace tessaline::app
