// The edit control's public operations and its event wiring.
#include "ui/ClassicScrollbars.h"
#include "ui/EditControlImpl.h"
#include "ui/TextPrintout.h"

#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

namespace tessaline::ui {

wxString FromNarrow(const char* text, std::size_t length)
{
    // Invalid bytes become U+FFFD so that no text is dropped on the way out.
    wxString result;
    result.reserve(length);
    std::size_t pos = 0;
    while (pos < length) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            result += static_cast<wxChar>(byte);
            ++pos;
            continue;
        }
        const CharInfo info = DecodeChar(text, length, pos);
        const bool invalid = info.kind == CharKind::Placeholder && info.length == 1;
        result += wxUniChar(invalid ? 0xFFFD : info.codePoint);
        pos += info.length;
    }
    return result;
}

// EditControl

EditControl::EditControl(wxWindow* parent, wxWindowID id)
    : wxScrolledCanvas(parent, id, wxDefaultPosition, wxDefaultSize,
                       wxVSCROLL | wxALWAYS_SHOW_SB | wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE),
      m_impl(std::make_unique<Impl>(*this))
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    m_impl->SetupFont(Impl::DefaultFontPoints());
    // With the font and colours set on the window, a paint does not ask
    // the toolkit's style for the window's defaults every time.
    SetFont(m_impl->font);
    SetScrollRate(0, m_impl->lineHeight);
    ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_ALWAYS);
    UseClassicScrollbars(*this);
    m_impl->layout.SetWidth(m_impl->WidthCells());
    m_impl->SyncScrollRange();
    BindEvents();
}

void EditControl::BindEvents()
{
    Bind(wxEVT_PAINT, &EditControl::OnPaint, this);
    Bind(wxEVT_SIZE, &EditControl::OnSize, this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { m_impl->Update(); }, m_impl->updateTimer.GetId());
    Bind(wxEVT_KEY_DOWN, &EditControl::OnKeyDown, this);
    Bind(wxEVT_CHAR, &EditControl::OnChar, this);
    Bind(wxEVT_LEFT_DOWN, &EditControl::OnMouse, this);
    Bind(wxEVT_LEFT_DCLICK, &EditControl::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &EditControl::OnMouse, this);
    Bind(wxEVT_MOTION, &EditControl::OnMouse, this);
    Bind(wxEVT_MIDDLE_DOWN, &EditControl::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) {
        m_impl->dragging = false;
        m_impl->dragTimer.Stop();
    });
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { m_impl->DragScroll(); }, m_impl->dragTimer.GetId());
    Bind(wxEVT_CONTEXT_MENU, &EditControl::OnContextMenu, this);
    // After the user scrolls (the scrolled window moves the view once this
    // handler has passed the event on), see whether the caret is still in view.
    auto afterUserScroll = [this](wxEvent& event) {
        event.Skip();
        CallAfter([this] { m_impl->UpdateFollow(); });
    };
    for (const wxEventType type :
         {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
          wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK, wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(wxEventTypeTag<wxScrollWinEvent>(type), afterUserScroll);
    Bind(wxEVT_MOUSEWHEEL, [this, afterUserScroll](wxMouseEvent& event) {
        if (event.ControlDown() && event.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL)
            m_impl->ZoomByWheel(event);  // handled: the view does not scroll
        else
            afterUserScroll(event);
    });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_impl->RestartBlink();
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_impl->StopBlink();
        event.Skip();
    });
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { m_impl->OnBlink(); }, m_impl->blinkTimer.GetId());
}

EditControl::~EditControl()
{
    m_impl->updateTimer.Stop();
    m_impl->dragTimer.Stop();
    m_impl->blinkTimer.Stop();
    if (HasCapture())
        ReleaseMouse();
}

