// Toolbar and status-bar tables, and the toolbar builders.
#include "res/Bars.h"

#include "res/CommandIds.h"
#include "res/Images.h"
#include "res/Strings.h"

#include <wx/toolbar.h>

namespace tessaline::res {

const int kStatusIndicators[4] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

const ToolbarDef& MainToolbar()
{
    static const ToolbarDef def{
        IDR_MAINFRAME,
        16,
        15,
        {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0,
         ID_APP_ABOUT},
    };
    return def;
}

const ToolbarDef& PortToolbar()
{
    static const ToolbarDef def{
        IDR_PORT_TOOLBAR,
        16,
        15,
        {ID_PORT_CONNECT, ID_PORT_DISCONNECT, 0, ID_PORT_SETTINGS},
    };
    return def;
}

void PopulateToolBar(wxToolBar* toolBar, const ToolbarDef& def)
{
    toolBar->SetToolBitmapSize(wxSize(def.buttonWidth, def.buttonHeight));
    for (int commandId : def.entries) {
        if (commandId == 0) {
            toolBar->AddSeparator();
            continue;
        }
        // The short help is the tooltip; the long help goes to the status bar.
        const int id = WxIdFromCommand(commandId);
        toolBar->AddTool(id, wxEmptyString, wxBitmap(ToolbarImage(commandId)), TooltipOf(commandId));
        toolBar->SetToolLongHelp(id, PromptOf(commandId));
    }
    toolBar->Realize();
}

wxBitmap ToolbarStrip(const ToolbarDef& def)
{
    int count = 0;
    for (int commandId : def.entries) {
        if (commandId != 0)
            ++count;
    }
    wxImage strip(count * def.buttonWidth, def.buttonHeight);
    int x = 0;
    for (int commandId : def.entries) {
        if (commandId == 0)
            continue;
        wxImage image = ToolbarImage(commandId);
        if (image.HasMask() && !strip.HasMask())
            strip.SetMaskColour(image.GetMaskRed(), image.GetMaskGreen(), image.GetMaskBlue());
        strip.Paste(image, x, 0);
        x += def.buttonWidth;
    }
    return wxBitmap(strip);
}

}  // namespace tessaline::res
