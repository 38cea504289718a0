// The builders turn the tables into wxWidgets objects that show and do what
// the tables say: menu bar, accelerators, toolbars and dialogs.
#include "keys/MenuShortcutText.h"
#include "tests/res/ExpectedResources.h"
#include "tests/res/KeyChords.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/fontenum.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <memory>
#include <tuple>

using namespace tessaline::res;
using tessaline::keys::KeyBindingCount;
using tessaline::keys::ParseShortcutText;
using tessaline::keys::ShownShortcut;

namespace {

// A top-level frame that lives for one test.
struct FrameDeleter
{
    void operator()(wxFrame* frame) const { frame->Destroy(); }
};
using FramePtr = std::unique_ptr<wxFrame, FrameDeleter>;

FramePtr MakeFrame()
{
    return FramePtr(new wxFrame(nullptr, wxID_ANY, "Tessaline", wxDefaultPosition, wxSize(800, 600)));
}

// The key and flags a shortcut text names: "Ctrl+N", "F4", or none.
std::pair<int, int> NamedKey(const std::string& text)
{
    if (text.rfind("Ctrl+", 0) == 0)
        return {text.back(), wxACCEL_CTRL};
    return {text.empty() ? 0 : WXK_F1 + std::stoi(text.substr(1)) - 1, 0};
}

TEST(MenuBarBuilder, ShowsEveryMenuAndItemWithLabelsStatesPromptsAndShortcutTexts)
{
    FramePtr frame = MakeFrame();
    wxMenuBar* bar = CreateMainMenuBar();
    frame->SetMenuBar(bar);
    const auto& menus = expected::Rows().menus;
    ASSERT_EQ(bar->GetMenuCount(), menus.size());
    for (size_t m = 0; m < menus.size(); ++m) {
        const expected::Menu& want = menus[m];
        SCOPED_TRACE(want.title);
        EXPECT_EQ(bar->GetMenuLabel(m).utf8_string(), want.title);
        const wxMenuItemList& items = bar->GetMenu(m)->GetMenuItems();
        ASSERT_EQ(items.size(), want.items.size());
        size_t i = 0;
        for (const wxMenuItem* item : items) {
            const expected::MenuItem& row = want.items[i++];
            SCOPED_TRACE("item " + std::to_string(i));
            if (row.id == 0) {
                EXPECT_TRUE(item->IsSeparator());
                continue;
            }
            EXPECT_EQ(item->GetId(), WxIdFromCommand(row.id));
            EXPECT_EQ(item->GetItemLabel().utf8_string(), row.label);
            EXPECT_EQ(item->IsEnabled(), !row.grayed);
            if (item->IsCheckable()) {
                EXPECT_FALSE(item->IsChecked());
            }
            EXPECT_EQ(item->GetHelp(), PromptOf(row.id));
            // Neither the label nor the stock id binds a key: the
            // accelerator table is the only source of key bindings.
            std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
            EXPECT_EQ(accel, nullptr);
            EXPECT_EQ(KeyBindingCount(item), 0);
            // The shortcut text is shown beside the item.
            const auto [wantedKey, wantedFlags] = NamedKey(row.shortcut);
            int key = -1, flags = -1;
            ASSERT_TRUE(ShownShortcut(item, &key, &flags));
            EXPECT_EQ(key, wantedKey);
            if (wantedKey) {
                EXPECT_EQ(flags, wantedFlags);
            }
        }
    }
}

TEST(MenuBarBuilder, PortItemsHaveNoPromptAndNewHasItsPrompt)
{
    std::unique_ptr<wxMenuBar> bar(CreateMainMenuBar());
    for (int command : {32771, 32772, 32773}) {
        wxMenuItem* item = bar->FindItem(WxIdFromCommand(command));
        ASSERT_NE(item, nullptr) << command;
        EXPECT_TRUE(item->GetHelp().empty()) << command;
    }
    EXPECT_EQ(bar->FindItem(wxID_NEW)->GetHelp().utf8_string(), "새 문서를 작성합니다");
}

TEST(MenuBarBuilder, ViewItemsCanCarryACheckMarkAndOthersCannot)
{
    std::unique_ptr<wxMenuBar> bar(CreateMainMenuBar());
    for (int command : {59392, 59393}) {
        wxMenuItem* item = bar->FindItem(WxIdFromCommand(command));
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->IsCheckable());
        item->Check(true);
        EXPECT_TRUE(item->IsChecked());
    }
    EXPECT_FALSE(bar->FindItem(wxID_NEW)->IsCheckable());
    EXPECT_FALSE(bar->FindItem(WxIdFromCommand(32771))->IsCheckable());
}

