// Helpers for the edit control suite: a frame holding a control at a chosen
// client size, and a way to let the event loop run until something holds.
//
// Threading: GUI thread only.
#pragma once

#include "ui/EditControl.h"
#include "ui/TextLayout.h"

#include <wx/frame.h>

#include <functional>

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

}  // namespace tessaline::ui::gui_test
