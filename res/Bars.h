// The toolbar and status-bar tables, and the toolbar builders.
//
// Threading: GUI thread for the builders; the tables are constant data.
#pragma once

#include "res/ResourceIds.h"

#include <wx/bitmap.h>

#include <vector>

class wxToolBar;

namespace tessaline::res {

struct ToolbarDef
{
    int id;
    int buttonWidth, buttonHeight;
    std::vector<int> entries;  // command ids, 0 for a separator
};
const ToolbarDef& MainToolbar();
const ToolbarDef& PortToolbar();  // kept with the resources; nothing creates it

// The status bar's panes: the message pane, then the lock-key indicators.
extern const int kStatusIndicators[4];

// Adds the buttons with their images, tooltips (short help) and prompts (long
// help) and the separators, then realizes the toolbar.
void PopulateToolBar(wxToolBar* toolBar, const ToolbarDef& def);
wxBitmap ToolbarStrip(const ToolbarDef& def);  // all button images side by side

}  // namespace tessaline::res
