// CPortSettingsDlg: the modal dialog behind Port settings. It shows the
// six settings it is given as six groups of radio buttons, keeps a working
// copy (m_settings) that only button clicks change, and writes the copy
// back to the given settings on OK; Cancel and Escape discard it.
// A value that no button stands for leaves its group unchecked and is
// written back unchanged unless a button of that group is clicked. Each
// port button's tooltip names the device that port opens, or "장치 없음".
//
// Threading: GUI thread only.
#pragma once

#include "app/PortSettings.h"

#include <wx/dialog.h>

#include <cstdint>

class CPortSettingsDlg : public wxDialog
{
public:
    // Edits `settings`, which must outlive the dialog.
    CPortSettingsDlg(wxWindow* parent, tessaline::app::PortSettings& settings);

    // The radio button that stands for `value` in the group of the settings
    // field `field`, or 0 when no button does.
    static int ButtonForValue(std::int32_t tessaline::app::PortSettings::*field, std::int32_t value);
    // Applies a click on button `id` to `settings`; false (nothing changed)
    // when `id` is not a radio button of the dialog.
    static bool ApplyButton(tessaline::app::PortSettings& settings, int id);
    // The tooltip of the button of port `port` (1 to 4).
    static wxString DeviceTip(int port);

    tessaline::app::PortSettings m_settings;

private:
    tessaline::app::PortSettings& m_edited;

    void OnInitDialog(wxInitDialogEvent& event);
    void ShowDevicePaths();
    void OnCommand(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
};
