// The program's two icon groups as icon bundles.
//
// Threading: GUI thread only.
#pragma once

#include <wx/iconbndl.h>

namespace tessaline::res {

wxIconBundle MainIcons();    // icon 128, 32x32 and 16x16
wxIconBundle SecondIcons();  // icon 129

}  // namespace tessaline::res
