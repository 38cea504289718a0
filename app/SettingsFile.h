// The per-user settings file, read and written as the user's own file.
//
// The program reads two sections: [Ports] (COMn=DEVICE aliases) and the
// recent-file list ("Recent File List", keys file1, file2, ...). On exit it
// writes back only the recent-file list, merged into the file as it is on
// disk at that moment: every other line (sections, keys, values, comments,
// lines it does not understand, line endings) stays byte for byte. A file
// it cannot parse safely is never written. Values use the escapes of the
// toolkit's configuration files (\\ \" \t \n \r, quotes around a value that
// starts with a blank or a quote), so older files read the same.
//
// Paths are byte strings: nothing here converts them.
//
// Threading: pure functions and plain file access, any thread.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaline::app {

struct SettingsContent
{
    bool parsed = true;  // false: the text cannot be read safely; see problem
    std::string problem;
    std::vector<std::pair<std::string, std::string>> ports;  // valid COMn=PATH, in file order
    std::vector<std::string> warnings;                       // one per [Ports] entry ignored
    std::vector<std::string> recentFiles;                    // by key number
};

SettingsContent ParseSettings(std::string_view text);

// `text` with the recent-file list replaced by `files` (empty names
// skipped). The list goes where it was; a missing section is appended when
// there is something to put in it, and a section left with nothing is
// removed. Call only for text that ParseSettings accepts.
std::string MergeRecentFiles(std::string_view text, const std::vector<std::string>& files);

// The settings file: $XDG_CONFIG_HOME (when absolute), else $HOME/.config,
// then "Local AppWizard-Generated Applications/Tessaline.conf".
std::string SettingsFilePath();

// Reads the file without blocking (a FIFO or a device in its place is a
// problem, not a hang). A missing file reads as empty and parsed.
SettingsContent ReadSettingsFile(const std::string& path);

// Merges `files` into the file as it is now and replaces it: through a
// symbolic link to its target, keeping the target's mode, by a rename where
// the folder allows it, else in place. Nothing is written when nothing
// changes or the file cannot be parsed. False with `error` set on failure.
bool WriteRecentFiles(const std::string& path, const std::vector<std::string>& files, std::string* error);

}  // namespace tessaline::app
