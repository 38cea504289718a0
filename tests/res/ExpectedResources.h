// The rows the program's resources must hold, read from
// expected_resources.txt, which writes them out independently of the tables
// under test.
//
// Threading: the test thread only.
#pragma once

#include "res/Bars.h"
#include "res/CommandIds.h"
#include "res/Dialogs.h"
#include "res/Icons.h"
#include "res/Images.h"
#include "res/Menus.h"
#include "res/Strings.h"
#include "res/Version.h"

#include <string>
#include <vector>

namespace expected {

// Texts a row leaves out are empty.
struct MenuItem
{
    int id;  // classic command id, 0 for a separator
    std::string label, shortcut;
    bool grayed;
};
struct Menu
{
    std::string title;
    std::vector<MenuItem> items;
};
struct Accelerator
{
    int virtualKey;
    int flags;  // FVIRTKEY 0x01, FSHIFT 0x04, FCONTROL 0x08, FALT 0x10
    int command;
};
struct String
{
    unsigned id;
    std::string text;
};
struct Control
{
    int id;
    tessaline::res::ControlKind kind;
    std::string text;  // "*": any text
    int x, y, width, height;
    bool groupStart, tabStop, noPrefix;
};
struct Dialog
{
    int id;
    std::string title;
    int width, height;
    bool systemMenu;
    std::vector<Control> controls;
};

struct Resources
{
    std::vector<Menu> menus;
    std::vector<Accelerator> accelerators;
    std::vector<int> mainToolbar, portToolbar;  // commands, 0 for a separator
    std::vector<std::string> mainToolbarTooltips;
    std::vector<String> strings;
    std::vector<Dialog> dialogs;
};

// Read once, on first use; a row that cannot be read fails the test.
const Resources& Rows();

}  // namespace expected