void EditControl::SetSel(long start, long end)
{
    Impl& d = *m_impl;
    if (start < 0) {
        // Drop the selection; the caret stays where it is.
        if (d.anchor != d.caret) {
            d.anchor = d.caret;
            d.fullRefresh = true;
            d.ScheduleUpdate();
        }
        return;
    }
    const std::size_t size = d.layout.Size();
    const std::size_t from = d.layout.CharStart(std::min(static_cast<std::size_t>(start), size));
    const std::size_t to = end < 0 ? size : d.layout.CharStart(std::min(static_cast<std::size_t>(end), size));
    if (d.anchor == from && d.caret == to)
        return;
    d.anchor = from;
    d.caret = to;
    d.caretAtRowEnd = false;
    d.desiredColumn = -1;
    d.fullRefresh = true;
    d.ScheduleUpdate();
}

void EditControl::GetSel(long* start, long* end) const
{
    if (start)
        *start = static_cast<long>(m_impl->SelBegin());
    if (end)
        *end = static_cast<long>(m_impl->SelEnd());
}

void EditControl::ScrollCaret()
{
    if (!m_impl->followCaret)
        return;
    m_impl->scrollCaretPending = true;
    m_impl->ScheduleUpdate();
}

void EditControl::ReplaceSel(std::string_view text, bool canUndo)
{
    Impl& d = *m_impl;
    if (canUndo) {
        d.UserReplace(text);
        return;
    }
    const std::size_t begin = d.SelBegin();
    const std::size_t length = d.SelEnd() - begin;
    d.ReplaceRange(begin, length, text, false);
    d.caret = d.anchor = begin + text.size();
    d.caretAtRowEnd = false;
    d.desiredColumn = -1;
    d.TrimToLimit();
}

void EditControl::AppendText(std::string_view text)
{
    Impl& d = *m_impl;
    const std::size_t end = d.layout.Size();
    const std::size_t caret = d.caret;
    const std::size_t anchor = d.anchor;
    d.ReplaceRange(end, 0, text, false);
    if (caret == end && anchor == end) {
        d.caret = d.anchor = d.layout.Size();
        d.caretAtRowEnd = false;
        d.desiredColumn = -1;
        ScrollCaret();
    } else {
        // A selection that reaches the end keeps its extent.
        d.caret = caret;
        d.anchor = anchor;
    }
    d.TrimToLimit();
}

std::string EditControl::GetText() const
{
    return std::string(m_impl->layout.Text());
}

std::size_t EditControl::GetTextLength() const
{
    return m_impl->layout.Size();
}

void EditControl::SetText(std::string_view text)
{
    Impl& d = *m_impl;
    d.layout.Assign(text);
    d.caret = d.anchor = 0;
    d.caretAtRowEnd = false;
    d.desiredColumn = -1;
    d.followCaret = true;
    d.undo.Clear();
    d.TrimToLimit();
    d.SyncScrollRange();
    d.ScrollToRow(0);
    d.RefreshAll();
}

bool EditControl::CanUndo() const
{
    return m_impl->undo.IsSet();
}

void EditControl::Undo()
{
    Impl& d = *m_impl;
    if (!d.undo.IsSet())
        return;
    const std::size_t pos = d.undo.Pos();
    const std::size_t length = d.undo.InsertedLength();
    const std::string restore = d.undo.Removed();
    // Recording the inverse lets a second undo redo the edit.
    d.ReplaceRange(pos, length, restore, true);
    d.anchor = pos;
    d.caret = pos + restore.size();
    d.caretAtRowEnd = false;
    d.TrimToLimit();
    d.RefreshAll();
    d.ScrollCaretIntoView();
}

void EditControl::Cut()
{
    if (!HasSelection())
        return;
    Copy();
    Clear();
}

void EditControl::Copy()
{
    Impl& d = *m_impl;
    if (!HasSelection())
        return;
    if (wxTheClipboard->Open()) {
        const std::string text = d.Selected();
        wxTheClipboard->SetData(new wxTextDataObject(FromNarrow(text.data(), text.size())));
        wxTheClipboard->Close();
    }
}

