#include "tests/ui/GuiTestSupport.h"

#include "tests/support/WaitUntil.h"

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <cmath>

namespace tessaline::ui::gui_test {

ControlFrame::ControlFrame(int widthCells, int heightRows)
{
    m_frame = new wxFrame(nullptr, wxID_ANY, "edit control test");
    m_control = new EditControl(m_frame);
    m_frame->Show();
    ResizeToCells(widthCells, heightRows);
    m_control->SetFocus();
    PumpIdle();
}

ControlFrame::~ControlFrame()
{
    m_frame->Destroy();
    PumpIdle();
}

void ControlFrame::ResizeToCells(int widthCells, int heightRows)
{
    const wxSize cell = m_control->GetCellSize();
    const wxSize outer = m_control->GetSize();
    const wxSize client = m_control->GetClientSize();
    const int extraWidth = outer.x - client.x;
    const int height = heightRows * cell.y + (outer.y - client.y);
    int width = static_cast<int>(std::ceil(widthCells * m_control->GetCellWidth())) + 4 + extraWidth;
    for (int attempt = 0; attempt < 8; ++attempt, ++width) {
        m_frame->SetClientSize(width, height);
        m_control->SetSize(0, 0, width, height);
        PumpIdle();
        if (m_control->GetLayout().Width() >= static_cast<unsigned>(widthCells))
            break;
    }
    PumpIdle();
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto pumped = [&] {
        wxTheApp->Yield(true);
        return done();
    };
    return testing::WaitUntil(pumped, std::chrono::milliseconds(timeoutMs), std::chrono::milliseconds(2));
}

void PumpIdle()
{
    for (int i = 0; i < 5; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(1);
    }
}

std::pair<long, long> Sel(const EditControl& control)
{
    long start = -2;
    long end = -2;
    control.GetSel(&start, &end);
    return {start, end};
}

void Key(EditControl& control, int code, bool shift, bool ctrl)
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = code;
    event.m_shiftDown = shift;
    event.m_controlDown = ctrl;
    event.SetEventObject(&control);
    control.GetEventHandler()->ProcessEvent(event);
}

void Mouse(EditControl& control, wxEventType type, wxPoint point, bool shift)
{
    wxMouseEvent event(type);
    event.m_x = point.x;
    event.m_y = point.y;
    event.m_shiftDown = shift;
    event.m_leftDown = type == wxEVT_LEFT_DOWN || type == wxEVT_MOTION || type == wxEVT_LEFT_DCLICK;
    event.SetEventObject(&control);
    control.GetEventHandler()->ProcessEvent(event);
}

wxPoint CellPoint(const EditControl& control, std::size_t pos)
{
    const wxPoint corner = control.PointFromPosition(pos);
    return {corner.x + 2, corner.y + control.GetCellSize().y / 2};
}

}  // namespace tessaline::ui::gui_test