TEST(MenuShortcutText, ParsesModifiersAndKeys)
{
    int key = 0, flags = 0;
    ASSERT_TRUE(ParseShortcutText("Ctrl+N", &key, &flags));
    EXPECT_EQ(key, 'N');
    EXPECT_EQ(flags, wxACCEL_CTRL);
    ASSERT_TRUE(ParseShortcutText("Shift+F6", &key, &flags));
    EXPECT_EQ(key, WXK_F6);
    EXPECT_EQ(flags, wxACCEL_SHIFT);
    ASSERT_TRUE(ParseShortcutText("Ctrl+Alt+7", &key, &flags));
    EXPECT_EQ(key, '7');
    EXPECT_EQ(flags, wxACCEL_CTRL | wxACCEL_ALT);
    for (const char* bad : {"", "Ctrl+", "Ctrl+NN", "F0", "F25", "Hyper+N", "n"})
        EXPECT_FALSE(ParseShortcutText(bad, &key, &flags)) << bad;
}

wxKeyEvent KeyDown(int key, int flags)
{
    wxKeyEvent event(wxEVT_KEY_DOWN);
    event.m_keyCode = key;
    event.SetControlDown(flags & wxACCEL_CTRL);
    event.SetShiftDown(flags & wxACCEL_SHIFT);
    event.SetAltDown(flags & wxACCEL_ALT);
    return event;
}

// Presses each chord that gives a command (`commands`) or none, and checks
// what the accelerator table makes of it.
void CheckChords(bool commands)
{
    wxAcceleratorTable table = CreateMainAccelerators();
    ASSERT_TRUE(table.IsOk());
    for (const expected::KeyChord& chord : expected::kKeyChords) {
        if ((chord.command != 0) != commands)
            continue;
        wxKeyEvent event = KeyDown(chord.key, chord.flags);
        EXPECT_EQ(table.GetCommand(event), commands ? WxIdFromCommand(chord.command) : -1)
            << chord.key << " " << chord.flags;
    }
}

TEST(AcceleratorBuilder, EveryKeyOfTheTableIssuesItsCommand)
{
    CheckChords(true);
}

TEST(AcceleratorBuilder, KeysWithOtherModifiersAreNotCommands)
{
    CheckChords(false);
}

TEST(ToolbarBuilder, MainToolbarHasEightButtonsInClustersWithTooltipsAndPrompts)
{
    FramePtr frame = MakeFrame();
    wxToolBar* toolBar = frame->CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
    PopulateToolBar(toolBar, MainToolbar());
    const auto& wanted = expected::Rows().mainToolbar;
    ASSERT_EQ(toolBar->GetToolsCount(), wanted.size());
    EXPECT_EQ(toolBar->GetToolBitmapSize(), wxSize(16, 15));
    for (size_t i = 0; i < wanted.size(); ++i) {
        SCOPED_TRACE("position " + std::to_string(i));
        const wxToolBarToolBase* tool = toolBar->GetToolByPos(static_cast<int>(i));
        const int command = wanted[i];
        if (command == 0) {
            EXPECT_TRUE(tool->IsSeparator());
            continue;
        }
        EXPECT_FALSE(tool->IsSeparator());
        EXPECT_EQ(tool->GetId(), WxIdFromCommand(command));
        EXPECT_EQ(tool->GetShortHelp().utf8_string(), expected::Rows().mainToolbarTooltips[i]);
        EXPECT_EQ(tool->GetLongHelp(), wxString::FromUTF8(FindString(command)).BeforeFirst('\n'));
        EXPECT_EQ(tool->GetNormalBitmap().GetSize(), wxSize(16, 15));
    }
}

