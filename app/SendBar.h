// SendBar: the send bar under the view: a single-line entry and a "보내기"
// button. Enter or the button sends the line (syntax: see SendLine): a
// line that does not parse sends nothing, keeps its text, selects the bad
// token and says why in the message pane; so does a line while not
// connected. An empty line does nothing. A sent line clears the entry and
// becomes the newest entry of a history of kHistorySize lines (most recent
// first, never the same line twice in a row), which Up and Down walk.
// Escape asks the owner to hide the bar. The bytes are not echoed.
//
// The frame's accelerator keys stay the entry's own while it has the focus
// (Ctrl+C copies its text, and so on), except those the owner names: a
// table of the bar's own claims every other key of the frame's table, so
// that the toolkit's search for an accelerator ends at the bar without a
// command.
//
// Threading: GUI thread only.
#pragma once

#include "app/TerminalOptions.h"

#include <wx/panel.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class wxTextCtrl;
class wxKeyEvent;

namespace tessaline::app {

class SendBar : public wxPanel
{
public:
    static constexpr std::size_t kHistorySize = TerminalOptions::kMaxSendHistory;

    struct Handlers
    {
        std::function<bool()> isConnected;
        // Sends the bytes; nothing is echoed.
        std::function<void(const std::string& bytes)> send;
        // Puts a text into the message pane.
        std::function<void(const std::string& text)> showMessage;
        // Escape in the entry: hide the bar.
        std::function<void()> hide;
    };

    // `keptCommands`: the wx command ids of the frame's accelerators that
    // stay commands while the entry has the focus.
    SendBar(wxWindow* parent, Handlers handlers, const std::vector<int>& keptCommands);

    // Puts the focus in the entry.
    void FocusEntry();
    // Sends the entry's line, as Enter and the button do.
    void SendEntry();

    std::vector<std::string> GetHistory() const { return m_history; }
    void SetHistory(std::vector<std::string> history);

    wxTextCtrl* GetEntry() const { return m_entry; }

private:
    void OnKeyDown(wxKeyEvent& event);
    // Moves through the history by `step` (+1 older, -1 newer).
    void WalkHistory(int step);
    void Remember(const std::string& line);
    void ClaimAcceleratorKeys(const std::vector<int>& keptCommands);

    Handlers m_handlers;
    wxTextCtrl* m_entry = nullptr;
    std::vector<std::string> m_history;
    // The history line the entry shows: -1 for the line being written,
    // which m_draft keeps while the history is walked.
    int m_position = -1;
    wxString m_draft;
};

}  // namespace tessaline::app
