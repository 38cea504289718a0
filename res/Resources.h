// The user-interface resources as tables, and builders that turn them into
// wxWidgets objects. The tables keep the classic numeric ids (resource.h);
// the builders use the wxWidgets id each command maps to.
//
// Threading: GUI thread for the builders; the tables are constant data.
#pragma once

#include "res/resource.h"
#include "ui/KeyMapping.h"

#include <wx/accel.h>
#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/string.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class wxDialog;
class wxFrame;
class wxMenuBar;
class wxRadioButton;
class wxStatusBar;
class wxWindow;
class wxToolBar;

namespace tessaline::res {

// Command ids: classic number -> wxWidgets id and back. Standard commands
// with a stock id use it (ID_FILE_NEW -> wxID_NEW, the recent files ->
// wxID_FILE1 and up); wxWidgets takes menu ids only below 0x7FFF, so the
// other commands move down: the program's own 32771..32773 by 0x6000 (to
// 8195..8197), the framework's 0xE000 and up by 0x8000 (0xE800 -> 0x6800).
int WxIdFromCommand(int commandId);
int CommandFromWxId(int wxId);

// The dialog-control id a wx dialog uses for a template id: IDOK (1) and
// IDCANCEL (2) become wxID_OK and wxID_CANCEL, -1 becomes wxID_ANY, others
// stay as they are.
int WxIdFromControl(int controlId);

// String table: UTF-8 text of a string id, or nullptr when the id has none.
const char* FindString(unsigned id);
// The text of a string id with "%1" to "%9" replaced by the arguments in
// order (inserted text is not scanned again); empty when the id has none.
std::string FormatString(unsigned id, std::initializer_list<std::string_view> arguments = {});
struct StringDef
{
    unsigned id;
    const char* text;  // UTF-8
};
const std::vector<StringDef>& StringTable();  // in ascending id order
// The status-bar prompt (first field) and tooltip (second field) of a command
// given by its classic id; empty when the command has no string or no tooltip.
wxString PromptOf(int commandId);
wxString TooltipOf(int commandId);

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

struct ToolbarDef
{
    int id;
    int buttonWidth, buttonHeight;
    std::vector<int> entries;  // command ids, 0 for a separator
};
const ToolbarDef& MainToolbar();
const ToolbarDef& PortToolbar();  // kept with the resources; nothing creates it

enum class ControlKind { GroupBox, AutoRadioButton, PushButton, DefPushButton, StaticText, StaticIcon };
struct ControlDef
{
    int id;  // -1 for none
    ControlKind kind;
    const char* text;         // UTF-8; for a static icon, unused
    int x, y, width, height;  // dialog units
    bool groupStart;
    bool tabStop;
    bool noPrefix;  // '&' shown as itself
};
struct DialogDef
{
    int id;
    const char* title;
    int width, height;  // dialog units
    bool systemMenu;    // caption with a close box
    std::vector<ControlDef> controls;
};
const DialogDef& FindDialog(int id);  // a template with id 0 and no controls for unknown ids

extern const int kStatusIndicators[4];

// Version information, also shown by `tessaline --version` and the desktop entry.
struct VersionInfo
{
    int fileVersion[4];
    int productVersion[4];
    const char* companyName;
    const char* fileDescription;
    const char* fileVersionText;
    const char* internalName;
    const char* legalTrademarks;
    const char* originalFilename;
    const char* productName;
    const char* productVersionText;
    unsigned language;  // 0x0412
    unsigned codePage;  // 1200
};
const VersionInfo& Version();
std::string VersionString();  // "1.0.0.1"

// 16 x 15 image of a toolbar command (classic id); invalid for other ids.
wxImage ToolbarImage(int commandId);
// Icon images drawn in code: iconId 128 or 129, size 32 or 16. Built without
// a display, so tools can write them as PNG files.
wxImage IconImage(int iconId, int size);

// Builders.
// The menu bar binds no keys (the accelerator table does): shortcut texts are
// shown beside their items only. Each item's help string is its prompt; the
// recent-file placeholder (wxID_FILE1) is disabled; the two View items are
// check items. Do not relabel stock items with SetItemLabel: wxGTK would bind
// their stock keys again.
wxMenuBar* CreateMainMenuBar();
// The keys of MainAccelerators, each also on the keypad's key of the same
// meaning (the keypad's Insert and Delete).
wxAcceleratorTable CreateMainAccelerators();
// Adds the buttons with their images, tooltips (short help) and prompts (long
// help) and the separators, then realizes the toolbar.
void PopulateToolBar(wxToolBar* toolBar, const ToolbarDef& def);
wxBitmap ToolbarStrip(const ToolbarDef& def);  // all button images side by side
wxIconBundle MainIcons();                      // icon 128, 32x32 and 16x16
wxIconBundle SecondIcons();                    // icon 129
// Creates the template's controls in `dialog` (already created with the
// template's title), sized and placed from dialog units of the dialog font,
// with the template's ids, groups and tab order; sets the client size.
// A static icon shows the 32x32 icon 128 at its full size, and a radio button
// too narrow for its label on GTK grows to fit. GTK always keeps one button of
// a radio group checked, so each group gets a hidden last member that holds
// the check while none of the template's buttons is checked: every group
// starts unchecked, as in the template.
void BuildDialog(wxDialog* dialog, const DialogDef& def);
// True for the hidden member BuildDialog adds to each radio group.
bool IsRadioGroupPlaceholder(const wxWindow* window);
// Unchecks every button of the group of `member` (a BuildDialog dialog).
void ClearRadioGroup(wxRadioButton* member);
// The dialog font: "굴림" 9 pt when installed, else a Korean sans.
wxFont DialogFont();
// Window style of a template: caption always; system menu and close box only
// when the template has them.
long DialogStyle(const DialogDef& def);
// Creates `dialog` with the template's title and style, builds it and centres
// it on its parent.
bool CreateDialog(wxDialog* dialog, wxWindow* parent, const DialogDef& def);
// Dialog base units of a font (average character width, character height),
// and a dialog-unit rectangle converted with them the way Windows does.
wxSize DialogBaseUnits(const wxFont& font);
wxRect DialogUnitsToPixels(const wxSize& baseUnits, int x, int y, int width, int height);

}  // namespace tessaline::res
