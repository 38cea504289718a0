// The edit control's keys and mouse: navigation and editing keys through a
// key -> action table, typed characters to the owner's handler, clicks,
// drags, the middle-button paste and the right-button menu.
#include "keys/KeyMapping.h"
#include "ui/EditControlImpl.h"

#include <wx/clipbrd.h>
#include <wx/menu.h>

namespace tessaline::ui {

namespace {

using Action = void (*)(EditControl& control, EditControl::Impl& d, bool shift, bool ctrl);

struct KeyAction
{
    int keyCode;
    int keypadCode;
    Action run;
};

}  // namespace

// User actions

void EditControl::Impl::MoveCaret(std::size_t pos, bool extend, bool atRowEnd)
{
    followCaret = true;
    caretShown = true;
    const std::size_t oldBegin = SelBegin();
    const std::size_t oldEnd = SelEnd();
    const std::size_t oldRow = CaretRow();
    caret = layout.CharStart(pos);
    caretAtRowEnd = atRowEnd;
    if (!extend)
        anchor = caret;
    const std::size_t newRow = CaretRow();
    ScrollCaretIntoView();
    std::size_t first = std::min(oldRow, newRow);
    std::size_t last = std::max(oldRow, newRow);
    if (oldBegin != oldEnd) {
        first = std::min(first, layout.RowOf(oldBegin));
        last = std::max(last, layout.RowOf(oldEnd));
    }
    if (caret != anchor) {
        first = std::min(first, layout.RowOf(SelBegin()));
        last = std::max(last, layout.RowOf(SelEnd()));
    }
    RefreshRows(first, last);
}

void EditControl::Impl::UserReplace(std::string_view text)
{
    const std::size_t begin = SelBegin();
    const std::size_t length = SelEnd() - begin;
    if (limitText != 0) {
        const std::size_t others = layout.Size() - length;
        const std::size_t room = others >= limitText ? 0 : limitText - others;
        if (text.size() > room) {
            // Cut at a character boundary so no partial sequence goes in.
            std::size_t cut = CharStartAt(text.data(), text.size(), room);
            text = text.substr(0, cut);
            if (text.empty() && length == 0) {
                wxBell();
                return;
            }
        }
    }
    ReplaceRange(begin, length, text, true);
    caret = anchor = begin + text.size();
    caretAtRowEnd = false;
    desiredColumn = -1;
    TrimToLimit();
    RefreshAll();
    ScrollCaretIntoView();
}

void EditControl::Impl::SetPrimary()
{
    if (caret == anchor)
        return;
    wxClipboard* clipboard = wxTheClipboard;
    clipboard->UsePrimarySelection(true);
    if (clipboard->Open()) {
        const std::string text = Selected();
        clipboard->SetData(new wxTextDataObject(FromNarrow(text.data(), text.size())));
        clipboard->Close();
    }
    clipboard->UsePrimarySelection(false);
}

void EditControl::Impl::DragScroll()
{
    if (!dragging || !wxGetMouseState().LeftIsDown()) {
        dragTimer.Stop();
        return;
    }
    const wxPoint point = self.ScreenToClient(wxGetMousePosition());
    if (point.y >= 0 && point.y < self.GetClientSize().y)
        return;  // motion events do the rest
    bool atRowEnd = false;
    const std::size_t pos = HitTest(point, &atRowEnd);
    MoveCaret(pos, true, atRowEnd);
}

void EditControl::Impl::MoveVertically(long delta, bool extend)
{
    const std::size_t row = CaretRow();
    const std::size_t rows = layout.RowCount();
    if (desiredColumn < 0)
        desiredColumn = layout.ColumnOf(row, caret);
    const long target = std::clamp<long>(static_cast<long>(row) + delta, 0, static_cast<long>(rows) - 1);
    const auto newRow = static_cast<std::size_t>(target);
    const std::size_t pos = layout.PositionAt(newRow, desiredColumn);
    const bool atEnd = pos == layout.RowEnd(newRow) && newRow + 1 < rows && !layout.RowEndsWithBreak(newRow);
    const double keep = desiredColumn;
    MoveCaret(pos, extend, atEnd);
    desiredColumn = keep;
}

void EditControl::Impl::MoveToWordStart(bool extend)
{
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t pos = layout.PrevChar(caret);
    while (pos > 0 && layout.Text()[pos] == ' ')
        pos = layout.PrevChar(pos);
    layout.WordAt(pos, &begin, &end);
    desiredColumn = -1;
    MoveCaret(begin, extend);
}

void EditControl::Impl::MoveToWordEnd(bool extend)
{
    std::size_t begin = 0;
    std::size_t end = 0;
    layout.WordAt(caret, &begin, &end);
    std::size_t pos = end;
    while (pos < layout.Size() && layout.Text()[pos] == ' ')
        ++pos;
    desiredColumn = -1;
    MoveCaret(pos, extend);
}

void EditControl::Impl::PageUp(bool extend)
{
    const long page = std::max(1, VisibleRows() - 1);
    const std::size_t top = TopRow();
    ScrollToRow(top > static_cast<std::size_t>(page) ? top - page : 0);
    MoveVertically(-page, extend);
}

void EditControl::Impl::PageDown(bool extend)
{
    const long page = std::max(1, VisibleRows() - 1);
    const std::size_t rows = layout.RowCount();
    ScrollToRow(std::min(TopRow() + page, rows > 0 ? rows - 1 : 0));
    MoveVertically(page, extend);
}

void EditControl::Impl::DeleteForward(bool shift)
{
    if (shift) {
        self.Cut();
    } else if (caret != anchor) {
        self.Clear();
    } else if (caret < layout.Size()) {
        anchor = layout.NextChar(caret);
        UserReplace({});
    }
}

void EditControl::Impl::ZoomByWheel(const wxMouseEvent& event)
{
    // Fine-grained wheels send parts of a step; they add up to whole steps.
    const int delta = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
    wheelRotation += event.GetWheelRotation();
    const int steps = wheelRotation / delta;
    wheelRotation -= steps * delta;
    const int points = std::clamp(fontPoints + steps, kSmallestFontPoints, kLargestFontPoints);
    if (points == fontPoints)
        return;
    ApplyFontSize(points);
    if (fontSizeHandler)
        fontSizeHandler(points);
}

namespace {

void Left(EditControl&, EditControl::Impl& d, bool shift, bool ctrl)
{
    if (!shift && d.caret != d.anchor) {
        d.desiredColumn = -1;
        d.MoveCaret(d.SelBegin(), false);
    } else if (ctrl) {
        d.MoveToWordStart(shift);
    } else {
        d.desiredColumn = -1;
        d.MoveCaret(d.layout.PrevChar(d.caret), shift);
    }
}

void Right(EditControl&, EditControl::Impl& d, bool shift, bool ctrl)
{
    if (!shift && d.caret != d.anchor) {
        d.desiredColumn = -1;
        d.MoveCaret(d.SelEnd(), false);
    } else if (ctrl) {
        d.MoveToWordEnd(shift);
    } else {
        d.desiredColumn = -1;
        d.MoveCaret(d.layout.NextChar(d.caret), shift);
    }
}

void Home(EditControl&, EditControl::Impl& d, bool shift, bool ctrl)
{
    d.desiredColumn = -1;
    d.MoveCaret(ctrl ? 0 : d.layout.RowStart(d.CaretRow()), shift);
}

void End(EditControl&, EditControl::Impl& d, bool shift, bool ctrl)
{
    d.desiredColumn = -1;
    if (ctrl) {
        d.MoveCaret(d.layout.Size(), shift);
        return;
    }
    const std::size_t row = d.CaretRow();
    const std::size_t end = d.layout.RowContentEnd(row);
    d.MoveCaret(end, shift, end == d.layout.RowEnd(row) && row + 1 < d.layout.RowCount());
}

const KeyAction kKeyActions[] = {
    {WXK_LEFT, WXK_NUMPAD_LEFT, Left},
    {WXK_RIGHT, WXK_NUMPAD_RIGHT, Right},
    {WXK_UP, WXK_NUMPAD_UP, [](EditControl&, EditControl::Impl& d, bool shift, bool) { d.MoveVertically(-1, shift); }},
    {WXK_DOWN, WXK_NUMPAD_DOWN,
     [](EditControl&, EditControl::Impl& d, bool shift, bool) { d.MoveVertically(1, shift); }},
    {WXK_PAGEUP, WXK_NUMPAD_PAGEUP, [](EditControl&, EditControl::Impl& d, bool shift, bool) { d.PageUp(shift); }},
    {WXK_PAGEDOWN, WXK_NUMPAD_PAGEDOWN,
     [](EditControl&, EditControl::Impl& d, bool shift, bool) { d.PageDown(shift); }},
    {WXK_HOME, WXK_NUMPAD_HOME, Home},
    {WXK_END, WXK_NUMPAD_END, End},
    {WXK_DELETE, WXK_NUMPAD_DELETE,
     [](EditControl&, EditControl::Impl& d, bool shift, bool) { d.DeleteForward(shift); }},
};

}  // namespace

bool EditControl::Impl::RunKey(int keyCode, bool shift, bool ctrl)
{
    // Ctrl+Insert copies and Shift+Insert pastes; Insert alone does nothing.
    if (keyCode == WXK_INSERT || keyCode == WXK_NUMPAD_INSERT) {
        if (ctrl && !shift)
            self.Copy();
        else if (shift && !ctrl)
            self.Paste();
        return (ctrl && !shift) || (shift && !ctrl);
    }
    for (const KeyAction& action : kKeyActions) {
        if (keyCode == action.keyCode || keyCode == action.keypadCode) {
            action.run(self, *this, shift, ctrl);
            return true;
        }
    }
    return false;
}

void EditControl::OnKeyDown(wxKeyEvent& event)
{
    Impl& d = *m_impl;
    d.RestartBlink();
    const bool shift = event.ShiftDown();
    if (!d.RunKey(event.GetKeyCode(), shift, event.ControlDown())) {
        event.Skip();
        return;
    }
    if (shift && d.caret != d.anchor)
        d.SetPrimary();
}

void EditControl::OnChar(wxKeyEvent& event)
{
    const bool ctrl = event.ControlDown();
    const bool alt = event.AltDown();
    // Alt with a key is a menu or system key, not a character; Ctrl+Alt is
    // AltGr on many keyboards and does type characters.
    if (alt && !ctrl) {
        event.Skip();
        return;
    }
    const wxChar32 code =
        keys::TypedCharacter(event.GetKeyCode(), static_cast<wxChar32>(event.GetUnicodeKey()), ctrl && !alt);
    if (code == keys::kNoCharacter) {
        event.Skip();
        return;
    }
    if (m_impl->charHandler)
        m_impl->charHandler(code);
}

void EditControl::OnMouse(wxMouseEvent& event)
{
    Impl& d = *m_impl;
    const wxEventType type = event.GetEventType();
    bool atRowEnd = false;
    if (type == wxEVT_LEFT_DOWN) {
        SetFocus();
        d.RestartBlink();
        const std::size_t pos = d.HitTest(event.GetPosition(), &atRowEnd);
        d.desiredColumn = -1;
        d.MoveCaret(pos, event.ShiftDown(), atRowEnd);
        d.dragging = true;
        d.dragTimer.Start(50);
        if (!HasCapture())
            CaptureMouse();
    } else if (type == wxEVT_LEFT_DCLICK) {
        std::size_t begin, end;
        d.layout.WordAt(d.HitTest(event.GetPosition(), &atRowEnd), &begin, &end);
        d.MoveCaret(begin, false);
        d.MoveCaret(end, true);
        d.SetPrimary();
    } else if (type == wxEVT_MOTION) {
        if (d.dragging && event.LeftIsDown()) {
            const std::size_t pos = d.HitTest(event.GetPosition(), &atRowEnd);
            d.MoveCaret(pos, true, atRowEnd);
        }
    } else if (type == wxEVT_LEFT_UP) {
        if (d.dragging) {
            d.dragging = false;
            d.dragTimer.Stop();
            if (HasCapture())
                ReleaseMouse();
            d.SetPrimary();
        }
    } else if (type == wxEVT_MIDDLE_DOWN) {
        // Paste the primary selection where the button went down.
        const std::size_t pos = d.HitTest(event.GetPosition(), &atRowEnd);
        wxTheClipboard->UsePrimarySelection(true);
        wxTextDataObject data;
        bool got = false;
        if (wxTheClipboard->Open()) {
            got = wxTheClipboard->GetData(data);
            wxTheClipboard->Close();
        }
        wxTheClipboard->UsePrimarySelection(false);
        if (got) {
            d.caret = d.anchor = pos;
            const wxString text = data.GetText();
            const wxScopedCharBuffer utf8 = text.utf8_str();
            d.UserReplace(std::string_view(utf8.data(), utf8.length()));
        }
    }
    event.Skip(type == wxEVT_LEFT_DOWN);
}

wxMenu* EditControl::CreateContextMenu() const
{
    // The edit commands a Korean desktop's edit controls offer, in its words.
    auto* menu = new wxMenu;
    menu->Append(wxID_UNDO, wxString::FromUTF8("실행 취소(&U)"));
    menu->AppendSeparator();
    menu->Append(wxID_CUT, wxString::FromUTF8("잘라내기(&T)"));
    menu->Append(wxID_COPY, wxString::FromUTF8("복사(&C)"));
    menu->Append(wxID_PASTE, wxString::FromUTF8("붙여넣기(&P)"));
    menu->Append(wxID_DELETE, wxString::FromUTF8("삭제(&D)"));
    menu->AppendSeparator();
    menu->Append(wxID_SELECTALL, wxString::FromUTF8("모두 선택(&A)"));
    const bool selection = HasSelection();
    menu->Enable(wxID_UNDO, CanUndo());
    menu->Enable(wxID_CUT, selection);
    menu->Enable(wxID_COPY, selection);
    menu->Enable(wxID_DELETE, selection);
    menu->Enable(wxID_SELECTALL, GetTextLength() != 0);
    return menu;
}

bool EditControl::RunContextCommand(int id)
{
    switch (id) {
    case wxID_UNDO: Undo(); return true;
    case wxID_CUT: Cut(); return true;
    case wxID_COPY: Copy(); return true;
    case wxID_PASTE: Paste(); return true;
    case wxID_DELETE: Clear(); return true;
    case wxID_SELECTALL: SelectAll(); return true;
    default: return false;
    }
}

// Events

void EditControl::OnContextMenu(wxContextMenuEvent& event)
{
    std::unique_ptr<wxMenu> menu(CreateContextMenu());
    wxPoint point = event.GetPosition();
    point = point == wxDefaultPosition ? PointFromPosition(m_impl->caret) : ScreenToClient(point);
    const int id = GetPopupMenuSelectionFromUser(*menu, point);
    if (id != wxID_NONE)
        RunContextCommand(id);
}

}  // namespace tessaline::ui
