#include "EditControl.h"

#include "TextLayout.h"
#include "TextPrintout.h"
#include "UndoRecord.h"

#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/fontenum.h>
#include <wx/graphics.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tessaline::ui {

namespace {

constexpr std::size_t kDefaultScrollbackLimit = std::size_t{32} << 20;
// Text inserted without undo reaches the screen at most this often (50 Hz).
constexpr int kUpdateIntervalMs = 20;
constexpr int kLeftMargin = 2;
constexpr int kBlinkIntervalMs = 530;

wxString FromNarrow(const char* text, std::size_t length) {
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

constexpr wxChar32 kNoCharacter = 0xFFFFFFFF;

// The character a key press types, as the classic platform reports it:
// Ctrl+letter and Ctrl with [ \ ] ^ _ give the C0 controls, Ctrl+Enter a
// line feed, Ctrl+Backspace DEL. kNoCharacter for keys that type nothing.
wxChar32 TypedCharacter(int keyCode, wxChar32 unicode, bool ctrl) {
    if (unicode == static_cast<wxChar32>(WXK_NONE)) {
        if (keyCode != WXK_NUMPAD_ENTER) return kNoCharacter;
        unicode = 0x0D;
    }
    if (!ctrl) return unicode;
    if ((unicode >= 'a' && unicode <= 'z') || (unicode >= 'A' && unicode <= 'Z')) return unicode & 0x1F;
    switch (unicode) {
    case '[': case '\\': case ']': case '^': case '_':
        return unicode & 0x1F;
    case 0x0D:
        return 0x0A;
    case 0x08:
        return 0x7F;
    default:
        return unicode;
    }
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

struct EditControl::Impl {
    explicit Impl(EditControl& owner)
        : self(owner), updateTimer(&owner), dragTimer(&owner), blinkTimer(&owner) {}

    EditControl& self;
    TextLayout layout;
    std::size_t caret = 0;
    std::size_t anchor = 0;
    bool caretAtRowEnd = false;  // caret at a soft-wrap boundary shows at the row's end
    double desiredColumn = -1;   // kept across Up/Down/PgUp/PgDn
    std::size_t limitText = 0;
    std::size_t scrollbackLimit = kDefaultScrollbackLimit;
    CharHandler charHandler;
    UndoRecord undo;

    wxFont font;
    double cellWidth = 8;
    int lineHeight = 16;

    wxTimer updateTimer;
    std::size_t dirtyFrom = std::string::npos;  // earliest changed byte since the last update
    bool dirtyBelow = false;                    // rows after the change may have moved or gone
    bool fullRefresh = false;
    bool scrollCaretPending = false;
    // False while the user has scrolled the caret out of view with the
    // scroll bar or the wheel: the view then stays on the text being read
    // and ScrollCaret leaves it there until the caret is in view again.
    bool followCaret = true;
    std::size_t shownRowCount = 0;
    bool dragging = false;
    wxTimer dragTimer;  // keeps a drag selection scrolling while the pointer is above or below
    wxTimer blinkTimer;
    bool caretShown = true;  // blink phase; a moved caret shows at once

    Stats stats;

    // Text changes

    void ReplaceRange(std::size_t pos, std::size_t length, std::string_view text, bool record);
    void TrimToLimit();
    void MarkDirty(std::size_t pos) {
        dirtyFrom = std::min(dirtyFrom, pos);
        ScheduleUpdate();
    }
    void ScheduleUpdate() {
        if (!updateTimer.IsRunning()) updateTimer.StartOnce(kUpdateIntervalMs);
    }

    std::size_t SelBegin() const { return std::min(caret, anchor); }
    std::size_t SelEnd() const { return std::max(caret, anchor); }

    // Geometry

    void SetupFont();
    int VisibleRows() const {
        const int height = self.GetClientSize().GetHeight();
        return std::max(1, height / lineHeight);
    }
    unsigned WidthCells() const {
        const int width = self.GetClientSize().GetWidth() - 2 * kLeftMargin;
        return static_cast<unsigned>(std::max(1.0, std::floor(width / cellWidth)));
    }
    std::size_t TopRow() const { return static_cast<std::size_t>(std::max(0, self.GetViewStart().y)); }
    std::size_t CaretRow() const;
    std::size_t HitTest(wxPoint point, bool* atRowEnd) const;

    // View updates

    void Update();
    void SyncScrollRange();
    void ScrollToRow(std::size_t top);
    void ScrollCaretIntoView();
    void UpdateFollow() {
        const std::size_t row = CaretRow();
        const std::size_t top = TopRow();
        followCaret = row >= top && row < top + static_cast<std::size_t>(VisibleRows());
    }
    void RefreshRows(std::size_t firstRow, std::size_t lastRow);
    void RefreshAll() {
        fullRefresh = true;
        Update();
    }

    // User actions

    void MoveCaret(std::size_t pos, bool extend, bool atRowEnd = false);
    void UserReplace(std::string_view text);
    void SetPrimary();
    void DragScroll() {
        if (!dragging || !wxGetMouseState().LeftIsDown()) {
            dragTimer.Stop();
            return;
        }
        const wxPoint point = self.ScreenToClient(wxGetMousePosition());
        if (point.y >= 0 && point.y < self.GetClientSize().y) return;  // motion events do the rest
        bool atRowEnd = false;
        const std::size_t pos = HitTest(point, &atRowEnd);
        MoveCaret(pos, true, atRowEnd);
    }
    std::string Selected() const { return std::string(layout.Text().substr(SelBegin(), SelEnd() - SelBegin())); }

    // Painting

    struct PaintColours {
        wxColour background;
        wxColour selectionBack;
        wxColour caret;
        wxGraphicsFont normal;
        wxGraphicsFont selected;
        wxGraphicsFont marker;
    };
    void Paint(wxDC& dc, const wxRegion& region);
    std::size_t PaintRect(wxGraphicsContext& gc, const wxRect& rect, const PaintColours& colours);
};

// Text changes

void EditControl::Impl::ReplaceRange(std::size_t pos, std::size_t length, std::string_view text,
                                     bool record) {
    if (length == 0 && text.empty()) return;
    if (record) {
        undo.Set(pos, std::string(layout.Text().substr(pos, length)), text.size());
    } else {
        undo.OnOtherEdit(pos, length, text.size());
    }
    const std::size_t oldSize = layout.Size();
    // Anything but an append at the end moves or removes the rows below.
    if (length != 0 || pos != oldSize) dirtyBelow = true;
    if (length != 0) layout.Erase(pos, length);
    layout.Insert(pos, text);
    // Caret and anchor follow the text around the edit.
    auto adjust = [&](std::size_t& p) {
        if (p >= pos + length)
            p = p - length + text.size();
        else if (p > pos)
            p = pos;
    };
    adjust(caret);
    adjust(anchor);
    MarkDirty(pos);
}

void EditControl::Impl::TrimToLimit() {
    if (scrollbackLimit == 0 || layout.Size() <= scrollbackLimit) return;
    // Trim an eighth of the cap at once so the cost of moving the rest is
    // shared by many appends.
    const std::size_t keep = scrollbackLimit - scrollbackLimit / 8;
    const std::size_t top = TopRow();
    std::size_t rowsRemoved = 0;
    const std::size_t removed = layout.TrimFront(keep, &rowsRemoved);
    if (removed == 0) return;
    caret = caret > removed ? caret - removed : 0;
    anchor = anchor > removed ? anchor - removed : 0;
    caret = layout.CharStart(caret);
    anchor = layout.CharStart(anchor);
    undo.OnTrimFront(removed);
    ++stats.trims;
    // Keep the same text in view: the rows above it are gone.
    dirtyFrom = 0;
    fullRefresh = true;
    SyncScrollRange();
    ScrollToRow(top > rowsRemoved ? top - rowsRemoved : 0);
    ScheduleUpdate();
}

// Geometry

void EditControl::Impl::SetupFont() {
    const int points = std::max(10, wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT).GetPointSize());
    // A coding font with Hangul keeps Korean text on the cell grid; the
    // generic monospace family is the fallback, and the font system fills in
    // missing glyphs from other fonts.
    if (wxFontEnumerator::IsValidFacename("NanumGothicCoding"))
        font = wxFont(wxFontInfo(points).FaceName("NanumGothicCoding"));
    else
        font = wxFont(wxFontInfo(points).Family(wxFONTFAMILY_TELETYPE));
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create());
    double width = 0;
    double height = 0;
    if (gc) {
        gc->SetFont(font, *wxBLACK);
        const wxString sample(wxUniChar('M'), 100);
        gc->GetTextExtent(sample, &width, &height);
    }
    if (width <= 0) {
        self.SetFont(font);
        width = self.GetCharWidth() * 100.0;
        height = self.GetCharHeight();
    }
    cellWidth = width / 100.0;
    lineHeight = std::max(1, static_cast<int>(std::ceil(height)) + 1);
}

std::size_t EditControl::Impl::CaretRow() const {
    const std::size_t row = layout.RowOf(caret);
    if (caretAtRowEnd && row > 0 && caret == layout.RowStart(row) && !layout.RowEndsWithBreak(row - 1))
        return row - 1;
    return row;
}

std::size_t EditControl::Impl::HitTest(wxPoint point, bool* atRowEnd) const {
    const std::size_t rows = layout.RowCount();
    const long rowOffset = point.y < 0 ? -1 - (-point.y - 1) / lineHeight : point.y / lineHeight;
    const long target = static_cast<long>(TopRow()) + rowOffset;
    if (target < 0) {
        *atRowEnd = false;
        return 0;
    }
    if (static_cast<std::size_t>(target) >= rows) {
        *atRowEnd = false;
        return layout.Size();
    }
    const auto row = static_cast<std::size_t>(target);
    const double column = std::max(0.0, (point.x - kLeftMargin) / cellWidth);
    const std::size_t pos = layout.PositionAt(row, column);
    *atRowEnd = pos == layout.RowEnd(row) && row + 1 < rows && !layout.RowEndsWithBreak(row);
    return pos;
}

// View updates

void EditControl::Impl::SyncScrollRange() {
    const std::size_t rows = layout.RowCount();
    if (rows == shownRowCount) return;
    shownRowCount = rows;
    const std::size_t limit = static_cast<std::size_t>(INT32_MAX / lineHeight) - 1;
    const int height = static_cast<int>(std::min(rows, limit)) * lineHeight;
    self.SetVirtualSize(-1, height);
}

void EditControl::Impl::ScrollToRow(std::size_t top) {
    if (top == TopRow()) return;
    self.Scroll(-1, static_cast<int>(top));
}

void EditControl::Impl::ScrollCaretIntoView() {
    const std::size_t row = CaretRow();
    const std::size_t top = TopRow();
    const auto visible = static_cast<std::size_t>(VisibleRows());
    if (row < top)
        ScrollToRow(row);
    else if (row >= top + visible)
        ScrollToRow(row - visible + 1);
}

void EditControl::Impl::RefreshRows(std::size_t firstRow, std::size_t lastRow) {
    const std::size_t top = TopRow();
    const auto visible = static_cast<std::size_t>(VisibleRows());
    if (lastRow < top || firstRow > top + visible) return;
    const std::size_t from = std::max(firstRow, top) - top;
    const std::size_t to = std::min(lastRow, top + visible) - top;
    const int width = self.GetClientSize().GetWidth();
    self.RefreshRect(wxRect(0, static_cast<int>(from) * lineHeight, width,
                            static_cast<int>(to - from + 1) * lineHeight),
                     false);
}

void EditControl::Impl::Update() {
    updateTimer.Stop();
    SyncScrollRange();
    const std::size_t oldTop = TopRow();
    if (scrollCaretPending) {
        scrollCaretPending = false;
        ScrollCaretIntoView();
    }
    if (fullRefresh) {
        self.Refresh(false);
    } else if (dirtyFrom != std::string::npos) {
        // Rows before the one holding the changed unit keep their text.
        const std::size_t from = dirtyFrom > 3 ? dirtyFrom - 3 : 0;
        const std::size_t firstRow = layout.RowOf(std::min(from, layout.Size()));
        const std::size_t lastRow = dirtyBelow ? TopRow() + static_cast<std::size_t>(VisibleRows())
                                               : layout.RowCount() - 1;
        RefreshRows(firstRow, lastRow);
    }
    if (TopRow() != oldTop) ++stats.scrolls;
    fullRefresh = false;
    dirtyBelow = false;
    dirtyFrom = std::string::npos;
    ++stats.updates;
}

// User actions

void EditControl::Impl::MoveCaret(std::size_t pos, bool extend, bool atRowEnd) {
    followCaret = true;
    caretShown = true;
    const std::size_t oldBegin = SelBegin();
    const std::size_t oldEnd = SelEnd();
    const std::size_t oldRow = CaretRow();
    caret = layout.CharStart(pos);
    caretAtRowEnd = atRowEnd;
    if (!extend) anchor = caret;
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

void EditControl::Impl::UserReplace(std::string_view text) {
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

void EditControl::Impl::SetPrimary() {
    if (caret == anchor) return;
    wxClipboard* clipboard = wxTheClipboard;
    clipboard->UsePrimarySelection(true);
    if (clipboard->Open()) {
        const std::string text = Selected();
        clipboard->SetData(new wxTextDataObject(FromNarrow(text.data(), text.size())));
        clipboard->Close();
    }
    clipboard->UsePrimarySelection(false);
}

// Painting

void EditControl::Impl::Paint(wxDC& dc, const wxRegion& region) {
    const auto started = std::chrono::steady_clock::now();
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    std::unique_ptr<wxGraphicsContext> ownGc;
    if (gc == nullptr) {
        if (auto* windowDc = dynamic_cast<wxWindowDC*>(&dc)) ownGc.reset(wxGraphicsContext::Create(*windowDc));
        gc = ownGc.get();
        if (gc == nullptr) return;
    }
    PaintColours colours;
    colours.background = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    colours.selectionBack = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    colours.caret = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    colours.normal = gc->CreateFont(font, colours.caret);
    colours.selected = gc->CreateFont(font, wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
    colours.marker = gc->CreateFont(font, wxColour(0x50, 0x50, 0x50));
    gc->SetPen(*wxTRANSPARENT_PEN);
    std::size_t rowsDrawn = 0;
    long area = 0;
    // Each rectangle on its own: a strip at the edge must not cost the
    // whole text inside the bounding box.
    for (wxRegionIterator it(region); it; ++it) {
        rowsDrawn += PaintRect(*gc, it.GetRect(), colours);
        area += static_cast<long>(it.GetRect().width) * it.GetRect().height;
    }
    const double seconds = SecondsSince(started);
    ++stats.paints;
    stats.lastPaintRows = rowsDrawn;
    stats.lastPaintArea = area;
    stats.lastPaintSeconds = seconds;
    stats.totalPaintSeconds += seconds;
}

std::size_t EditControl::Impl::PaintRect(wxGraphicsContext& gc, const wxRect& rect, const PaintColours& colours) {
    gc.SetBrush(wxBrush(colours.background));
    gc.DrawRectangle(rect.x, rect.y, rect.width, rect.height);

    const std::size_t rows = layout.RowCount();
    const std::size_t top = TopRow();
    const std::size_t first = top + static_cast<std::size_t>(std::max(0, rect.y / lineHeight));
    const std::size_t last = std::min(rows, top + static_cast<std::size_t>(rect.GetBottom() / lineHeight + 1));
    const double clipLeft = rect.x;
    const double clipRight = rect.x + rect.width;
    const std::size_t selBegin = SelBegin();
    const std::size_t selEnd = SelEnd();
    const bool focused = self.HasFocus();
    const std::size_t caretRow = CaretRow();
    const std::string_view text = layout.Text();
    const char* data = text.data();

    for (std::size_t row = first; row < last; ++row) {
        const double y = static_cast<double>(row - top) * lineHeight;
        const std::size_t begin = layout.RowStart(row);
        const std::size_t end = layout.RowEnd(row);
        // Selection background, a cell wider when it takes in the line break.
        if (selBegin < selEnd && selBegin < end && selEnd > begin) {
            const std::size_t contentEnd = layout.RowContentEnd(row);
            const std::size_t from = std::max(selBegin, begin);
            const std::size_t to = std::min(selEnd, contentEnd);
            const double left = kLeftMargin + layout.ColumnOf(row, from) * cellWidth;
            double right = kLeftMargin + layout.ColumnOf(row, to) * cellWidth;
            if (selEnd > contentEnd && layout.RowEndsWithBreak(row)) right += cellWidth;
            gc.SetBrush(wxBrush(colours.selectionBack));
            gc.DrawRectangle(left, y, right - left, lineHeight);
        }
        ForEachPiece(data, text.size(), begin, end, selBegin, selEnd, [&](const DisplayPiece& piece) {
            double x = kLeftMargin + piece.column * cellWidth;
            if (x > clipRight || x + piece.cells * cellWidth < clipLeft) return;
            const bool selected = piece.pos >= selBegin && piece.pos < selEnd;
            if (piece.kind == CharKind::Placeholder) {
                char label[3];
                PlaceholderLabel(piece.codePoint, label);
                gc.SetBrush(wxBrush(selected ? colours.selectionBack.ChangeLightness(70) : wxColour(0xD0, 0xD0, 0xD0)));
                gc.DrawRectangle(x + 1, y + 1, piece.cells * cellWidth - 2, lineHeight - 2);
                gc.SetFont(selected ? colours.selected : colours.marker);
                gc.DrawText(wxString::FromAscii(label), x, y);
                return;
            }
            std::size_t pos = piece.pos;
            std::size_t length = piece.length;
            if (length == piece.cells) {
                // Plain ASCII: draw only the part inside the rectangle.
                const double skip = std::floor((clipLeft - x) / cellWidth) - 1;
                if (skip > 0) {
                    const auto cells = static_cast<std::size_t>(skip);
                    pos += cells;
                    length -= cells;
                    x += static_cast<double>(cells) * cellWidth;
                }
                const double keep = std::ceil((clipRight - x) / cellWidth) + 1;
                if (keep < static_cast<double>(length)) length = static_cast<std::size_t>(std::max(0.0, keep));
            }
            gc.SetFont(selected ? colours.selected : colours.normal);
            gc.DrawText(wxString::FromUTF8Unchecked(data + pos, length), x, y);
        });
        if (focused && caretShown && row == caretRow) {
            const double x = kLeftMargin + layout.ColumnOf(row, caret) * cellWidth;
            gc.SetBrush(wxBrush(colours.caret));
            gc.DrawRectangle(std::max(0.0, x - 1), y, 2, lineHeight);
        }
    }
    return last > first ? last - first : 0;
}

// EditControl

EditControl::EditControl(wxWindow* parent, wxWindowID id)
    : wxScrolledCanvas(parent, id, wxDefaultPosition, wxDefaultSize,
                       wxVSCROLL | wxALWAYS_SHOW_SB | wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE),
      m_impl(std::make_unique<Impl>(*this)) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
    m_impl->SetupFont();
    SetScrollRate(0, m_impl->lineHeight);
    ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_ALWAYS);
    m_impl->layout.SetWidth(m_impl->WidthCells());
    m_impl->SyncScrollRange();

    Bind(wxEVT_PAINT, &EditControl::OnPaint, this);
    Bind(wxEVT_SIZE, &EditControl::OnSize, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_impl->Update(); }, m_impl->updateTimer.GetId());
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
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_impl->DragScroll(); }, m_impl->dragTimer.GetId());
    Bind(wxEVT_CONTEXT_MENU, &EditControl::OnContextMenu, this);
    // After the user scrolls (the scrolled window moves the view once this
    // handler has passed the event on), see whether the caret is still in view.
    auto afterUserScroll = [this](wxEvent& event) {
        event.Skip();
        CallAfter([this] { m_impl->UpdateFollow(); });
    };
    for (const wxEventType type :
         {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN,
          wxEVT_SCROLLWIN_PAGEUP, wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
          wxEVT_SCROLLWIN_THUMBRELEASE})
        Bind(wxEventTypeTag<wxScrollWinEvent>(type), afterUserScroll);
    Bind(wxEVT_MOUSEWHEEL, afterUserScroll);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_impl->caretShown = true;
        m_impl->blinkTimer.Start(kBlinkIntervalMs);
        m_impl->RefreshRows(m_impl->CaretRow(), m_impl->CaretRow());
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_impl->blinkTimer.Stop();
        m_impl->RefreshRows(m_impl->CaretRow(), m_impl->CaretRow());
        event.Skip();
    });
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        m_impl->caretShown = !m_impl->caretShown;
        m_impl->RefreshRows(m_impl->CaretRow(), m_impl->CaretRow());
    }, m_impl->blinkTimer.GetId());
}