TEST(ToolbarBuilder, PortToolbarButtonsHaveNoTooltips)
{
    FramePtr frame = MakeFrame();
    wxToolBar* toolBar = frame->CreateToolBar();
    PopulateToolBar(toolBar, PortToolbar());
    ASSERT_EQ(toolBar->GetToolsCount(), 4u);
    EXPECT_TRUE(toolBar->GetToolByPos(2)->IsSeparator());
    for (int command : {32771, 32772, 32773}) {
        const wxToolBarToolBase* tool = toolBar->FindById(WxIdFromCommand(command));
        ASSERT_NE(tool, nullptr) << command;
        EXPECT_TRUE(tool->GetShortHelp().empty());
    }
}

// The controls a template produced, without the hidden radio placeholders.
std::vector<wxWindow*> TemplateControls(wxDialog* dialog)
{
    std::vector<wxWindow*> controls;
    for (wxWindow* child : dialog->GetChildren()) {
        if (!IsRadioGroupPlaceholder(child))
            controls.push_back(child);
    }
    return controls;
}

// The text a control shows, mnemonics removed.
wxString LabelTextOf(wxWindow* window)
{
    auto* control = wxDynamicCast(window, wxControl);
    return control ? control->GetLabelText() : wxString("<not a control>");
}

bool IsKind(wxWindow* window, ControlKind kind)
{
    switch (kind) {
    case ControlKind::GroupBox: return wxDynamicCast(window, wxStaticBox) != nullptr;
    case ControlKind::AutoRadioButton: return wxDynamicCast(window, wxRadioButton) != nullptr;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: return wxDynamicCast(window, wxButton) != nullptr;
    case ControlKind::StaticText: return wxDynamicCast(window, wxStaticText) != nullptr;
    case ControlKind::StaticIcon: return wxDynamicCast(window, wxStaticBitmap) != nullptr;
    }
    return false;
}

TEST(DialogBuilder, CreatesEveryControlInOrderWithIdsKindsLabelsGroupsAndPlaces)
{
    FramePtr frame = MakeFrame();
    for (const expected::Dialog& want : expected::Rows().dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        wxDialog dialog;
        ASSERT_TRUE(CreateDialog(&dialog, frame.get(), FindDialog(want.id)));
        EXPECT_EQ(dialog.GetTitle().utf8_string(), want.title);
        const wxSize units = DialogBaseUnits(dialog.GetFont());
        EXPECT_EQ(dialog.GetClientSize(), DialogUnitsToPixels(units, 0, 0, want.width, want.height).GetSize());

        // Creation order is the tab order, so the children follow the rows.
        const std::vector<wxWindow*> controls = TemplateControls(&dialog);
        ASSERT_EQ(controls.size(), want.controls.size());
        for (size_t i = 0; i < controls.size(); ++i) {
            const expected::Control& row = want.controls[i];
            wxWindow* control = controls[i];
            SCOPED_TRACE("row " + std::to_string(i + 1));
            EXPECT_TRUE(IsKind(control, row.kind));
            EXPECT_TRUE(control->IsShown());
            if (row.id == -1) {
                EXPECT_LT(control->GetId(), 0);
            } else {
                EXPECT_EQ(control->GetId(), WxIdFromControl(row.id));
            }
            if (row.text != "*" && row.kind != ControlKind::StaticIcon) {
                if (row.noPrefix) {
                    EXPECT_EQ(LabelTextOf(control).utf8_string(), row.text);
                } else {
                    EXPECT_EQ(control->GetLabel().utf8_string(), row.text);
                }
            }
            const wxRect place = DialogUnitsToPixels(units, row.x, row.y, row.width, row.height);
            EXPECT_EQ(control->GetPosition(), place.GetPosition());
            if (row.kind == ControlKind::StaticIcon) {
                EXPECT_EQ(control->GetSize(), wxSize(32, 32));
            } else if (row.kind == ControlKind::AutoRadioButton) {
                EXPECT_EQ(control->GetSize().y, place.height);
                EXPECT_GE(control->GetSize().x, place.width);
            } else {
                EXPECT_EQ(control->GetSize(), place.GetSize());
            }
            if (auto* radio = wxDynamicCast(control, wxRadioButton)) {
                EXPECT_EQ(radio->HasFlag(wxRB_GROUP), row.groupStart);
                EXPECT_FALSE(radio->GetValue()) << "no button is checked in a template";
            }
            if (row.kind == ControlKind::DefPushButton) {
                EXPECT_EQ(dialog.GetDefaultItem(), control);
            }
        }
    }
}

