#include "GuiTestSupport.h"

#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>

namespace tessaline::ui::gui_test {

ControlFrame::ControlFrame(int widthCells, int heightRows) {
    m_frame = new wxFrame(nullptr, wxID_ANY, "edit control test");
    m_control = new EditControl(m_frame);
    m_frame->Show();
    ResizeToCells(widthCells, heightRows);
    m_control->SetFocus();
    PumpIdle();
}

ControlFrame::~ControlFrame() {
    m_frame->Destroy();
    PumpIdle();
}

void ControlFrame::ResizeToCells(int widthCells, int heightRows) {
    const wxSize cell = m_control->GetCellSize();
    const wxSize outer = m_control->GetSize();
    const wxSize client = m_control->GetClientSize();
    // Room for the margins and a little spare that never makes another cell.
    const double cellWidth = m_control->GetCellSize().x;
    (void)cellWidth;
    const int width = static_cast<int>(widthCells * m_control->GetCellSize().GetWidth()) + 4 +
                      (outer.x - client.x);
    const int height = heightRows * cell.y + (outer.y - client.y);
    m_frame->SetClientSize(width, height);
    m_control->SetSize(0, 0, width, height);
    PumpIdle();
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
    return true;
}

void PumpIdle() {
    for (int i = 0; i < 5; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(1);
    }
}

}  // namespace tessaline::ui::gui_test
