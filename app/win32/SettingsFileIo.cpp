// Windows: the per-user settings live in the registry, under
// HKEY_CURRENT_USER\Software\Local AppWizard-Generated Applications\Tessaline,
// read and written through the toolkit's registry configuration with the
// names the settings file uses: the key "Ports" (values COM1 to COM4, each
// naming the device to open, e.g. COM7 or \\.\COM12) and the key "Recent
// File List" (values file1, file2, ...). On exit only the recent-file values
// are replaced; every other value stays as it is.
#include "app/SettingsFile.h"

#include "app/CommandLine.h"
#include "res/Resources.h"

#include <wx/log.h>
#include <wx/msw/regconf.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace tessaline::app {
namespace {

const wxString kVendor = "Local AppWizard-Generated Applications";
const wxString kApplication = "Tessaline";
const wxString kPortsGroup = "/Ports";
const wxString kRecentGroup = "/Recent File List";

std::unique_ptr<wxRegConfig> OpenSettings()
{
    return std::make_unique<wxRegConfig>(kApplication, kVendor, wxString(), wxString(), wxCONFIG_USE_LOCAL_FILE);
}

// The names of the string values in `group`, in the registry's order.
std::vector<wxString> EntriesOf(wxRegConfig& config, const wxString& group)
{
    std::vector<wxString> names;
    if (!config.HasGroup(group))
        return names;
    config.SetPath(group);
    wxString name;
    long index = 0;
    for (bool more = config.GetFirstEntry(name, index); more; more = config.GetNextEntry(name, index))
        names.push_back(name);
    config.SetPath("/");
    return names;
}

bool IsEmptyGroup(wxRegConfig& config, const wxString& group)
{
    if (!config.HasGroup(group))
        return false;
    config.SetPath(group);
    const bool empty = config.GetNumberOfEntries() == 0 && config.GetNumberOfGroups() == 0;
    config.SetPath("/");
    return empty;
}

// The number of a recent-file value "fileN" (any case, as value names are
// in the registry), or 0.
unsigned long RecentKeyNumber(const std::string& key)
{
    if (key.size() < 5 || key.size() > 7 || key[4] == '0')
        return 0;
    std::string lower = key;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.compare(0, 4, "file") != 0)
        return 0;
    unsigned long number = 0;
    for (std::size_t i = 4; i < lower.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(lower[i])))
            return 0;
        number = number * 10 + static_cast<unsigned long>(lower[i] - '0');
    }
    return number;
}

std::vector<std::string> ReadRecentFiles(wxRegConfig& config)
{
    std::vector<std::pair<unsigned long, std::string>> numbered;
    for (const wxString& name : EntriesOf(config, kRecentGroup)) {
        wxString value;
        const unsigned long number = RecentKeyNumber(name.utf8_string());
        if (number != 0 && config.Read(kRecentGroup + "/" + name, &value) && !value.empty())
            numbered.emplace_back(number, value.utf8_string());
    }
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> files;
    for (auto& [number, file] : numbered)
        files.push_back(std::move(file));
    return files;
}

void ReadPorts(wxRegConfig& config, SettingsContent* content)
{
    for (const wxString& name : EntriesOf(config, kPortsGroup)) {
        wxString value;
        if (!config.Read(kPortsGroup + "/" + name, &value))
            continue;
        const std::string key = name.utf8_string();
        const std::string device = value.utf8_string();
        std::string problem;
        if (!IsPortName(key) || key.size() != 4 || key[3] > '4')
            problem = res::FormatString(IDS_PORT_NAME_UNKNOWN);
        else if (device.empty())
            problem = res::FormatString(IDS_PORT_PATH_EMPTY);
        if (problem.empty())
            content->ports.emplace_back("COM" + key.substr(3), device);
        else
            content->warnings.push_back(res::FormatString(IDS_PORT_ENTRY_IGNORED, {key, device, problem}));
    }
}

}  // namespace

std::string SettingsFilePath()
{
    return ("HKEY_CURRENT_USER\\Software\\" + kVendor + "\\" + kApplication).utf8_string();
}

SettingsContent ReadSettingsFile(const std::string&)
{
    wxLogNull quiet;  // a key that does not exist yet reads as empty
    SettingsContent content;
    const auto config = OpenSettings();
    ReadPorts(*config, &content);
    content.recentFiles = ReadRecentFiles(*config);
    return content;
}

bool WriteRecentFiles(const std::string&, const std::vector<std::string>& files, std::string* error)
{
    wxLogNull quiet;
    const auto config = OpenSettings();
    std::vector<std::string> listed;
    for (const std::string& file : files) {
        if (!file.empty() && IsValidUtf8(file))
            listed.push_back(file);
    }
    if (listed == ReadRecentFiles(*config))
        return true;  // the same list: the registry is not touched at all
    bool written = true;
    for (const wxString& name : EntriesOf(*config, kRecentGroup)) {
        if (RecentKeyNumber(name.utf8_string()) != 0)
            written = config->DeleteEntry(kRecentGroup + "/" + name, false) && written;
    }
    for (std::size_t i = 0; i < listed.size(); ++i)
        written = config->Write(wxString::Format("%s/file%zu", kRecentGroup, i + 1), wxString::FromUTF8(listed[i])) &&
                  written;
    if (listed.empty() && IsEmptyGroup(*config, kRecentGroup))
        config->DeleteGroup(kRecentGroup);  // a list key left with nothing goes
    written = config->Flush() && written;
    if (!written)
        *error = wxSysErrorMsgStr().utf8_string();
    return written;
}

}  // namespace tessaline::app
