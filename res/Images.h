// The toolbar images and the program's icon images, drawn in code.
//
// Threading: any thread (wxImage needs no display).
#pragma once

#include "res/ResourceIds.h"

#include <wx/image.h>

namespace tessaline::res {

// 16 x 15 image of a toolbar command (classic id); invalid for other ids.
wxImage ToolbarImage(int commandId);
// Icon images drawn in code: iconId 128 or 129, size 32 or 16. Built without
// a display, so tools can write them as PNG files.
wxImage IconImage(int iconId, int size);

}  // namespace tessaline::res