void EditControl::Paste()
{
    if (!wxTheClipboard->Open())
        return;
    wxTextDataObject data;
    const bool got = wxTheClipboard->IsSupported(wxDF_UNICODETEXT) && wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    if (!got)
        return;
    const wxString text = data.GetText();
    const wxScopedCharBuffer utf8 = text.utf8_str();
    m_impl->UserReplace(std::string_view(utf8.data(), utf8.length()));
}

void EditControl::Clear()
{
    if (!HasSelection())
        return;
    m_impl->UserReplace({});
}

void EditControl::SelectAll()
{
    SetSel(0, -1);
}

bool EditControl::HasSelection() const
{
    return m_impl->caret != m_impl->anchor;
}

void EditControl::SetLimitText(std::size_t limit)
{
    m_impl->limitText = limit;
}

void EditControl::SetScrollbackLimit(std::size_t bytes)
{
    m_impl->scrollbackLimit = bytes;
    m_impl->TrimToLimit();
}

std::size_t EditControl::GetScrollbackLimit() const
{
    return m_impl->scrollbackLimit;
}

void EditControl::SetCharHandler(CharHandler handler)
{
    m_impl->charHandler = std::move(handler);
}

int EditControl::FontPointSize() const
{
    return m_impl->fontPoints;
}

void EditControl::SetFontPointSize(int points)
{
    m_impl->ApplyFontSize(points == 0 ? Impl::DefaultFontPoints()
                                      : std::clamp(points, kSmallestFontPoints, kLargestFontPoints));
}

void EditControl::SetFontSizeHandler(FontSizeHandler handler)
{
    m_impl->fontSizeHandler = std::move(handler);
}

std::unique_ptr<wxPrintout> EditControl::CreatePrintout(const wxString& title) const
{
    return std::make_unique<TextPrintout>(title, std::string(m_impl->layout.Text()), m_impl->font);
}

void EditControl::FlushUpdate()
{
    m_impl->Update();
}

std::size_t EditControl::GetFirstVisibleRow() const
{
    return m_impl->TopRow();
}

std::size_t EditControl::GetVisibleRowCount() const
{
    return static_cast<std::size_t>(m_impl->VisibleRows());
}

std::size_t EditControl::GetCaretRow() const
{
    return m_impl->CaretRow();
}

const TextLayout& EditControl::GetLayout() const
{
    return m_impl->layout;
}

const EditControl::Stats& EditControl::GetStats() const
{
    return m_impl->stats;
}

wxPoint EditControl::PointFromPosition(std::size_t pos) const
{
    const Impl& d = *m_impl;
    const std::size_t row = d.layout.RowOf(pos);
    const double x = kLeftMargin + d.layout.ColumnOf(row, pos) * d.cellWidth;
    const long y = (static_cast<long>(row) - static_cast<long>(d.TopRow())) * d.lineHeight;
    return {static_cast<int>(std::lround(x)), static_cast<int>(y)};
}

wxSize EditControl::GetCellSize() const
{
    return {static_cast<int>(std::lround(m_impl->cellWidth)), m_impl->lineHeight};
}

double EditControl::GetCellWidth() const
{
    return m_impl->cellWidth;
}

void EditControl::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    m_impl->Paint(dc, GetUpdateRegion());
}

void EditControl::OnSize(wxSizeEvent& event)
{
    Impl& d = *m_impl;
    const unsigned width = d.WidthCells();
    if (width != d.layout.Width()) {
        // Keep the first visible text in view across the rewrap.
        const std::size_t topPos = d.layout.RowStart(d.TopRow());
        d.layout.SetWidth(width);
        d.SyncScrollRange();
        d.ScrollToRow(d.layout.RowOf(topPos));
    }
    d.fullRefresh = true;
    d.ScheduleUpdate();
    event.Skip();
}

}  // namespace tessaline::ui