EditControl::~EditControl() {
    m_impl->updateTimer.Stop();
    m_impl->dragTimer.Stop();
    m_impl->blinkTimer.Stop();
    if (HasCapture()) ReleaseMouse();
}

void EditControl::SetSel(long start, long end) {
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
    if (d.anchor == from && d.caret == to) return;
    d.anchor = from;
    d.caret = to;
    d.caretAtRowEnd = false;
    d.desiredColumn = -1;
    d.fullRefresh = true;
    d.ScheduleUpdate();
}

void EditControl::GetSel(long* start, long* end) const {
    if (start) *start = static_cast<long>(m_impl->SelBegin());
    if (end) *end = static_cast<long>(m_impl->SelEnd());
}

void EditControl::ScrollCaret() {
    if (!m_impl->followCaret) return;
    m_impl->scrollCaretPending = true;
    m_impl->ScheduleUpdate();
}

void EditControl::ReplaceSel(std::string_view text, bool canUndo) {
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

std::string EditControl::GetText() const { return std::string(m_impl->layout.Text()); }

std::size_t EditControl::GetTextLength() const { return m_impl->layout.Size(); }

void EditControl::SetText(std::string_view text) {
    Impl& d = *m_impl;
    d.layout.Assign(text);
    d.caret = d.anchor = 0;
    d.caretAtRowEnd = false;
    d.desiredColumn = -1;
    d.undo.Clear();
    d.TrimToLimit();
    d.SyncScrollRange();
    d.ScrollToRow(0);
    d.RefreshAll();
}

bool EditControl::CanUndo() const { return m_impl->undo.IsSet(); }

void EditControl::Undo() {
    Impl& d = *m_impl;
    if (!d.undo.IsSet()) return;
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

void EditControl::Cut() {
    if (!HasSelection()) return;
    Copy();
    Clear();
}

void EditControl::Copy() {
    Impl& d = *m_impl;
    if (!HasSelection()) return;
    if (wxTheClipboard->Open()) {
        const std::string text = d.Selected();
        wxTheClipboard->SetData(new wxTextDataObject(FromNarrow(text.data(), text.size())));
        wxTheClipboard->Close();
    }
}

void EditControl::Paste() {
    if (!wxTheClipboard->Open()) return;
    wxTextDataObject data;
    const bool got = wxTheClipboard->IsSupported(wxDF_UNICODETEXT) && wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    if (!got) return;
    const wxString text = data.GetText();
    const wxScopedCharBuffer utf8 = text.utf8_str();
    m_impl->UserReplace(std::string_view(utf8.data(), utf8.length()));
}

void EditControl::Clear() {
    if (!HasSelection()) return;
    m_impl->UserReplace({});
}

void EditControl::SelectAll() {
    SetSel(0, -1);
}

bool EditControl::HasSelection() const { return m_impl->caret != m_impl->anchor; }

void EditControl::SetLimitText(std::size_t limit) { m_impl->limitText = limit; }

void EditControl::SetScrollbackLimit(std::size_t bytes) {
    m_impl->scrollbackLimit = bytes;
    m_impl->TrimToLimit();
}

std::size_t EditControl::GetScrollbackLimit() const { return m_impl->scrollbackLimit; }

void EditControl::SetCharHandler(CharHandler handler) { m_impl->charHandler = std::move(handler); }

std::unique_ptr<wxPrintout> EditControl::CreatePrintout(const wxString& title) const {
    return std::make_unique<TextPrintout>(title, std::string(m_impl->layout.Text()), m_impl->font);
}

void EditControl::FlushUpdate() { m_impl->Update(); }

std::size_t EditControl::GetFirstVisibleRow() const { return m_impl->TopRow(); }

std::size_t EditControl::GetVisibleRowCount() const { return static_cast<std::size_t>(m_impl->VisibleRows()); }

std::size_t EditControl::GetCaretRow() const { return m_impl->CaretRow(); }

const TextLayout& EditControl::GetLayout() const { return m_impl->layout; }

const EditControl::Stats& EditControl::GetStats() const { return m_impl->stats; }

wxPoint EditControl::PointFromPosition(std::size_t pos) const {
    const Impl& d = *m_impl;
    const std::size_t row = d.layout.RowOf(pos);
    const double x = kLeftMargin + d.layout.ColumnOf(row, pos) * d.cellWidth;
    const long y = (static_cast<long>(row) - static_cast<long>(d.TopRow())) * d.lineHeight;
    return {static_cast<int>(std::lround(x)), static_cast<int>(y)};
}

wxSize EditControl::GetCellSize() const {
    return {static_cast<int>(std::lround(m_impl->cellWidth)), m_impl->lineHeight};
}

double EditControl::GetCellWidth() const { return m_impl->cellWidth; }

wxMenu* EditControl::CreateContextMenu() const {
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

bool EditControl::RunContextCommand(int id) {
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

void EditControl::OnContextMenu(wxContextMenuEvent& event) {
    std::unique_ptr<wxMenu> menu(CreateContextMenu());
    wxPoint point = event.GetPosition();
    point = point == wxDefaultPosition ? PointFromPosition(m_impl->caret) : ScreenToClient(point);
    const int id = GetPopupMenuSelectionFromUser(*menu, point);
    if (id != wxID_NONE) RunContextCommand(id);
}

void EditControl::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    m_impl->Paint(dc, GetUpdateRegion());
}

void EditControl::OnSize(wxSizeEvent& event) {
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

void EditControl::OnKeyDown(wxKeyEvent& event) {
    Impl& d = *m_impl;
    const bool shift = event.ShiftDown();
    const bool ctrl = event.ControlDown();
    const std::size_t size = d.layout.Size();
    const std::size_t row = d.CaretRow();
    const std::size_t rows = d.layout.RowCount();
    auto vertical = [&](long delta) {
        if (d.desiredColumn < 0) d.desiredColumn = d.layout.ColumnOf(row, d.caret);
        long target = static_cast<long>(row) + delta;
        target = std::clamp<long>(target, 0, static_cast<long>(rows) - 1);
        const auto newRow = static_cast<std::size_t>(target);
        const std::size_t pos = d.layout.PositionAt(newRow, d.desiredColumn);
        const bool atEnd =
            pos == d.layout.RowEnd(newRow) && newRow + 1 < rows && !d.layout.RowEndsWithBreak(newRow);
        const double keep = d.desiredColumn;
        d.MoveCaret(pos, shift, atEnd);
        d.desiredColumn = keep;
    };
    auto horizontal = [&](std::size_t pos) {
        d.desiredColumn = -1;
        d.MoveCaret(pos, shift);
    };
    switch (event.GetKeyCode()) {
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        if (!shift && d.caret != d.anchor)
            horizontal(d.SelBegin());
        else if (ctrl) {
            std::size_t begin, end;
            std::size_t pos = d.layout.PrevChar(d.caret);
            while (pos > 0 && d.layout.Text()[pos] == ' ') pos = d.layout.PrevChar(pos);
            d.layout.WordAt(pos, &begin, &end);
            horizontal(begin);
        } else
            horizontal(d.layout.PrevChar(d.caret));
        break;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        if (!shift && d.caret != d.anchor)
            horizontal(d.SelEnd());
        else if (ctrl) {
            std::size_t begin, end;
            d.layout.WordAt(d.caret, &begin, &end);
            std::size_t pos = end;
            while (pos < size && d.layout.Text()[pos] == ' ') ++pos;
            horizontal(pos);
        } else
            horizontal(d.layout.NextChar(d.caret));
        break;
    case WXK_UP:
    case WXK_NUMPAD_UP:
        vertical(-1);
        break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        vertical(1);
        break;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP: {
        const long page = std::max(1, d.VisibleRows() - 1);
        const std::size_t top = d.TopRow();
        d.ScrollToRow(top > static_cast<std::size_t>(page) ? top - page : 0);
        vertical(-page);
        break;
    }
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN: {
        const long page = std::max(1, d.VisibleRows() - 1);
        d.ScrollToRow(std::min(d.TopRow() + page, rows > 0 ? rows - 1 : 0));
        vertical(page);
        break;
    }
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
        d.desiredColumn = -1;
        d.MoveCaret(ctrl ? 0 : d.layout.RowStart(row), shift);
        break;
    case WXK_END:
    case WXK_NUMPAD_END:
        d.desiredColumn = -1;
        if (ctrl) {
            d.MoveCaret(size, shift);
        } else {
            const std::size_t end = d.layout.RowContentEnd(row);
            d.MoveCaret(end, shift, end == d.layout.RowEnd(row) && row + 1 < rows);
        }
        break;
    case WXK_DELETE:
    case WXK_NUMPAD_DELETE:
        if (shift) {
            Cut();
        } else if (d.caret != d.anchor) {
            Clear();
        } else if (d.caret < size) {
            d.anchor = d.layout.NextChar(d.caret);
            d.UserReplace({});
        }
        break;
    case WXK_INSERT:
    case WXK_NUMPAD_INSERT:
        if (ctrl && !shift)
            Copy();
        else if (shift && !ctrl)
            Paste();
        else
            event.Skip();
        break;
    default:
        event.Skip();
        return;
    }
    if (shift && d.caret != d.anchor) d.SetPrimary();
}

void EditControl::OnChar(wxKeyEvent& event) {
    const bool ctrl = event.ControlDown();
    const bool alt = event.AltDown();
    // Alt with a key is a menu or system key, not a character; Ctrl+Alt is
    // AltGr on many keyboards and does type characters.
    if (alt && !ctrl) {
        event.Skip();
        return;
    }
    const wxChar32 code = TypedCharacter(event.GetKeyCode(), static_cast<wxChar32>(event.GetUnicodeKey()),
                                         ctrl && !alt);
    if (code == kNoCharacter) {
        event.Skip();
        return;
    }
    if (m_impl->charHandler) m_impl->charHandler(code);
}

void EditControl::OnMouse(wxMouseEvent& event) {
    Impl& d = *m_impl;
    const wxEventType type = event.GetEventType();
    bool atRowEnd = false;
    if (type == wxEVT_LEFT_DOWN) {
        SetFocus();
        const std::size_t pos = d.HitTest(event.GetPosition(), &atRowEnd);
        d.desiredColumn = -1;
        d.MoveCaret(pos, event.ShiftDown(), atRowEnd);
        d.dragging = true;
        d.dragTimer.Start(50);
        if (!HasCapture()) CaptureMouse();
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
            if (HasCapture()) ReleaseMouse();
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

}  // namespace tessaline::ui