TEST(DialogBuilder, SettingsDialogHasNoCloseBoxWhileTheAboutBoxHasOne)
{
    FramePtr frame = MakeFrame();
    wxDialog settings, about;
    ASSERT_TRUE(CreateDialog(&settings, frame.get(), FindDialog(130)));
    ASSERT_TRUE(CreateDialog(&about, frame.get(), FindDialog(100)));
    for (wxDialog* dialog : {&settings, &about}) {
        const bool closes = dialog == &about;
        EXPECT_TRUE(dialog->HasFlag(wxCAPTION));
        EXPECT_EQ(dialog->HasFlag(wxCLOSE_BOX), closes);
        EXPECT_EQ(dialog->HasFlag(wxSYSTEM_MENU), closes);
    }
    EXPECT_FALSE(settings.HasFlag(wxRESIZE_BORDER));
}

TEST(DialogBuilder, SettingsDialogGroupsAreLaidOutAroundEachOther)
{
    FramePtr frame = MakeFrame();
    wxDialog dialog;
    ASSERT_TRUE(CreateDialog(&dialog, frame.get(), FindDialog(130)));
    auto rect = [&](int id) { return dialog.FindWindow(id)->GetRect(); };
    const std::vector<wxWindow*> controls = TemplateControls(&dialog);
    const wxRect port = controls[29]->GetRect();  // the unnumbered port group box
    EXPECT_GT(rect(wxID_OK).x, port.GetRight());
    EXPECT_LT(rect(wxID_OK).GetBottom(), rect(wxID_CANCEL).y);
    EXPECT_GT(rect(1000).y, port.GetBottom());
    EXPECT_GT(rect(1010).y, rect(1000).GetBottom());
    EXPECT_GT(rect(1020).x, rect(1010).GetRight());
    EXPECT_GT(rect(1030).x, rect(1020).GetRight());
    EXPECT_GT(rect(1040).y, rect(1010).GetBottom());
    // Every radio button, from the first to the last, lies inside its group box.
    const std::tuple<int, int, int> groups[] = {
        {1000, 1001, 1009}, {1010, 1011, 1014}, {1020, 1021, 1025}, {1030, 1031, 1033}, {1040, 1041, 1043}};
    for (const auto& [box, first, last] : groups) {
        for (int id = first; id <= last; ++id)
            EXPECT_TRUE(rect(box).Contains(rect(id).GetTopLeft())) << id;
    }
    for (int id = 1200; id <= 1203; ++id)
        EXPECT_TRUE(port.Contains(rect(id).GetTopLeft())) << id;
    const wxRect client(dialog.GetClientSize());
    for (wxWindow* control : controls)
        EXPECT_TRUE(client.Contains(control->GetRect())) << control->GetId();
}

wxRadioButton* Radio(wxDialog& dialog, int id)
{
    return wxDynamicCast(dialog.FindWindow(id), wxRadioButton);
}

TEST(DialogBuilder, RadioButtonsFormOneGroupPerBoxAndGroupsCanBeCleared)
{
    FramePtr frame = MakeFrame();
    wxDialog dialog;
    ASSERT_TRUE(CreateDialog(&dialog, frame.get(), FindDialog(130)));
    // 1007 is in the same group as 1003, across columns.
    for (int id : {1003, 1011, 1043, 1200, 1007})
        Radio(dialog, id)->SetValue(true);
    EXPECT_FALSE(Radio(dialog, 1003)->GetValue());
    for (int id : {1007, 1011, 1043, 1200})
        EXPECT_TRUE(Radio(dialog, id)->GetValue()) << id;

    ClearRadioGroup(Radio(dialog, 1001));
    for (int id = 1001; id <= 1009; ++id)
        EXPECT_FALSE(Radio(dialog, id)->GetValue()) << id;
    EXPECT_TRUE(Radio(dialog, 1011)->GetValue());
    EXPECT_TRUE(Radio(dialog, 1043)->GetValue());
    ClearRadioGroup(Radio(dialog, 1203));
    EXPECT_FALSE(Radio(dialog, 1200)->GetValue());
    EXPECT_TRUE(Radio(dialog, 1043)->GetValue());
}

