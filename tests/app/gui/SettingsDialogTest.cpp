#include "app/PortSettingsDlg.h"
#include "res/resource.h"
#include "tests/app/gui/AppTest.h"
#include "tests/support/ScratchFolder.h"

#include <wx/radiobut.h>

#include <set>

namespace tessaline::apptest {
namespace {

const int kRadioButtons[] = {
    IDC_BAUD_1200,   IDC_BAUD_2400,     IDC_BAUD_9600,          IDC_BAUD_14400,         IDC_BAUD_19200,
    IDC_BAUD_38400,  IDC_BAUD_56000,    IDC_BAUD_57600,         IDC_BAUD_115200,        IDC_DATABITS_5,
    IDC_DATABITS_6,  IDC_DATABITS_7,    IDC_DATABITS_8,         IDC_PARITY_NONE,        IDC_PARITY_ODD,
    IDC_PARITY_EVEN, IDC_PARITY_MARK,   IDC_PARITY_SPACE,       IDC_STOPBITS_1,         IDC_STOPBITS_1_5,
    IDC_STOPBITS_2,  IDC_HANDSHAKE_OFF, IDC_HANDSHAKE_SOFTWARE, IDC_HANDSHAKE_HARDWARE, IDC_PORT_COM1,
    IDC_PORT_COM2,   IDC_PORT_COM3,     IDC_PORT_COM4,
};

std::set<int> CheckedButtons(wxDialog& dialog)
{
    std::set<int> checked;
    for (int id : kRadioButtons) {
        auto* button = wxDynamicCast(dialog.FindWindow(id), wxRadioButton);
        EXPECT_NE(button, nullptr) << "no button " << id;
        if (button && button->GetValue())
            checked.insert(id);
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

TEST_F(SettingsDialog, OpensWithOneButtonCheckedPerGroupFromTheDocument)
{
    struct Case
    {
        PortSettings settings;
        std::set<int> checked;
    };
    const Case cases[] = {
        {{}, {IDC_PORT_COM1, IDC_BAUD_9600, IDC_DATABITS_8, IDC_PARITY_NONE, IDC_STOPBITS_1, IDC_HANDSHAKE_OFF}},
        {{3, 57600, 6, 4, 2, 1},
         {IDC_PORT_COM3, IDC_BAUD_57600, IDC_DATABITS_6, IDC_PARITY_SPACE, IDC_STOPBITS_2, IDC_HANDSHAKE_HARDWARE}},
        {{4, 115200, 5, 1, 1, 2},
         {IDC_PORT_COM4, IDC_BAUD_115200, IDC_DATABITS_5, IDC_PARITY_ODD, IDC_STOPBITS_1_5, IDC_HANDSHAKE_SOFTWARE}},
        {{2, 1200, 7, 3, 0, 0},
         {IDC_PORT_COM2, IDC_BAUD_1200, IDC_DATABITS_7, IDC_PARITY_MARK, IDC_STOPBITS_1, IDC_HANDSHAKE_OFF}},
        // Values no button stands for leave their groups unchecked.
        {{7, 4800, 9, 5, 3, 3}, {}},
        {{0, 9600, 4, 2, -1, 1}, {IDC_BAUD_9600, IDC_PARITY_EVEN, IDC_HANDSHAKE_HARDWARE}},
    };
    for (const Case& c : cases) {
        Doc().m_settings = c.settings;
        std::set<int> checked;
        RunSettingsDialog([&](wxDialog& dialog) {
            checked = CheckedButtons(dialog);
            Press(dialog, wxID_CANCEL);
        });
        EXPECT_EQ(checked, c.checked) << "port " << c.settings.port << " baud " << c.settings.baud;
        EXPECT_EQ(Doc().m_settings, c.settings);
    }
}

TEST_F(SettingsDialog, EachButtonStoresItsValueOnOk)
{
    struct Case
    {
        int button;
        std::int32_t PortSettings::*field;
        std::int32_t value;
    };
    const Case cases[] = {
        {IDC_PORT_COM2, &PortSettings::port, 2},
        {IDC_PORT_COM4, &PortSettings::port, 4},
        {IDC_BAUD_1200, &PortSettings::baud, 1200},
        {IDC_BAUD_14400, &PortSettings::baud, 14400},
        {IDC_BAUD_56000, &PortSettings::baud, 56000},
        {IDC_BAUD_115200, &PortSettings::baud, 115200},
        {IDC_DATABITS_5, &PortSettings::dataBits, 5},
        {IDC_DATABITS_7, &PortSettings::dataBits, 7},
        {IDC_PARITY_ODD, &PortSettings::parity, 1},
        {IDC_PARITY_SPACE, &PortSettings::parity, 4},
        {IDC_STOPBITS_1_5, &PortSettings::stopBits, 1},
        {IDC_STOPBITS_2, &PortSettings::stopBits, 2},
        {IDC_HANDSHAKE_SOFTWARE, &PortSettings::handshake, 2},
        {IDC_HANDSHAKE_HARDWARE, &PortSettings::handshake, 1},
        {IDC_HANDSHAKE_OFF, &PortSettings::handshake, 0},
    };
    for (const Case& c : cases) {
        Doc().m_settings = PortSettings{};
        Doc().m_settings.handshake = 1;  // so that Off changes something
        PortSettings expected = Doc().m_settings;
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

    RunSettingsDialog([](wxDialog& dialog) {
        Click(dialog, IDC_BAUD_19200);
        Press(dialog, wxID_OK);
    });
    PortSettings expected = odd;
    expected.baud = 19200;
    EXPECT_EQ(Doc().m_settings, expected);
}

TEST_F(SettingsDialog, HasTheTemplatesTitleAndNoCloseBox)
{
    wxString title;
    long style = 0;
    RunSettingsDialog([&](wxDialog& dialog) {
        title = dialog.GetTitle();
        style = dialog.GetWindowStyleFlag();
        Press(dialog, wxID_CANCEL);
    });
    EXPECT_EQ(title, wxString::FromUTF8("접속 포트 설정"));
    EXPECT_FALSE(style & wxCLOSE_BOX);
    EXPECT_FALSE(style & wxSYSTEM_MENU);
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
