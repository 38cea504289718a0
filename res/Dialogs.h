// The dialog templates, and the builders that create a wxDialog's controls
// from one, placed in dialog units of the dialog font as the classic
// platform places them.
//
// Threading: GUI thread for the builders; the templates are constant data.
#pragma once

#include "res/ResourceIds.h"

#include <wx/font.h>
#include <wx/gdicmn.h>

#include <vector>

class wxDialog;
class wxRadioButton;
class wxWindow;

namespace tessaline::res {

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
