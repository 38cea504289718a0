// Helpers for the edit control suite: a frame holding a control at a chosen
// client size, a way to let the event loop run until something holds, hex
// text, and keys and mouse events sent to the control.
//
// Threading: GUI thread only.
#pragma once

#include "tests/support/HexText.h"
#include "ui/EditControl.h"
#include "ui/TextLayout.h"

#include <wx/frame.h>

#include <wx/event.h>

#include <functional>
#include <string>
#include <utility>

namespace tessaline::ui::gui_test {

class ControlFrame
{
public:
    // widthCells x heightRows of text cells (scroll bar added to the width).
    ControlFrame(int widthCells, int heightRows);
    ~ControlFrame();

    EditControl& Control() { return *m_control; }
    wxFrame& Frame() { return *m_frame; }
    // Sizes the control's client area to hold the given cells.
    void ResizeToCells(int widthCells, int heightRows);

private:
    wxFrame* m_frame;
    EditControl* m_control;
};

// Runs the event loop until done() holds or the deadline (generous) passes.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
// Runs the event loop until nothing is pending.
void PumpIdle();

// `pairs` hex pairs "XX " of a repeatable pattern (seed shifts it).
inline std::string Hex(std::size_t pairs, unsigned seed = 0)
{
    return testing::HexText(testing::CountingBytes(pairs, 37, seed));
}
// The selection as GetSel reports it.
std::pair<long, long> Sel(const EditControl& control);
// A key press (key down) and a mouse event, at a client point.
void Key(EditControl& control, int code, bool shift = false, bool ctrl = false);
void Mouse(EditControl& control, wxEventType type, wxPoint point, bool shift = false);
// A point inside the cell that holds pos (a little right of its left edge).
wxPoint CellPoint(const EditControl& control, std::size_t pos);

}  // namespace tessaline::ui::gui_test
