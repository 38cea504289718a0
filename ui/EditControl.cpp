#include "EditControl.h"

#include "TextLayout.h"
#include "TextPrintout.h"
#include "UndoRecord.h"

#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/fontenum.h>
#include <wx/graphics.h>
#include <wx/settings.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tessaline::ui {

namespace {

constexpr std::size_t kDefaultScrollbackLimit = std::size_t{32} << 20;
// Text inserted without undo is shown at most this often (about 60 Hz).
constexpr int kUpdateIntervalMs = 16;
constexpr int kLeftMargin = 2;

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

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

struct EditControl::Impl {
    explicit Impl(EditControl& owner) : self(owner), updateTimer(&owner) {}

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
    bool fullRefresh = false;
    bool scrollCaretPending = false;
    std::size_t shownRowCount = 0;
    bool dragging = false;

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
    void RefreshRows(std::size_t firstRow, std::size_t lastRow);
    void RefreshAll() {
        fullRefresh = true;
        Update();
    }

    // User actions

    void MoveCaret(std::size_t pos, bool extend, bool atRowEnd = false);
    void UserReplace(std::string_view text);
    void SetPrimary();
    std::string Selected() const { return layout.Text().substr(SelBegin(), SelEnd() - SelBegin()); }

    // Painting

    void Paint(wxDC& dc, const wxRegion& region);
};

// Text changes

void EditControl::Impl::ReplaceRange(std::size_t pos, std::size_t length, std::string_view text,
                                     bool record) {
    if (length == 0 && text.empty()) return;
    if (record) {
        undo.Set(pos, layout.Text().substr(pos, length), text.size());
    } else {
        undo.OnOtherEdit(pos, length, text.size());
    }
    const std::size_t oldSize = layout.Size();
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
    (void)oldSize;
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
        RefreshRows(firstRow > 0 ? firstRow - 1 : 0, TopRow() + static_cast<std::size_t>(VisibleRows()));
    }
    if (TopRow() != oldTop) ++stats.scrolls;
    fullRefresh = false;
    dirtyFrom = std::string::npos;
    ++stats.updates;
}

// User actions

