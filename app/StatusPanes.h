// StatusPanes: the main frame's status-bar panes and what they show. Pane 0
// is the message pane and takes the room the others leave; then come the
// three lock-key panes, the modem-line panes CTS, DSR, RI and DCD (the
// line's name while it is asserted, blank otherwise), the connection pane
// ("COM1 115200 8-N-1"), the counters ("수신 1,234 송신 56") and the log
// pane ("기록" while a log is open). Each pane starts as wide as a usual
// text and widens when a text does not fit.
//
// Threading: GUI thread only.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class wxStatusBar;
class wxString;

namespace tessaline::app {

class StatusPanes
{
public:
    enum Pane : int {
        kMessage = 0,
        kFirstLock = 1,
        kFirstLine = 4,
        kConnection = 8,
        kCounters = 9,
        kLog = 10,
        kCount = 11
    };

    // Gives `bar` its panes and their widths; the lock panes fit the texts
    // of the string ids `lockTexts`.
    void Attach(wxStatusBar* bar, const unsigned (&lockTexts)[3]);

    // CTS, DSR, RI and DCD from MS_*_ON bits; all blank for none.
    void ShowLines(std::optional<DWORD> status);
    void ShowConnection(const std::string& text);
    void ShowCounters(std::uint64_t received, std::uint64_t sent);
    void ShowLog(bool open);

private:
    void SetPaneText(int pane, const wxString& text);
    int FittingWidth(const wxString& text) const;

    wxStatusBar* m_bar = nullptr;
    std::vector<int> m_widths;
    std::vector<std::size_t> m_longest;  // the longest text each pane has had
    std::optional<std::pair<std::uint64_t, std::uint64_t>> m_counters;
};

}  // namespace tessaline::app
