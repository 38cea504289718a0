#include "app/StatusPanes.h"

#include "app/ConnectionMessages.h"
#include "res/Strings.h"

#include <wx/statusbr.h>

namespace tessaline::app {
namespace {

struct LinePane
{
    DWORD bit;
    unsigned text;
};

const LinePane kLinePanes[4] = {
    {MS_CTS_ON, IDS_INDICATOR_CTS},
    {MS_DSR_ON, IDS_INDICATOR_DSR},
    {MS_RING_ON, IDS_INDICATOR_RI},
    {MS_RLSD_ON, IDS_INDICATOR_DCD},
};

wxString Text(const std::string& utf8)
{
    return wxString::FromUTF8(utf8.data(), utf8.size());
}

wxString Text(unsigned id)
{
    const char* text = res::FindString(id);
    return text ? wxString::FromUTF8(text) : wxString();
}

}  // namespace

int StatusPanes::FittingWidth(const wxString& text) const
{
    return m_bar->GetTextExtent(text).GetWidth() + 16;
}

void StatusPanes::Attach(wxStatusBar* bar, const unsigned (&lockTexts)[3])
{
    m_bar = bar;
    m_widths.assign(kCount, 0);
    m_longest.assign(kCount, 0);
    m_widths[kMessage] = -1;
    for (int i = 0; i < 3; ++i)
        m_widths[kFirstLock + i] = FittingWidth(Text(lockTexts[i]));
    for (int i = 0; i < 4; ++i)
        m_widths[kFirstLine + i] = FittingWidth(Text(kLinePanes[i].text));
    // The message pane keeps what room it can: the connection pane starts
    // at a common line, the counters at four digits each.
    m_widths[kConnection] = FittingWidth(Text(ConnectionPaneText(PortSettings{1, 115200, 8, 0, 0, 0})));
    m_widths[kCounters] = FittingWidth(Text(CountersText(8888, 8888)));
    m_widths[kLog] = FittingWidth(Text(IDS_PANE_LOG));
    m_bar->SetFieldsCount(kCount);
    m_bar->SetStatusWidths(kCount, m_widths.data());
    m_counters.reset();
}

void StatusPanes::SetPaneText(int pane, const wxString& text)
{
    if (!m_bar || m_bar->GetStatusText(pane) == text)
        return;
    // Measured only when a text is longer than any before it, so that the
    // counters, set after every drain, cost no text layout.
    if (pane != kMessage && text.length() > m_longest[pane]) {
        m_longest[pane] = text.length();
        const int wanted = FittingWidth(text);
        if (wanted > m_widths[pane]) {
            m_widths[pane] = wanted;
            m_bar->SetStatusWidths(kCount, m_widths.data());
        }
    }
    m_bar->SetStatusText(text, pane);
}

void StatusPanes::ShowLines(std::optional<DWORD> status)
{
    for (int i = 0; i < 4; ++i) {
        const bool on = status && (*status & kLinePanes[i].bit) != 0;
        SetPaneText(kFirstLine + i, on ? Text(kLinePanes[i].text) : wxString());
    }
}

void StatusPanes::ShowConnection(const std::string& text)
{
    SetPaneText(kConnection, Text(text));
}

void StatusPanes::ShowCounters(std::uint64_t received, std::uint64_t sent)
{
    // Called for every drain: the text is made only when a count moved.
    if (m_counters && m_counters->first == received && m_counters->second == sent)
        return;
    m_counters = std::make_pair(received, sent);
    SetPaneText(kCounters, Text(CountersText(received, sent)));
}

void StatusPanes::ShowLog(bool open)
{
    SetPaneText(kLog, open ? Text(IDS_PANE_LOG) : wxString());
}

}  // namespace tessaline::app
