// The per-user settings file, read and written as the user's own file.
//
// The program reads [Ports] (COMn=DEVICE aliases), the recent-file list
// ("Recent File List", keys file1, file2, ...), [Terminal] (the terminal
// options) and [SendHistory] (the send bar's history, Item1 to Item20). On
// exit it writes back only what it owns and what changed, merged into the
// file as it is on disk at that moment: every other line (sections, keys,
// values, comments, lines it does not understand, line endings, a leading
// byte-order mark) stays byte for byte. A file it cannot parse safely is
// never written. Values use the escapes of the toolkit's configuration
// files (\\ \" \t \n \r, quotes around a value that starts with a blank or
// a quote or ends with a blank), so older files read the same; bytes that
// are not UTF-8 are written as \xHH.
//
// Paths are byte strings: nothing here converts them.
//
// Threading: pure functions and plain file access, any thread.
#pragma once

#include "app/TerminalOptions.h"

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
    std::vector<std::string> warnings;     // one per [Ports] entry ignored and per bad [Terminal] value
    std::vector<std::string> recentFiles;  // by key number
    TerminalOptions terminal;              // the defaults where a key is missing or bad
};

// What the program owns in the file.
struct OwnedSettings
{
    std::vector<std::string> recentFiles;
    TerminalOptions terminal;
};

SettingsContent ParseSettings(std::string_view text);

// `text` with what the program owns brought up to date:
// - the recent-file list replaced by now.recentFiles (empty names skipped)
//   when that differs from the list in `text`;
// - each [Terminal] key whose value differs between `before` (as the
//   program had it at start) and `now`, in place where the key was;
// - [SendHistory] replaced when the history differs between them.
// A list goes where it was. A missing section is appended when there is
// something to put in it, and a section the merge leaves with nothing is
// removed. Text that ParseSettings refuses comes back unchanged.
std::string MergeSettings(std::string_view text, const OwnedSettings& before, const OwnedSettings& now);

// The settings file: $XDG_CONFIG_HOME (when absolute), else $HOME/.config,
// then "Local AppWizard-Generated Applications/Tessaline.conf".
std::string SettingsFilePath();

// Reads the file without blocking (a FIFO or a device in its place is a
// problem, not a hang). A missing file reads as empty and parsed.
SettingsContent ReadSettingsFile(const std::string& path);

// Merges into the file as it is now (see MergeSettings) and stores the
// result: through a symbolic link to its target; by a new file renamed over
// it, with the old one's mode, where the folder allows it and the file has
// one link and the program's owner; else in place, never shortening the file
// before the new contents have their room on the disk, and putting the old
// contents back when a write fails. Nothing is written when nothing changes,
// when the file cannot be parsed, or when it is read-only. False with
// `error` set on failure; `error` says when the old contents could not be
// put back.
bool WriteSettings(const std::string& path, const OwnedSettings& before, const OwnedSettings& now, std::string* error);

}  // namespace tessaline::app
