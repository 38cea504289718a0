#include "tests/ui/GuiTestSupport.h"

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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
    return true;
}

void PumpIdle()
{
    for (int i = 0; i < 5; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(1);
    }
}

}  // namespace tessaline::ui::gui_test
