// The three dialog templates and the builder that creates their controls at
// dialog-unit positions of the dialog font.
#include "res/Dialogs.h"

#include "res/CommandIds.h"
#include "res/Icons.h"

#include <wx/button.h>
#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/fontenum.h>
#include <wx/icon.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace tessaline::res {
namespace {

using K = ControlKind;

// Group start and tab stop flags of the rows below.
constexpr bool G = true, T = true, P = true, _ = false;

std::vector<ControlDef> PortGroupRows()
{
    return {
        {-1, K::GroupBox, "COM port selection", 7, 7, 100, 60, _, _, _},
        {IDC_PORT_COM1, K::AutoRadioButton, "COM &1", 15, 20, 40, 10, G, T, _},
        {IDC_PORT_COM2, K::AutoRadioButton, "COM &2", 15, 30, 40, 10, _, _, _},
        {IDC_PORT_COM3, K::AutoRadioButton, "COM &3", 15, 40, 40, 10, _, _, _},
        {IDC_PORT_COM4, K::AutoRadioButton, "COM &4", 15, 50, 40, 10, _, _, _},
    };
}

DialogDef AboutDialog()
{
    return {IDD_ABOUT,
            "Tessaline 정보",
            235,
            55,
            true,
            {
                {-1, K::StaticIcon, "", 11, 17, 20, 20, _, _, _},
                {-1, K::StaticText, "Tessaline 버전 1.0", 40, 10, 119, 8, G, _, P},
                {-1, K::StaticText, "Copyright (C) 2026", 40, 25, 119, 8, G, _, _},
                {1, K::DefPushButton, "확인", 178, 7, 50, 14, G, T, _},
            }};
}

DialogDef PortSettingsDialog()
{
    DialogDef def{IDD_PORT_SETTINGS,
                  "접속 포트 설정",
                  191,
                  260,
                  false,
                  {
                      {IDC_BAUD_GROUP, K::GroupBox, "&Baudrate", 7, 72, 176, 50, G, _, _},
                      {IDC_BAUD_1200, K::AutoRadioButton, "1200", 15, 85, 40, 10, G, T, _},
                      {IDC_BAUD_2400, K::AutoRadioButton, "2400", 15, 95, 40, 10, _, _, _},
                      {IDC_BAUD_9600, K::AutoRadioButton, "9600", 15, 105, 32, 10, _, _, _},
                      {IDC_BAUD_14400, K::AutoRadioButton, "14400", 75, 85, 40, 10, _, _, _},
                      {IDC_BAUD_19200, K::AutoRadioButton, "19200", 75, 95, 40, 10, _, _, _},
                      {IDC_BAUD_38400, K::AutoRadioButton, "38400", 75, 105, 40, 10, _, _, _},
                      {IDC_BAUD_56000, K::AutoRadioButton, "56000", 135, 85, 40, 10, _, _, _},
                      {IDC_BAUD_57600, K::AutoRadioButton, "57600", 135, 95, 40, 10, _, _, _},
                      {IDC_BAUD_115200, K::AutoRadioButton, "115200", 135, 105, 40, 10, _, _, _},
                      {IDC_DATABITS_GROUP, K::GroupBox, "&Databits", 7, 127, 55, 70, G, _, _},
                      {IDC_DATABITS_5, K::AutoRadioButton, "5 bits", 15, 140, 40, 10, G, T, _},
                      {IDC_DATABITS_6, K::AutoRadioButton, "6 bits", 15, 150, 40, 10, _, _, _},
                      {IDC_DATABITS_7, K::AutoRadioButton, "7 bits", 15, 160, 40, 10, _, _, _},
                      {IDC_DATABITS_8, K::AutoRadioButton, "8 bits", 15, 170, 33, 10, _, _, _},
                      {IDC_PARITY_GROUP, K::GroupBox, "&Parity", 67, 127, 55, 70, G, _, _},
                      {IDC_PARITY_NONE, K::AutoRadioButton, "None", 75, 140, 33, 10, G, T, _},
                      {IDC_PARITY_ODD, K::AutoRadioButton, "Odd", 75, 150, 40, 10, _, _, _},
                      {IDC_PARITY_EVEN, K::AutoRadioButton, "Even", 75, 160, 40, 10, _, _, _},
                      {IDC_PARITY_MARK, K::AutoRadioButton, "Mark", 75, 170, 40, 10, _, _, _},
                      {IDC_PARITY_SPACE, K::AutoRadioButton, "Space", 75, 180, 40, 10, _, _, _},
                      {IDC_STOPBITS_GROUP, K::GroupBox, "&Stopbits", 128, 127, 55, 70, G, _, _},
                      {IDC_STOPBITS_1, K::AutoRadioButton, "1 bit", 135, 140, 29, 10, G, T, _},
                      {IDC_STOPBITS_1_5, K::AutoRadioButton, "1.5 bit", 135, 150, 40, 10, _, _, _},
                      {IDC_STOPBITS_2, K::AutoRadioButton, "2 bits", 135, 160, 40, 10, _, _, _},
                      {IDC_HANDSHAKE_GROUP, K::GroupBox, "&Handshaking", 7, 203, 176, 50, G, _, _},
                      {IDC_HANDSHAKE_OFF, K::AutoRadioButton, "Off", 15, 215, 100, 10, G, T, _},
                      {IDC_HANDSHAKE_SOFTWARE, K::AutoRadioButton, "Software (XON/XOFF)", 15, 225, 100, 10, _, _, _},
                      {IDC_HANDSHAKE_HARDWARE, K::AutoRadioButton, "Hardware (RTS/CTS)", 15, 235, 100, 10, _, _, _},
                  }};
    for (const ControlDef& row : PortGroupRows())
        def.controls.push_back(row);
    def.controls.push_back({1, K::DefPushButton, "OK", 132, 12, 50, 14, G, T, _});
    def.controls.push_back({2, K::PushButton, "CANCEL", 132, 30, 50, 14, G, T, _});
    return def;
}

DialogDef PortSelectDialog()
{
    DialogDef def{IDD_PORT_SELECT, "COM port selection", 114, 95, true, PortGroupRows()};
    def.controls.push_back({1, K::DefPushButton, "OK", 33, 74, 50, 14, G, T, _});
    return def;
}

// Windows' MulDiv: the product divided with rounding to the nearest.
int ScaleRounded(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

wxString FindDialogFace()
{
    // 굴림 first (under either name), then Korean sans faces common on Linux.
    static const char* const kFaces[] = {
        "굴림",         "Gulim",   "NanumGothic",   "NanumBarunGothic", "Noto Sans CJK KR",
        "Noto Sans KR", "UnDotum", "Baekmuk Gulim",
    };
    for (const char* face : kFaces) {
        const wxString name = wxString::FromUTF8(face);
        if (wxFontEnumerator::IsValidFacename(name))
            return name;
    }
    return wxString();
}

constexpr const char* kPlaceholderName = "radioGroupPlaceholder";

// Adds the hidden member that keeps a radio group unchecked (see
// IsRadioGroupPlaceholder).
void AddPlaceholder(wxDialog* dialog, const wxPoint& position)
{
    auto* placeholder = new wxRadioButton(dialog, wxID_ANY, wxEmptyString, position, wxSize(1, 1), 0,
                                          wxDefaultValidator, kPlaceholderName);
    placeholder->Hide();
    placeholder->SetValue(true);
}

}  // namespace

const DialogDef& FindDialog(int id)
{
    static const DialogDef about = AboutDialog();
    static const DialogDef settings = PortSettingsDialog();
    static const DialogDef select = PortSelectDialog();
    static const DialogDef none{0, "", 0, 0, false, {}};
    switch (id) {
    case IDD_ABOUT: return about;
    case IDD_PORT_SETTINGS: return settings;
    case IDD_PORT_SELECT: return select;
    default: return none;
    }
}

wxFont DialogFont()
{
    static const wxString face = FindDialogFace();
    if (!face.empty())
        return wxFont(wxFontInfo(9).FaceName(face));
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    font.SetPointSize(9);
    return font;
}

wxSize DialogBaseUnits(const wxFont& font)
{
    // Windows averages the widths of the 52 Latin letters and takes the
    // font's character height.
    wxBitmap scratch(1, 1);
    wxMemoryDC dc(scratch);
    dc.SetFont(font);
    const wxSize letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return wxSize((letters.x / 26 + 1) / 2, dc.GetCharHeight());
}

wxRect DialogUnitsToPixels(const wxSize& baseUnits, int x, int y, int width, int height)
{
    return wxRect(ScaleRounded(x, baseUnits.x, 4), ScaleRounded(y, baseUnits.y, 8), ScaleRounded(width, baseUnits.x, 4),
                  ScaleRounded(height, baseUnits.y, 8));
}

long DialogStyle(const DialogDef& def)
{
    return def.systemMenu ? (wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) : wxCAPTION;
}

void BuildDialog(wxDialog* dialog, const DialogDef& def)
{
    const wxFont font = DialogFont();
    dialog->SetFont(font);
    const wxSize units = DialogBaseUnits(font);
    wxPoint openGroup = wxDefaultPosition;  // where the open radio group starts
    for (const ControlDef& row : def.controls) {
        const bool continuesGroup = row.kind == ControlKind::AutoRadioButton && !row.groupStart;
        if (openGroup != wxDefaultPosition && !continuesGroup) {
            AddPlaceholder(dialog, openGroup);
            openGroup = wxDefaultPosition;
        }
        const wxRect rect = DialogUnitsToPixels(units, row.x, row.y, row.width, row.height);
        const int id = WxIdFromControl(row.id);
        const wxString text = wxString::FromUTF8(row.text);
        switch (row.kind) {
        case ControlKind::GroupBox: new wxStaticBox(dialog, id, text, rect.GetPosition(), rect.GetSize()); break;
        case ControlKind::AutoRadioButton: {
            auto* radio = new wxRadioButton(dialog, id, text, rect.GetPosition(), rect.GetSize(),
                                            row.groupStart ? wxRB_GROUP : 0);
            // GTK cannot give a radio button less width than its label needs
            // (it complains and clips); the narrow template widths grow to fit.
            if (radio->GetBestSize().x > rect.width)
                radio->SetSize(radio->GetBestSize().x, rect.height);
            if (openGroup == wxDefaultPosition)
                openGroup = rect.GetPosition();
            break;
        }
        case ControlKind::PushButton:
        case ControlKind::DefPushButton: {
            auto* button = new wxButton(dialog, id, text, rect.GetPosition(), rect.GetSize());
            if (row.kind == ControlKind::DefPushButton)
                button->SetDefault();
            break;
        }
        case ControlKind::StaticText:
            new wxStaticText(dialog, id, row.noPrefix ? wxControl::EscapeMnemonics(text) : text, rect.GetPosition(),
                             rect.GetSize(), wxALIGN_LEFT | wxST_NO_AUTORESIZE);
            break;
        case ControlKind::StaticIcon: {
            // Like an icon control, it takes the size of the icon it shows.
            const wxIcon icon = MainIcons().GetIcon(wxSize(32, 32));
            new wxStaticBitmap(dialog, id, icon, rect.GetPosition());
            break;
        }
        }
    }
    if (openGroup != wxDefaultPosition)
        AddPlaceholder(dialog, openGroup);
    const wxRect client = DialogUnitsToPixels(units, 0, 0, def.width, def.height);
    dialog->SetClientSize(client.GetSize());
}

bool IsRadioGroupPlaceholder(const wxWindow* window)
{
    return window && window->GetName() == kPlaceholderName && wxDynamicCast(window, wxRadioButton);
}

void ClearRadioGroup(wxRadioButton* member)
{
    // The placeholder follows the group's last button among the siblings.
    const wxWindowList& siblings = member->GetParent()->GetChildren();
    for (auto node = siblings.Find(member); node; node = node->GetNext()) {
        auto* radio = wxDynamicCast(node->GetData(), wxRadioButton);
        if (!radio || (radio != member && radio->HasFlag(wxRB_GROUP)))
            return;
        if (IsRadioGroupPlaceholder(radio)) {
            radio->SetValue(true);
            return;
        }
    }
}

bool CreateDialog(wxDialog* dialog, wxWindow* parent, const DialogDef& def)
{
    if (!dialog->Create(parent, wxID_ANY, wxString::FromUTF8(def.title), wxDefaultPosition, wxDefaultSize,
                        DialogStyle(def)))
        return false;
    BuildDialog(dialog, def);
    dialog->CentreOnParent();
    return true;
}

}  // namespace tessaline::res