void EditControl::Impl::MoveCaret(std::size_t pos, bool extend, bool atRowEnd) {
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
    const wxColour background = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    const wxColour foreground = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
    const wxColour selectionBack = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const wxColour selectionFore = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
    const wxColour markerBack(0xD0, 0xD0, 0xD0);

    wxGraphicsContext* gc = dc.GetGraphicsContext();
    std::unique_ptr<wxGraphicsContext> ownGc;
    if (gc == nullptr) {
        if (auto* windowDc = dynamic_cast<wxWindowDC*>(&dc)) ownGc.reset(wxGraphicsContext::Create(*windowDc));
        gc = ownGc.get();
        if (gc == nullptr) return;
    }
    const wxRect box = region.GetBox();
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(wxBrush(background));
    gc->DrawRectangle(box.x, box.y, box.width, box.height);

    const std::size_t rows = layout.RowCount();
    const std::size_t top = TopRow();
    const std::size_t first = top + static_cast<std::size_t>(std::max(0, box.y / lineHeight));
    const std::size_t last = std::min(rows, top + static_cast<std::size_t>((box.GetBottom() / lineHeight) + 1));
    const std::size_t selBegin = SelBegin();
    const std::size_t selEnd = SelEnd();
    const bool focused = self.HasFocus();
    const std::size_t caretRow = CaretRow();
    const wxGraphicsFont normalFont = gc->CreateFont(font, foreground);
    const wxGraphicsFont selectedFont = gc->CreateFont(font, selectionFore);
    const wxGraphicsFont markerFont = gc->CreateFont(font, wxColour(0x50, 0x50, 0x50));
    const std::string& text = layout.Text();
    const char* data = text.data();

    for (std::size_t row = first; row < last; ++row) {
        const double y = static_cast<double>(row - top) * lineHeight;
        const std::size_t begin = layout.RowStart(row);
        const std::size_t end = layout.RowEnd(row);
        // Selection background, a cell wider when it takes in the line break.
        if (selBegin < selEnd && selBegin < end && selEnd > begin) {
            const std::size_t from = std::max(selBegin, begin);
            const std::size_t to = std::min(selEnd, layout.RowContentEnd(row));
            double left = kLeftMargin + layout.ColumnOf(row, from) * cellWidth;
            double right = kLeftMargin + layout.ColumnOf(row, to) * cellWidth;
            if (selEnd > layout.RowContentEnd(row) && layout.RowEndsWithBreak(row)) right += cellWidth;
            gc->SetBrush(wxBrush(selectionBack));
            gc->DrawRectangle(left, y, right - left, lineHeight);
        }
        ForEachPiece(data, text.size(), begin, end, selBegin, selEnd, [&](const DisplayPiece& piece) {
            const double x = kLeftMargin + piece.column * cellWidth;
            const bool selected = piece.pos >= selBegin && piece.pos < selEnd;
            if (piece.kind == CharKind::Placeholder) {
                char label[3];
                PlaceholderLabel(piece.codePoint, label);
                gc->SetBrush(wxBrush(selected ? selectionBack.ChangeLightness(70) : markerBack));
                gc->DrawRectangle(x + 1, y + 1, piece.cells * cellWidth - 2, lineHeight - 2);
                gc->SetFont(selected ? selectedFont : markerFont);
                gc->DrawText(wxString::FromAscii(label), x, y);
                return;
            }
            gc->SetFont(selected ? selectedFont : normalFont);
            gc->DrawText(wxString::FromUTF8Unchecked(data + piece.pos, piece.length), x, y);
        });
        if (focused && row == caretRow) {
            const double x = kLeftMargin + layout.ColumnOf(row, caret) * cellWidth;
            gc->SetBrush(wxBrush(foreground));
            gc->DrawRectangle(std::max(0.0, x - 1), y, 2, lineHeight);
        }
    }
    const double seconds = SecondsSince(started);
    ++stats.paints;
    stats.lastPaintSeconds = seconds;
    stats.totalPaintSeconds += seconds;
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
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { m_impl->dragging = false; });
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        m_impl->RefreshRows(m_impl->CaretRow(), m_impl->CaretRow());
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        m_impl->RefreshRows(m_impl->CaretRow(), m_impl->CaretRow());
        event.Skip();
    });
}

EditControl::~EditControl() {
    m_impl->updateTimer.Stop();
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

std::string EditControl::GetText() const { return m_impl->layout.Text(); }

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
    const wxScopedCharBuffer utf8 = data.GetText().utf8_str();
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
    return std::make_unique<TextPrintout>(title, m_impl->layout.Text(), m_impl->font);
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

// Events

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
        const std::size_t pos = d.layout.PositionAt(newRow, d.desiredColumn + 0.5);
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
    wxChar32 code = static_cast<wxChar32>(event.GetUnicodeKey());
    if (code == static_cast<wxChar32>(WXK_NONE)) {
        if (event.GetKeyCode() == WXK_NUMPAD_ENTER)
            code = 0x0D;
        else {
            event.Skip();
            return;
        }
    }
    // Ctrl+letter is the control character, whatever case the toolkit reports.
    if (event.ControlDown() && !event.AltDown() && ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z')))
        code &= 0x1F;
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
        if (!HasCapture()) CaptureMouse();
    } else if (type == wxEVT_LEFT_DCLICK) {
        std::size_t begin, end;
        d.layout.WordAt(d.HitTest(event.GetPosition(), &atRowEnd), &begin, &end);
        d.anchor = begin;
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
            const wxScopedCharBuffer utf8 = data.GetText().utf8_str();
            d.UserReplace(std::string_view(utf8.data(), utf8.length()));
        }
    }
    event.Skip(type == wxEVT_LEFT_DOWN);
}

}  // namespace tessaline::ui
