// Shows a shortcut text such as "Ctrl+N" beside a menu item without binding
// the key. In wxWidgets a "\tCtrl+N" label part also installs a key binding
// (a GTK accelerator on wxGTK); the program's key bindings come from the
// accelerator table alone, so the text is put on the item's label widget.
//
// Threading: GUI thread only.
#pragma once

#include <wx/string.h>

class wxMenuItem;

namespace tessaline::keys {

// Displays `text` as the item's shortcut. The item must already be in a menu.
// Returns false when the toolkit offers no display-only shortcut.
bool ShowShortcutText(wxMenuItem* item, const wxString& text);

// The shortcut the item's label widget displays (key code 0 when none).
bool ShownShortcut(const wxMenuItem* item, int* keyCode, int* flags);

// wxGTK also binds the GTK stock key of a stock id (Ctrl+Q for wxID_EXIT,
// Ctrl+N for wxID_NEW ...) to menu items that carry no key of their own.
// These remove such bindings from an item that is already in a menu, and
// count them.
void RemoveKeyBindings(wxMenuItem* item);
int KeyBindingCount(const wxMenuItem* item);

}  // namespace tessaline::keys
