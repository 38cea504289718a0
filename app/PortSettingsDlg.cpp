#include "app/PortSettingsDlg.h"

#include "app/FileNames.h"
#include "platform/PortNames.h"
#include "res/Dialogs.h"

#include <wx/radiobut.h>

#include <array>
#include <string>
#include <utility>

using tessaline::app::PortSettings;

namespace {

constexpr std::array<std::pair<int, std::int32_t>, 9> kBaudButtons = {{
    {IDC_BAUD_1200, 1200},
    {IDC_BAUD_2400, 2400},
    {IDC_BAUD_9600, 9600},
    {IDC_BAUD_14400, 14400},
    {IDC_BAUD_19200, 19200},
    {IDC_BAUD_38400, 38400},
    {IDC_BAUD_56000, 56000},
    {IDC_BAUD_57600, 57600},
    {IDC_BAUD_115200, 115200},
}};

// The buttons run Off, Software, Hardware; the codes off 0, hardware 1,
// software 2.
constexpr std::array<std::pair<int, std::int32_t>, 3> kHandshakeButtons = {{
    {IDC_HANDSHAKE_OFF, 0},
    {IDC_HANDSHAKE_SOFTWARE, 2},
    {IDC_HANDSHAKE_HARDWARE, 1},
}};

// The groups whose buttons follow each other: first id, first value, count.
struct RunOfButtons
{
    std::int32_t PortSettings::*field;
    int firstId;
    std::int32_t firstValue;
    int count;
};
constexpr RunOfButtons kRuns[] = {
    {&PortSettings::port, IDC_PORT_COM1, 1, 4},
    {&PortSettings::dataBits, IDC_DATABITS_5, 5, 4},
    {&PortSettings::parity, IDC_PARITY_NONE, 0, 5},
    {&PortSettings::stopBits, IDC_STOPBITS_1, 0, 3},
};

}  // namespace

CPortSettingsDlg::CPortSettingsDlg(wxWindow* parent, PortSettings& settings) : m_settings(settings), m_edited(settings)
{
    tessaline::res::CreateDialog(this, parent, tessaline::res::FindDialog(IDD_PORT_SETTINGS));
    Bind(wxEVT_INIT_DIALOG, &CPortSettingsDlg::OnInitDialog, this);
    Bind(wxEVT_RADIOBUTTON, &CPortSettingsDlg::OnCommand, this);
    Bind(wxEVT_BUTTON, &CPortSettingsDlg::OnOK, this, wxID_OK);
}

int CPortSettingsDlg::ButtonForValue(std::int32_t PortSettings::*field, std::int32_t value)
{
    if (field == &PortSettings::baud) {
        for (const auto& [id, rate] : kBaudButtons) {
            if (rate == value)
                return id;
        }
        return 0;
    }
    if (field == &PortSettings::handshake) {
        for (const auto& [id, code] : kHandshakeButtons) {
            if (code == value)
                return id;
        }
        return 0;
    }
    for (const RunOfButtons& run : kRuns) {
        if (run.field == field) {
            const std::int64_t offset = static_cast<std::int64_t>(value) - run.firstValue;
            return offset >= 0 && offset < run.count ? run.firstId + static_cast<int>(offset) : 0;
        }
    }
    return 0;
}

bool CPortSettingsDlg::ApplyButton(PortSettings& settings, int id)
{
    if (id >= IDC_BAUD_1200 && id <= IDC_BAUD_115200) {
        settings.baud = kBaudButtons[static_cast<std::size_t>(id - IDC_BAUD_1200)].second;
    } else if (id >= IDC_DATABITS_5 && id <= IDC_DATABITS_8) {
        settings.dataBits = id - 1006;
    } else if (id >= IDC_PARITY_NONE && id <= IDC_PARITY_SPACE) {
        settings.parity = id - 1021;
    } else if (id >= IDC_STOPBITS_1 && id <= IDC_STOPBITS_2) {
        settings.stopBits = id - 1031;
    } else if (id == IDC_HANDSHAKE_OFF) {
        settings.handshake = 0;
    } else if (id == IDC_HANDSHAKE_SOFTWARE) {
        settings.handshake = 2;
    } else if (id == IDC_HANDSHAKE_HARDWARE) {
        settings.handshake = 1;
    } else if (id >= IDC_PORT_COM1 && id <= IDC_PORT_COM4) {
        settings.port = id - 1199;
    } else {
        return false;
    }
    return true;
}

void CPortSettingsDlg::OnInitDialog(wxInitDialogEvent& event)
{
    event.Skip();  // the base transfers data and updates the controls

    // The groups start unchecked; a value no button stands for leaves its
    // group that way.
    static constexpr std::int32_t PortSettings::*kGroups[] = {
        &PortSettings::port,   &PortSettings::baud,     &PortSettings::dataBits,
        &PortSettings::parity, &PortSettings::stopBits, &PortSettings::handshake,
    };
    for (auto field : kGroups) {
        const int id = ButtonForValue(field, m_settings.*field);
        if (id == 0)
            continue;
        if (auto* button = dynamic_cast<wxRadioButton*>(FindWindow(id)))
            button->SetValue(true);
    }
    ShowDevicePaths();
}

wxString CPortSettingsDlg::DeviceTip(int port)
{
    const std::string path = tessaline::platform::ResolvePortName("COM" + std::to_string(port));
    return path.empty() ? wxString::FromUTF8("장치 없음") : tessaline::app::FileNameToWx(path);
}

void CPortSettingsDlg::ShowDevicePaths()
{
    for (int port = 1; port <= 4; ++port) {
        if (wxWindow* button = FindWindow(IDC_PORT_COM1 + port - 1))
            button->SetToolTip(DeviceTip(port));
    }
}

void CPortSettingsDlg::OnCommand(wxCommandEvent& event)
{
    ApplyButton(m_settings, event.GetId());
    event.Skip();
}

void CPortSettingsDlg::OnOK(wxCommandEvent& event)
{
    m_edited = m_settings;
    event.Skip();  // the base ends the dialog with wxID_OK
}
