#include "keys/KeyMapping.h"

#include <wx/accel.h>
#include <wx/event.h>

namespace tessaline::keys {
namespace {

constexpr int kVkF1 = 0x70;
constexpr int kVkF24 = 0x87;
constexpr unsigned kGdkKeyF1 = 0xFFBE;

struct NamedKey
{
    int virtualKey;
    int keyCode;
    int keypadCode;  // the keypad's key of the same meaning, or 0
};

// Virtual keys other than letters, digits and F1-F24.
constexpr NamedKey kNamedKeys[] = {
    {0x08, WXK_BACK, 0},
    {0x09, WXK_TAB, WXK_NUMPAD_TAB},
    {0x0D, WXK_RETURN, WXK_NUMPAD_ENTER},
    {0x1B, WXK_ESCAPE, 0},
    {0x20, WXK_SPACE, WXK_NUMPAD_SPACE},
    {0x21, WXK_PAGEUP, WXK_NUMPAD_PAGEUP},
    {0x22, WXK_PAGEDOWN, WXK_NUMPAD_PAGEDOWN},
    {0x23, WXK_END, WXK_NUMPAD_END},
    {0x24, WXK_HOME, WXK_NUMPAD_HOME},
    {0x25, WXK_LEFT, WXK_NUMPAD_LEFT},
    {0x26, WXK_UP, WXK_NUMPAD_UP},
    {0x27, WXK_RIGHT, WXK_NUMPAD_RIGHT},
    {0x28, WXK_DOWN, WXK_NUMPAD_DOWN},
    {0x2D, WXK_INSERT, WXK_NUMPAD_INSERT},
    {0x2E, WXK_DELETE, WXK_NUMPAD_DELETE},
};

const NamedKey* FindNamedKey(int virtualKey)
{
    for (const NamedKey& key : kNamedKeys) {
        if (key.virtualKey == virtualKey)
            return &key;
    }
    return nullptr;
}

// What Ctrl turns a typed character into, for the characters that are not
// letters; kNoCharacter when Ctrl leaves it as it is.
wxChar32 ControlOf(wxChar32 unicode)
{
    switch (unicode) {
    case '@':
    case ' ':
    case '2': return 0x00;
    case '[':
    case '\\':
    case ']':
    case '^':
    case '_': return unicode & 0x1F;
    case '6': return 0x1E;
    case '-': return 0x1F;
    case 0x0D: return 0x0A;
    case 0x08: return 0x7F;
    default: return kNoCharacter;
    }
}

}  // namespace

int WxKeyFromVirtualKey(int virtualKey)
{
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return virtualKey;
    if (virtualKey >= kVkF1 && virtualKey <= kVkF24)
        return WXK_F1 + (virtualKey - kVkF1);
    const NamedKey* key = FindNamedKey(virtualKey);
    return key ? key->keyCode : 0;
}

int WxKeypadKeyFromVirtualKey(int virtualKey)
{
    const NamedKey* key = FindNamedKey(virtualKey);
    return key ? key->keypadCode : 0;
}

int WxAccelFlags(int modifiers)
{
    int flags = wxACCEL_NORMAL;
    if (modifiers & kControl)
        flags |= wxACCEL_CTRL;
    if (modifiers & kShift)
        flags |= wxACCEL_SHIFT;
    if (modifiers & kAlt)
        flags |= wxACCEL_ALT;
    return flags;
}

int ModifiersOf(const wxKeyEvent& event)
{
    int modifiers = 0;
    if (event.ShiftDown())
        modifiers |= kShift;
    if (event.RawControlDown())
        modifiers |= kControl;
    if (event.AltDown())
        modifiers |= kAlt;
    return modifiers;
}

bool KeyMatches(int virtualKey, int keyCode)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return keyCode == virtualKey || keyCode == virtualKey + ('a' - 'A');
    const int wxKey = WxKeyFromVirtualKey(virtualKey);
    if (wxKey == 0)
        return false;
    const int keypadKey = WxKeypadKeyFromVirtualKey(virtualKey);
    return keyCode == wxKey || (keypadKey != 0 && keyCode == keypadKey);
}

bool ChordMatches(int virtualKey, int modifiers, const wxKeyEvent& event)
{
    return (modifiers & (kShift | kControl | kAlt)) == ModifiersOf(event) && KeyMatches(virtualKey, event.GetKeyCode());
}

wxChar32 TypedCharacter(int keyCode, wxChar32 unicode, bool ctrl)
{
    if (unicode == static_cast<wxChar32>(WXK_NONE)) {
        if (keyCode != WXK_NUMPAD_ENTER)
            return kNoCharacter;
        unicode = 0x0D;
    }
    if (!ctrl)
        return unicode;
    if ((unicode >= 'a' && unicode <= 'z') || (unicode >= 'A' && unicode <= 'Z'))
        return unicode & 0x1F;
    const wxChar32 control = ControlOf(unicode);
    return control == kNoCharacter ? unicode : control;
}

bool ParseShortcutText(const wxString& text, int* keyCode, int* flags)
{
    wxString rest = text;
    int modifiers = wxACCEL_NORMAL;
    for (;;) {
        if (rest.StartsWith("Ctrl+", &rest))
            modifiers |= wxACCEL_CTRL;
        else if (rest.StartsWith("Shift+", &rest))
            modifiers |= wxACCEL_SHIFT;
        else if (rest.StartsWith("Alt+", &rest))
            modifiers |= wxACCEL_ALT;
        else
            break;
    }
    int key = 0;
    unsigned long number = 0;
    if (rest.length() == 1 && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= '0' && rest[0] <= '9')))
        key = static_cast<int>(rest[0].GetValue());
    else if (rest.length() >= 2 && rest[0] == 'F' && rest.Mid(1).ToULong(&number) && number >= 1 && number <= 24)
        key = WXK_F1 + static_cast<int>(number) - 1;
    if (key == 0)
        return false;
    *keyCode = key;
    *flags = modifiers;
    return true;
}

unsigned GdkKeyvalFromWxKey(int keyCode)
{
    if (keyCode >= WXK_F1 && keyCode <= WXK_F24)
        return kGdkKeyF1 + static_cast<unsigned>(keyCode - WXK_F1);
    return static_cast<unsigned>(keyCode);  // letters and digits: their Latin-1 code
}

int WxKeyFromGdkKeyval(unsigned keyval)
{
    if (keyval >= kGdkKeyF1 && keyval < kGdkKeyF1 + 24)
        return WXK_F1 + static_cast<int>(keyval - kGdkKeyF1);
    if (keyval >= 'a' && keyval <= 'z')
        return static_cast<int>(keyval - 'a' + 'A');
    return static_cast<int>(keyval);
}

}  // namespace tessaline::keys
