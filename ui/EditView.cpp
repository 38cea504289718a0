// The edit control's scroll and update model: text changes mark rows
// dirty, and at most about 30 times a second (4 while text streams in and
// the user has not touched a key or the mouse for a second) one update
// brings the scroll range, the scroll position and the invalidated rows up
// to date, right after the change when the last one is long enough ago.
// Also the caret blink, which stops a while after the last key or click.
#include "ui/EditControlImpl.h"

namespace tessaline::ui {

// Text changes

void EditControl::Impl::ReplaceRange(std::size_t pos, std::size_t length, std::string_view text, bool record)
{
    if (length == 0 && text.empty())
        return;
    if (record) {
        undo.Set(pos, std::string(layout.Text().substr(pos, length)), text.size());
    } else {
        undo.OnOtherEdit(pos, length, text.size());
    }
    const std::size_t oldSize = layout.Size();
    // Anything but an append at the end moves or removes the rows below.
    if (length != 0 || pos != oldSize)
        dirtyBelow = true;
    if (length != 0)
        layout.Erase(pos, length);
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

void EditControl::Impl::TrimToLimit()
{
    if (scrollbackLimit == 0 || layout.Size() <= scrollbackLimit)
        return;
    // Trim an eighth of the cap at once so the cost of moving the rest is
    // shared by many appends.
    const std::size_t keep = scrollbackLimit - scrollbackLimit / 8;
    const std::size_t top = TopRow();
    std::size_t rowsRemoved = 0;
    const std::size_t removed = layout.TrimFront(keep, &rowsRemoved);
    if (removed == 0)
        return;
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

std::size_t EditControl::Impl::CaretRow() const
{
    const std::size_t row = layout.RowOf(caret);
    if (caretAtRowEnd && row > 0 && caret == layout.RowStart(row) && !layout.RowEndsWithBreak(row - 1))
        return row - 1;
    return row;
}

std::size_t EditControl::Impl::HitTest(wxPoint point, bool* atRowEnd) const
{
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

void EditControl::Impl::ScheduleUpdate()
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const bool streaming = now - blinkSince >= milliseconds(kQuietUserMs);
    const auto interval = milliseconds(streaming ? kStreamUpdateIntervalMs : kUpdateIntervalMs);
    // The update comes once the handler that changed the text is done (a
    // zero delay), or when the interval since the last one is over. One due
    // within an eighth of the interval comes now: text that arrives about
    // once an interval is then shown by the wake-up that brought it, not by
    // one of its own a little later.
    auto delay = duration_cast<milliseconds>(lastUpdate + interval - now);
    if (delay <= interval / 8)
        delay = milliseconds(0);
    // A key or a click may bring a pending update forward, never push it back.
    if (updateTimer.IsRunning() && updateDue <= now + delay)
        return;
    updateDue = now + delay;
    updateTimer.StartOnce(static_cast<int>(delay.count()));
}

void EditControl::Impl::SyncScrollRange()
{
    const std::size_t rows = layout.RowCount();
    if (rows == shownRowCount)
        return;
    shownRowCount = rows;
    const std::size_t limit = static_cast<std::size_t>(INT32_MAX / lineHeight) - 1;
    const int height = static_cast<int>(std::min(rows, limit)) * lineHeight;
    self.SetVirtualSize(-1, height);
}

void EditControl::Impl::ScrollToRow(std::size_t top)
{
    if (top == TopRow())
        return;
    self.Scroll(-1, static_cast<int>(top));
}

void EditControl::Impl::ScrollCaretIntoView()
{
    const std::size_t row = CaretRow();
    const std::size_t top = TopRow();
    const auto visible = static_cast<std::size_t>(VisibleRows());
    if (row < top)
        ScrollToRow(row);
    else if (row >= top + visible)
        ScrollToRow(row - visible + 1);
}

void EditControl::Impl::RefreshRows(std::size_t firstRow, std::size_t lastRow)
{
    const std::size_t top = TopRow();
    const auto visible = static_cast<std::size_t>(VisibleRows());
    if (lastRow < top || firstRow > top + visible)
        return;
    const std::size_t from = std::max(firstRow, top) - top;
    const std::size_t to = std::min(lastRow, top + visible) - top;
    const int width = self.GetClientSize().GetWidth();
    self.RefreshRect(
        wxRect(0, static_cast<int>(from) * lineHeight, width, static_cast<int>(to - from + 1) * lineHeight), false);
}

void EditControl::Impl::Update()
{
    updateTimer.Stop();
    lastUpdate = std::chrono::steady_clock::now();
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
        const std::size_t lastRow =
            dirtyBelow ? TopRow() + static_cast<std::size_t>(VisibleRows()) : layout.RowCount() - 1;
        RefreshRows(firstRow, lastRow);
    }
    if (TopRow() != oldTop)
        ++stats.scrolls;
    fullRefresh = false;
    dirtyBelow = false;
    dirtyFrom = std::string::npos;
    ++stats.updates;
}

void EditControl::Impl::UpdateFollow()
{
    const std::size_t row = CaretRow();
    const std::size_t top = TopRow();
    followCaret = row >= top && row < top + static_cast<std::size_t>(VisibleRows());
}

void EditControl::Impl::ApplyFontSize(int points)
{
    if (points == fontPoints)
        return;
    const std::size_t topPos = layout.RowStart(TopRow());
    SetupFont(points);
    self.SetFont(font);
    self.SetScrollRate(0, lineHeight);
    layout.SetWidth(WidthCells());
    shownRowCount = std::string::npos;  // rows are of a new height
    SyncScrollRange();
    ScrollToRow(layout.RowOf(topPos));
    if (followCaret)
        ScrollCaretIntoView();
    RefreshAll();
}

// Caret blink

void EditControl::Impl::RestartBlink()
{
    caretShown = true;
    blinkSince = std::chrono::steady_clock::now();
    if (self.HasFocus() && !blinkTimer.IsRunning())
        blinkTimer.Start(kBlinkIntervalMs);
    RefreshRows(CaretRow(), CaretRow());
}

void EditControl::Impl::OnBlink()
{
    const auto elapsed = std::chrono::steady_clock::now() - blinkSince;
    if (elapsed >= std::chrono::milliseconds(kBlinkTimeoutMs)) {
        // Rest with the caret shown; a key or a click starts it again.
        blinkTimer.Stop();
        if (caretShown)
            return;
        caretShown = true;
    } else {
        caretShown = !caretShown;
    }
    RefreshRows(CaretRow(), CaretRow());
}

void EditControl::Impl::StopBlink()
{
    blinkTimer.Stop();
    RefreshRows(CaretRow(), CaretRow());
}

}  // namespace tessaline::ui
