// The main menu and accelerator tables, and the builders that turn them into
// a wxMenuBar and a wxAcceleratorTable. The tables keep the classic command
// ids (ResourceIds.h); the builders use the wxWidgets id each maps to.
//
// Threading: GUI thread for the builders; the tables are constant data.
#pragma once

#include "keys/KeyMapping.h"
#include "res/ResourceIds.h"

#include <wx/accel.h>

#include <vector>

class wxMenuBar;

namespace tessaline::res {

struct MenuItemDef
{
    int commandId;         // classic id; 0 for a separator
    const char* label;     // UTF-8, '&' marks the mnemonic; nullptr for a separator
    const char* shortcut;  // shown after a tab, or nullptr
    bool grayed;
};
struct MenuDef
{
    const char* title;
    std::vector<MenuItemDef> items;
};
const std::vector<MenuDef>& MainMenu();

// Modifier bits for AcceleratorDef.
using keys::kAlt;
using keys::kControl;
using keys::kShift;
using keys::kVirtKey;
struct AcceleratorDef
{
    int virtualKey;  // VK code, e.g. 'N', 0x2D (Insert), 0x75 (F6)
    int modifiers;
    int commandId;
};
const std::vector<AcceleratorDef>& MainAccelerators();
// wxWidgets key code of a virtual-key code (WXK_BACK for 0x08 ...), 0 if
// unknown, and the wxACCEL_* flags of AcceleratorDef modifiers.
using keys::WxAccelFlags;
using keys::WxKeyFromVirtualKey;

// The menu bar binds no keys (the accelerator table does): shortcut texts are
// shown beside their items only. Each item's help string is its prompt; the
// recent-file placeholder (wxID_FILE1) is disabled; the two View items are
// check items. Do not relabel stock items with SetItemLabel: wxGTK would bind
// their stock keys again.
wxMenuBar* CreateMainMenuBar();
// The keys of MainAccelerators, each also on the keypad's key of the same
// meaning (the keypad's Insert and Delete).
wxAcceleratorTable CreateMainAccelerators();

}  // namespace tessaline::res