TEST(DialogBuilder, NoPrefixTextShowsItsAmpersand)
{
    FramePtr frame = MakeFrame();
    DialogDef def{999, "t", 100, 40, true, {}};
    def.controls.push_back({-1, ControlKind::StaticText, "A&B", 5, 5, 50, 8, true, false, true});
    def.controls.push_back({-1, ControlKind::StaticText, "C&D", 5, 20, 50, 8, true, false, false});
    wxDialog dialog;
    ASSERT_TRUE(CreateDialog(&dialog, frame.get(), def));
    const std::vector<wxWindow*> controls = TemplateControls(&dialog);
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(LabelTextOf(controls[0]), "A&B");
    EXPECT_EQ(LabelTextOf(controls[1]), "CD");
}

TEST(DialogBuilder, EscapeCancelsTheSettingsDialogAndClosesTheAboutBox)
{
    FramePtr frame = MakeFrame();
    frame->Show();
    // A dialog and what Escape ends it with.
    const std::pair<int, int> cases[] = {{130, wxID_CANCEL}, {100, wxID_OK}, {132, wxID_OK}};
    for (const auto& [id, result] : cases) {
        wxDialog dialog;
        ASSERT_TRUE(CreateDialog(&dialog, frame.get(), FindDialog(id)));
        dialog.CallAfter([&dialog] {
            wxKeyEvent escape(wxEVT_CHAR_HOOK);
            escape.m_keyCode = WXK_ESCAPE;
            escape.SetEventObject(&dialog);
            dialog.GetEventHandler()->ProcessEvent(escape);
        });
        // Ends a dialog that ignored the key, so a failure cannot hang the run.
        wxTimer guard;
        guard.Bind(wxEVT_TIMER, [&dialog](wxTimerEvent&) {
            if (dialog.IsModal())
                dialog.EndModal(-7);
        });
        guard.StartOnce(20000);
        EXPECT_EQ(dialog.ShowModal(), result) << "dialog " << id;
    }
}

TEST(DialogUnits, ConvertLikeWindowsWithRounding)
{
    EXPECT_EQ(DialogUnitsToPixels(wxSize(6, 12), 0, 0, 191, 260), wxRect(0, 0, 287, 390));
    EXPECT_EQ(DialogUnitsToPixels(wxSize(7, 15), 15, 85, 40, 10), wxRect(26, 159, 70, 19));
    EXPECT_EQ(DialogUnitsToPixels(wxSize(8, 16), 4, 8, 1, 1), wxRect(8, 16, 2, 2));
}

TEST(DialogUnits, BaseUnitsGrowWithTheFont)
{
    const wxSize small = DialogBaseUnits(DialogFont());
    wxFont large = DialogFont();
    large.SetPointSize(18);
    const wxSize big = DialogBaseUnits(large);
    EXPECT_GT(small.x, 2);
    EXPECT_GT(small.y, small.x);
    EXPECT_GT(big.x, small.x);
    EXPECT_GT(big.y, small.y);
}

TEST(DialogFont, IsAKoreanFaceAtNinePoints)
{
    const wxFont font = DialogFont();
    EXPECT_EQ(font.GetPointSize(), 9);
    if (wxFontEnumerator::IsValidFacename(wxString::FromUTF8("굴림")))
        EXPECT_EQ(font.GetFaceName().utf8_string(), "굴림");
    else if (wxFontEnumerator::IsValidFacename("NanumGothic"))
        EXPECT_EQ(font.GetFaceName(), "NanumGothic");
    else
        GTEST_SKIP() << "no Korean font installed";
}

}  // namespace
