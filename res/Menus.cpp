// The main menu and accelerator tables and the builders that turn them into
// a wxMenuBar and a wxAcceleratorTable.
#include "res/Menus.h"

#include "keys/MenuShortcutText.h"
#include "res/CommandIds.h"
#include "res/Strings.h"

#include <wx/defs.h>
#include <wx/menu.h>

namespace tessaline::res {
namespace {

std::vector<MenuDef> BuildMainMenu()
{
    return {
        {"파일(&F)",
         {
             {ID_FILE_NEW, "새 파일(&N)", "Ctrl+N", false},
             {ID_FILE_OPEN, "열기(&O)...", "Ctrl+O", false},
             {ID_FILE_SAVE, "저장(&S)", "Ctrl+S", false},
             {ID_FILE_SAVE_AS, "다른 이름으로 저장(&A)...", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_PORT_CONNECT, "접속", nullptr, false},
             {ID_PORT_DISCONNECT, "접속종료", nullptr, false},
             {ID_PORT_SETTINGS, "통신포트 설정", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_FILE_PRINT, "인쇄(&P)...", "Ctrl+P", false},
             {ID_FILE_PRINT_PREVIEW, "인쇄 미리 보기(&V)", nullptr, false},
             {ID_FILE_PRINT_SETUP, "인쇄 설정(&R)...", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_FILE_MRU_FILE1, "최근 파일", nullptr, true},
             {0, nullptr, nullptr, false},
             {ID_APP_EXIT, "종료(&X)", nullptr, false},
         }},
        {"편집(&E)",
         {
             {ID_EDIT_UNDO, "취소(&U)", "Ctrl+Z", false},
             {0, nullptr, nullptr, false},
             {ID_EDIT_CUT, "잘라내기(&T)", "Ctrl+X", false},
             {ID_EDIT_COPY, "복사(&C)", "Ctrl+C", false},
             {ID_EDIT_PASTE, "붙여넣기(&P)", "Ctrl+V", false},
         }},
        {"보기(&V)",
         {
             {ID_VIEW_TOOLBAR, "도구 모음(&T)", nullptr, false},
             {ID_VIEW_STATUS_BAR, "상태 표시줄(&S)", nullptr, false},
         }},
        {"통신(&C)",
         {
             {ID_COMM_SEND_BAR, "보내기 막대(&S)", "F4", false},
             {ID_COMM_SEND_FILE, "파일 보내기(&F)...", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_COMM_DTR, "DTR 켜기(&D)", nullptr, false},
             {ID_COMM_RTS, "RTS 켜기(&R)", nullptr, false},
             {ID_COMM_BREAK, "브레이크 보내기(&B)", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_COMM_LOG, "수신 기록(&L)...", "F9", false},
             {ID_COMM_RECONNECT, "자동 재접속(&A)", nullptr, false},
             {ID_COMM_TIMESTAMPS, "묶음마다 새 줄과 시각(&T)", nullptr, false},
             {0, nullptr, nullptr, false},
             {ID_EDIT_CLEAR_ALL, "화면 지우기(&E)", nullptr, false},
         }},
        {"도움말(&H)",
         {
             {ID_APP_ABOUT, "Tessaline 정보(&A)...", nullptr, false},
         }},
    };
}

// The bar toggles get a check mark while their bar is visible; the
// communication items, while their state is on (a file is being sent, a
// line is asserted, a log is open, an option is chosen).
bool IsToggleCommand(int commandId)
{
    switch (commandId) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_COMM_SEND_BAR:
    case ID_COMM_SEND_FILE:
    case ID_COMM_DTR:
    case ID_COMM_RTS:
    case ID_COMM_LOG:
    case ID_COMM_RECONNECT:
    case ID_COMM_TIMESTAMPS: return true;
    default: return false;
    }
}

}  // namespace

const std::vector<MenuDef>& MainMenu()
{
    static const std::vector<MenuDef> menu = BuildMainMenu();
    return menu;
}

const std::vector<AcceleratorDef>& MainAccelerators()
{
    static const std::vector<AcceleratorDef> table{
        {'N', kVirtKey | kControl, ID_FILE_NEW},
        {'O', kVirtKey | kControl, ID_FILE_OPEN},
        {'S', kVirtKey | kControl, ID_FILE_SAVE},
        {'P', kVirtKey | kControl, ID_FILE_PRINT},
        {'Z', kVirtKey | kControl, ID_EDIT_UNDO},
        {'X', kVirtKey | kControl, ID_EDIT_CUT},
        {'C', kVirtKey | kControl, ID_EDIT_COPY},
        {'V', kVirtKey | kControl, ID_EDIT_PASTE},
        {0x08, kVirtKey | kAlt, ID_EDIT_UNDO},
        {0x2E, kVirtKey | kShift, ID_EDIT_CUT},
        {0x2D, kVirtKey | kControl, ID_EDIT_COPY},
        {0x2D, kVirtKey | kShift, ID_EDIT_PASTE},
        {0x75, kVirtKey, ID_NEXT_PANE},
        {0x75, kVirtKey | kShift, ID_PREV_PANE},
        {0x73, kVirtKey, ID_COMM_SEND_BAR},
        {0x78, kVirtKey, ID_COMM_LOG},
    };
    return table;
}

wxAcceleratorTable CreateMainAccelerators()
{
    std::vector<wxAcceleratorEntry> entries;
    for (const AcceleratorDef& def : MainAccelerators()) {
        entries.emplace_back(WxAccelFlags(def.modifiers), WxKeyFromVirtualKey(def.virtualKey),
                             WxIdFromCommand(def.commandId));
        // The keypad's Insert, Delete ... are the same keys to the classic platform.
        if (const int keypadKey = keys::WxKeypadKeyFromVirtualKey(def.virtualKey))
            entries.emplace_back(WxAccelFlags(def.modifiers), keypadKey, WxIdFromCommand(def.commandId));
    }
    return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

wxMenuBar* CreateMainMenuBar()
{
    auto* bar = new wxMenuBar;
    for (const MenuDef& def : MainMenu()) {
        auto* menu = new wxMenu;
        for (const MenuItemDef& item : def.items) {
            if (item.commandId == 0) {
                menu->AppendSeparator();
                continue;
            }
            // Key bindings come from the accelerator table alone: the label
            // carries no "\t" part (wx would bind it), the stock keys wxGTK
            // adds for stock ids (Ctrl+Q for Exit ...) are removed, and the
            // shortcut is shown as text only.
            wxMenuItem* menuItem =
                menu->Append(WxIdFromCommand(item.commandId), wxString::FromUTF8(item.label), PromptOf(item.commandId),
                             IsToggleCommand(item.commandId) ? wxITEM_CHECK : wxITEM_NORMAL);
            keys::RemoveKeyBindings(menuItem);
            if (item.grayed)
                menuItem->Enable(false);
            if (item.shortcut)
                keys::ShowShortcutText(menuItem, wxString::FromUTF8(item.shortcut));
        }
        bar->Append(menu, wxString::FromUTF8(def.title));
    }
    return bar;
}

}  // namespace tessaline::res
