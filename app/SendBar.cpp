#include "app/SendBar.h"

#include "app/SendLine.h"
#include "res/CommandIds.h"
#include "res/Menus.h"
#include "res/Strings.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace tessaline::app {

SendBar::SendBar(wxWindow* parent, Handlers handlers, const std::vector<int>& keptCommands)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxBORDER_NONE),
      m_handlers(std::move(handlers))
{
    m_entry = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    m_entry->SetFont(wxFontInfo().Family(wxFONTFAMILY_TELETYPE));
    auto* button = new wxButton(this, wxID_ANY, wxString::FromUTF8(res::FormatString(IDS_SEND_BUTTON)));
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(m_entry, 1, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    sizer->Add(button, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 2);
    SetSizer(sizer);

    m_entry->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { SendEntry(); });
    button->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { SendEntry(); });
    m_entry->Bind(wxEVT_KEY_DOWN, &SendBar::OnKeyDown, this);
    // A line the user changes is the one being written again.
    m_entry->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
        m_position = -1;
        event.Skip();
    });
    ClaimAcceleratorKeys(keptCommands);
}

void SendBar::ClaimAcceleratorKeys(const std::vector<int>& keptCommands)
{
    // No handler takes this id, so the toolkit passes the key on to the
    // entry once the bar's table has matched it.
    const int claimed = wxWindow::NewControlId();
    std::vector<wxAcceleratorEntry> entries;
    for (const res::AcceleratorDef& def : res::MainAccelerators()) {
        const int command = res::WxIdFromCommand(def.commandId);
        if (std::find(keptCommands.begin(), keptCommands.end(), command) != keptCommands.end())
            continue;
        entries.emplace_back(res::WxAccelFlags(def.modifiers), res::WxKeyFromVirtualKey(def.virtualKey), claimed);
    }
    SetAcceleratorTable(wxAcceleratorTable(static_cast<int>(entries.size()), entries.data()));
}

void SendBar::FocusEntry()
{
    m_entry->SetFocus();
}

void SendBar::OnKeyDown(wxKeyEvent& event)
{
    if (event.GetModifiers() != wxMOD_NONE) {
        event.Skip();
        return;
    }
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        if (m_handlers.hide)
            m_handlers.hide();
        break;
    case WXK_UP: WalkHistory(+1); break;
    case WXK_DOWN: WalkHistory(-1); break;
    default: event.Skip();
    }
}

void SendBar::WalkHistory(int step)
{
    const int next = m_position + step;
    if (next < -1 || next >= static_cast<int>(m_history.size()))
        return;
    if (m_position == -1)
        m_draft = m_entry->GetValue();
    m_entry->ChangeValue(next == -1 ? m_draft : wxString::FromUTF8(m_history[static_cast<std::size_t>(next)]));
    m_entry->SetInsertionPointEnd();
    m_position = next;
}

void SendBar::SendEntry()
{
    const std::string line = m_entry->GetValue().utf8_string();
    const SendLine parsed = SendLine::Parse(line);
    if (!parsed.ok) {
        m_entry->SetFocus();
        m_entry->SetSelection(static_cast<long>(parsed.badBegin), static_cast<long>(parsed.badEnd));
        m_handlers.showMessage(
            res::FormatString(IDS_SEND_BAD_TOKEN, {std::to_string(parsed.badToken), parsed.badText}));
        return;
    }
    if (parsed.bytes.empty())
        return;
    if (!m_handlers.isConnected()) {
        m_handlers.showMessage(res::FormatString(IDS_NOT_CONNECTED));
        return;
    }
    m_handlers.send(parsed.bytes);
    Remember(line);
    m_entry->Clear();
    m_position = -1;
    m_draft.clear();
    // A message about an earlier line no longer holds.
    m_handlers.showMessage(std::string());
}

void SendBar::Remember(const std::string& line)
{
    if (!m_history.empty() && m_history.front() == line)
        return;
    m_history.insert(m_history.begin(), line);
    if (m_history.size() > kHistorySize)
        m_history.resize(kHistorySize);
}

void SendBar::SetHistory(std::vector<std::string> history)
{
    history.erase(std::unique(history.begin(), history.end()), history.end());
    if (history.size() > kHistorySize)
        history.resize(kHistorySize);
    m_history = std::move(history);
    m_position = -1;
}

}  // namespace tessaline::app
