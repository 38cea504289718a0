#include "app/PortSettingsDlg.h"
#include "res/ResourceIds.h"
#include "tests/app/PortSettingsButtons.h"
#include "tests/app/gui/AppTest.h"
#include "tests/support/ScratchFolder.h"

#include <wx/radiobut.h>

#include <set>

namespace tessaline::apptest {
namespace {

std::set<int> CheckedButtons(wxDialog& dialog)
{
    std::set<int> checked;
    for (const SettingsButton& row : kSettingsButtons) {
        auto* button = wxDynamicCast(dialog.FindWindow(row.button), wxRadioButton);
        EXPECT_NE(button, nullptr) << "no button " << row.button;
        if (button && button->GetValue())
            checked.insert(row.button);
    }
    return checked;
}

void Click(wxDialog& dialog, int id)
{
    auto* button = wxDynamicCast(dialog.FindWindow(id), wxRadioButton);
    ASSERT_NE(button, nullptr) << id;
    button->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, id);
    click.SetEventObject(button);
    click.SetInt(1);
    button->GetEventHandler()->ProcessEvent(click);
}

void Press(wxDialog& dialog, int id)
{
    wxWindow* button = dialog.FindWindow(id);
    ASSERT_NE(button, nullptr) << id;
    wxCommandEvent press(wxEVT_BUTTON, id);
    press.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(press);
}

// Opens the dialog through the Port settings command and runs `drive` in it.
void RunSettingsDialog(const std::function<void(wxDialog&)>& drive)
{
    DialogDriver driver([&](wxDialog& dialog) {
        EXPECT_NE(dynamic_cast<CPortSettingsDlg*>(&dialog), nullptr);
        drive(dialog);
    });
    SendCommand(Wx(ID_PORT_SETTINGS));
    EXPECT_EQ(driver.DialogsSeen(), 1);
}

using SettingsDialog = AppTest;

TEST_F(SettingsDialog, OpensWithTheTemplatesTitleNoCloseBoxAndOneButtonCheckedPerGroupFromTheDocument)
{
    // The last two hold values no button stands for: their groups stay unchecked.
    const PortSettings cases[] = {{},
                                  {3, 57600, 6, 4, 2, 1},
                                  {4, 115200, 5, 1, 1, 2},
                                  {2, 1200, 7, 3, 0, 0},
                                  {7, 4800, 9, 5, 3, 3},
                                  {0, 9600, 4, 2, -1, 1}};
    for (const PortSettings& settings : cases) {
        std::set<int> expected;
        for (const SettingsButton& row : kSettingsButtons) {
            if (settings.*row.field == row.value)
                expected.insert(row.button);
        }
        Doc().m_settings = settings;
        std::set<int> checked;
        wxString title;
        long style = 0;
        RunSettingsDialog([&](wxDialog& dialog) {
            checked = CheckedButtons(dialog);
            title = dialog.GetTitle();
            style = dialog.GetWindowStyleFlag();
            Press(dialog, wxID_CANCEL);
        });
        EXPECT_EQ(checked, expected) << "port " << settings.port << " baud " << settings.baud;
        EXPECT_EQ(Doc().m_settings, settings);
        EXPECT_EQ(title, wxString::FromUTF8("접속 포트 설정"));
        EXPECT_FALSE(style & (wxCLOSE_BOX | wxSYSTEM_MENU));
    }
}

TEST_F(SettingsDialog, EachButtonStoresItsValueOnOk)
{
    // From values no button stands for, so that every click changes its field.
    const PortSettings odd{7, 4800, 9, 5, 3, 3};
    for (const SettingsButton& c : kSettingsButtons) {
        Doc().m_settings = odd;
        PortSettings expected = odd;
        expected.*c.field = c.value;
        RunSettingsDialog([&](wxDialog& dialog) {
            Click(dialog, c.button);
            Press(dialog, wxID_OK);
        });
        EXPECT_EQ(Doc().m_settings, expected) << "button " << c.button;
        EXPECT_FALSE(Doc().IsModified());
    }
}

TEST_F(SettingsDialog, ReopeningShowsWhatOkStored)
{
    RunSettingsDialog([](wxDialog& dialog) {
        Click(dialog, IDC_HANDSHAKE_SOFTWARE);
        Click(dialog, IDC_PARITY_EVEN);
        Press(dialog, wxID_OK);
    });
    EXPECT_EQ(Doc().m_settings.handshake, 2);
    std::set<int> checked;
    RunSettingsDialog([&](wxDialog& dialog) {
        checked = CheckedButtons(dialog);
        Press(dialog, wxID_OK);
    });
    EXPECT_EQ(checked, (std::set<int>{IDC_PORT_COM1, IDC_BAUD_9600, IDC_DATABITS_8, IDC_PARITY_EVEN, IDC_STOPBITS_1,
                                      IDC_HANDSHAKE_SOFTWARE}));
}

TEST_F(SettingsDialog, CancelAndEscapeDiscardTheClicks)
{
    RunSettingsDialog([](wxDialog& dialog) {
        Click(dialog, IDC_PORT_COM3);
        Click(dialog, IDC_BAUD_38400);
        Click(dialog, IDC_HANDSHAKE_HARDWARE);
        Press(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(Doc().m_settings, PortSettings{});

    RunSettingsDialog([](wxDialog& dialog) {
        Click(dialog, IDC_DATABITS_5);
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(&dialog);
        dialog.GetEventHandler()->ProcessEvent(escape);
    });
    EXPECT_EQ(Doc().m_settings, PortSettings{});
}

TEST_F(SettingsDialog, ValuesOutsideTheTablesSurviveOk)
{
    const PortSettings odd{7, 4800, 9, 5, 3, 3};
    Doc().m_settings = odd;
    RunSettingsDialog([](wxDialog& dialog) { Press(dialog, wxID_OK); });
    EXPECT_EQ(Doc().m_settings, odd);
    // A click among such values changes its field alone: EachButtonStoresItsValueOnOk.
}

TEST_F(SettingsDialog, PortButtonsNameTheDeviceTheyOpen)
{
    // One UART present: COM1 is it, COM2 and COM4 have no device, COM3 is
    // an alias to a device with a Korean name.
    testing::ScratchFolder root;
    root.Write("dev/ttyS0");
    root.Write("sys/class/tty/ttyS0/type", "4\n");
    root.SetEnv("TESSALINE_DEVICE_ROOT", root.Path());
    platform::SetPortAlias("COM3", "/dev/pts/장치");
    const wxString none = wxString::FromUTF8("장치 없음");
    const wxString expected[] = {wxString::FromUTF8(root / "dev/ttyS0"), none, wxString::FromUTF8("/dev/pts/장치"),
                                 none};
    RunSettingsDialog([&](wxDialog& dialog) {
        for (int port = 1; port <= 4; ++port) {
            wxWindow* button = dialog.FindWindow(IDC_PORT_COM1 + port - 1);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->GetToolTipText(), expected[port - 1]) << "COM" << port;
        }
        Press(dialog, wxID_CANCEL);
    });
}

}  // namespace
}  // namespace tessaline::apptest
