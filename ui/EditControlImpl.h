// The edit control's state and the operations its parts share. The parts,
// one source file each: EditControl.cpp (the public operations and the
// event wiring), EditInput.cpp (keys and mouse), EditPaint.cpp (painting)
// and EditView.cpp (the scroll and update model, the caret blink). The text
// store is TextLayout.
//
// Threading: GUI thread only.
#pragma once

#include "ui/EditControl.h"
#include "ui/GlyphRuns.h"
#include "ui/TextLayout.h"
#include "ui/UndoRecord.h"

#include <wx/graphics.h>
#include <wx/timer.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

namespace tessaline::ui {

constexpr std::size_t kDefaultScrollbackLimit = std::size_t{32} << 20;
// Text inserted without undo reaches the screen at most this often (30 Hz).
constexpr int kUpdateIntervalMs = 33;
// ... and while it keeps coming with no key or click for kQuietUserMs, at
// most this often (4 Hz): each update of a streaming view redraws it whole,
// and text that replaces the whole view several times a second cannot be
// read anyway; a key or a click brings the faster rate back at once.
constexpr int kStreamUpdateIntervalMs = 250;
constexpr int kQuietUserMs = 1000;
constexpr int kLeftMargin = 2;
constexpr int kBlinkIntervalMs = 530;
// The caret stops blinking (and stays shown) this long after the last key,
// click or focus change, so that an untouched window costs nothing.
constexpr int kBlinkTimeoutMs = 10000;

// Narrow (UTF-8) text as a wxString; invalid bytes become U+FFFD.
wxString FromNarrow(const char* text, std::size_t length);

struct EditControl::Impl
{
    explicit Impl(EditControl& owner) : self(owner), updateTimer(&owner), dragTimer(&owner), blinkTimer(&owner) {}

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
    int fontPoints = 0;  // the size in use
    FontSizeHandler fontSizeHandler;
    int wheelRotation = 0;  // Ctrl + wheel rotation short of a whole step
    double cellWidth = 8;
    int lineHeight = 16;
    GlyphRuns glyphs;

    wxTimer updateTimer;
    std::chrono::steady_clock::time_point updateDue;  // while updateTimer runs
    std::chrono::steady_clock::time_point lastUpdate;
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
    bool caretShown = true;                            // blink phase; a moved caret shows at once
    std::chrono::steady_clock::time_point blinkSince;  // also the last key, click or focus change

    Stats stats;

    // Text changes (EditView.cpp)

    void ReplaceRange(std::size_t pos, std::size_t length, std::string_view text, bool record);
    void TrimToLimit();
    void MarkDirty(std::size_t pos)
    {
        dirtyFrom = std::min(dirtyFrom, pos);
        ScheduleUpdate();
    }
    void ScheduleUpdate();

    std::size_t SelBegin() const { return std::min(caret, anchor); }
    std::size_t SelEnd() const { return std::max(caret, anchor); }

    // Geometry (EditView.cpp)

    int VisibleRows() const
    {
        const int height = self.GetClientSize().GetHeight();
        return std::max(1, height / lineHeight);
    }
    unsigned WidthCells() const
    {
        const int width = self.GetClientSize().GetWidth() - 2 * kLeftMargin;
        return static_cast<unsigned>(std::max(1.0, std::floor(width / cellWidth)));
    }
    std::size_t TopRow() const { return static_cast<std::size_t>(std::max(0, self.GetViewStart().y)); }
    std::size_t CaretRow() const;
    std::size_t HitTest(wxPoint point, bool* atRowEnd) const;

    // View updates (EditView.cpp)

    void Update();
    void SyncScrollRange();
    void ScrollToRow(std::size_t top);
    void ScrollCaretIntoView();
    void UpdateFollow();
    void RefreshRows(std::size_t firstRow, std::size_t lastRow);
    void RefreshAll()
    {
        fullRefresh = true;
        Update();
    }
    // The caret blinks again from now (a key, a click, focus).
    void RestartBlink();
    void OnBlink();
    void StopBlink();

    // User actions (EditInput.cpp)

    void MoveCaret(std::size_t pos, bool extend, bool atRowEnd = false);
    void UserReplace(std::string_view text);
    void SetPrimary();
    void DragScroll();
    std::string Selected() const { return std::string(layout.Text().substr(SelBegin(), SelEnd() - SelBegin())); }
    bool RunKey(int keyCode, bool shift, bool ctrl);
    void MoveVertically(long delta, bool extend);
    void MoveToWordStart(bool extend);
    void MoveToWordEnd(bool extend);
    void PageUp(bool extend);
    void PageDown(bool extend);
    void DeleteForward(bool shift);
    void ZoomByWheel(const wxMouseEvent& event);

    // Painting (EditPaint.cpp)

    struct PaintColours
    {
        wxColour background;
        wxColour selectionBack;
        wxColour text;
        wxColour selectedText;
        wxColour caret;
        wxGraphicsFont normal;
        wxGraphicsFont selected;
        wxGraphicsFont marker;
    };
    static int DefaultFontPoints();
    void SetupFont(int points);
    // A new text size: font, cells, wrapping, scroll range and position.
    void ApplyFontSize(int points);
    void Paint(wxDC& dc, const wxRegion& region);
    std::size_t PaintRect(wxGraphicsContext& gc, const wxRect& rect, const PaintColours& colours);
    void PaintRow(wxGraphicsContext& gc, std::size_t row, double y, const wxRect& rect, const PaintColours& colours);
    void PaintText(wxGraphicsContext& gc, const DisplayPiece& piece, double y, const wxRect& rect,
                   const PaintColours& colours, bool selected);
};

}  // namespace tessaline::ui
