// Keyboard mapping, in one place for the frame, the edit control and the
// resource builders: virtual-key codes and wx key codes, accelerator
// matching, the characters a key types (control characters included) and
// the shortcut texts shown beside menu items.
//
// Threading: pure functions; any thread.
#pragma once

#include <wx/defs.h>
#include <wx/string.h>

class wxKeyEvent;

namespace tessaline::keys {

// Modifier bits of an accelerator entry.
enum : int { kVirtKey = 0x01, kShift = 0x04, kControl = 0x08, kAlt = 0x10 };

// wxWidgets key code of a virtual-key code (WXK_BACK for 0x08 ...), 0 if
// unknown.
int WxKeyFromVirtualKey(int virtualKey);
// The keypad's key of the same meaning (WXK_NUMPAD_INSERT for Insert, the
// keypad's Delete, Enter, arrows ...), 0 when the keypad has none; an
// accelerator on the key is on that key too.
int WxKeypadKeyFromVirtualKey(int virtualKey);
// wxACCEL_* flags of accelerator modifier bits.
int WxAccelFlags(int modifiers);
// The kShift / kControl / kAlt bits held down in a key event (Control is the
// real Ctrl key, never the Mac's Command key).
int ModifiersOf(const wxKeyEvent& event);
// True when the wx key code is the virtual key: letters in either case, the
// keypad's Insert and Delete for theirs.
bool KeyMatches(int virtualKey, int keyCode);
// True when the event is exactly that key with exactly those modifiers
// (kVirtKey is ignored).
bool ChordMatches(int virtualKey, int modifiers, const wxKeyEvent& event);

// The character a key press types, as the classic platform reports it:
// Ctrl+letter and Ctrl with @ [ \ ] ^ _ give the C0 controls 0x00-0x1F
// (Ctrl+Space and Ctrl+2 type 0x00 too, Ctrl+6 0x1E, Ctrl+- 0x1F),
// Ctrl+Enter a line feed, Ctrl+Backspace DEL. kNoCharacter for keys that
// type nothing.
constexpr wxChar32 kNoCharacter = 0xFFFFFFFF;
wxChar32 TypedCharacter(int keyCode, wxChar32 unicode, bool ctrl);

// A shortcut text split into a wx key code and wxACCEL_* flags; false when
// the text is not of the form [Ctrl+][Shift+][Alt+]<letter, digit or Fn>.
bool ParseShortcutText(const wxString& text, int* keyCode, int* flags);

// The GDK key value of a shortcut's wx key code (letters, digits, F1-F24)
// and back (a lower-case letter gives the upper-case key code).
unsigned GdkKeyvalFromWxKey(int keyCode);
int WxKeyFromGdkKeyval(unsigned keyval);

}  // namespace tessaline::keys
