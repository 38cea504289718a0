// Key presses and the command each gives through the main accelerators (0:
// none), written out for the tests of the accelerator table and of the
// frame's own key handling.
#pragma once

#include <wx/defs.h>

namespace expected {

struct KeyChord
{
    int key;
    int flags;    // wxACCEL_CTRL, wxACCEL_SHIFT, wxACCEL_ALT
    int command;  // classic command id; 0: no command
};

inline const KeyChord kKeyChords[] = {
    {'N', wxACCEL_CTRL, 57600},
    {'O', wxACCEL_CTRL, 57601},
    {'S', wxACCEL_CTRL, 57603},
    {'P', wxACCEL_CTRL, 57607},
    {'Z', wxACCEL_CTRL, 57643},
    {'X', wxACCEL_CTRL, 57635},
    {'C', wxACCEL_CTRL, 57634},
    {'V', wxACCEL_CTRL, 57637},
    {WXK_BACK, wxACCEL_ALT, 57643},
    {WXK_DELETE, wxACCEL_SHIFT, 57635},
    {WXK_INSERT, wxACCEL_CTRL, 57634},
    {WXK_INSERT, wxACCEL_SHIFT, 57637},
    {WXK_NUMPAD_DELETE, wxACCEL_SHIFT, 57635},
    {WXK_NUMPAD_INSERT, wxACCEL_CTRL, 57634},
    {WXK_NUMPAD_INSERT, wxACCEL_SHIFT, 57637},
    {WXK_F6, 0, 57680},
    {WXK_F6, wxACCEL_SHIFT, 57681},
    {WXK_F4, 0, 32780},
    {WXK_F9, 0, 32785},
    // The same keys with other modifiers, and other keys.
    {'C', 0, 0},
    {'C', wxACCEL_SHIFT, 0},
    {'C', wxACCEL_CTRL | wxACCEL_SHIFT, 0},
    {'C', wxACCEL_CTRL | wxACCEL_ALT, 0},
    {'N', wxACCEL_ALT, 0},
    {'Q', wxACCEL_CTRL, 0},
    {'A', wxACCEL_CTRL, 0},
    {WXK_INSERT, 0, 0},
    {WXK_DELETE, 0, 0},
    {WXK_BACK, 0, 0},
    {WXK_F6, wxACCEL_CTRL, 0},
    {WXK_RETURN, 0, 0},
    {WXK_NUMPAD_ENTER, 0, 0},
    {WXK_NUMPAD_ENTER, wxACCEL_CTRL, 0},
    {WXK_NUMPAD_INSERT, 0, 0},
    {WXK_NUMPAD_DELETE, 0, 0},
};

}  // namespace expected
