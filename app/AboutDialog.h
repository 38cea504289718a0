// CAboutDialog: the modal about box: the program's icon, its name and
// version, and one OK button that Enter and Escape also press.
//
// Threading: GUI thread only.
#pragma once

#include <wx/dialog.h>

class CAboutDialog : public wxDialog
{
public:
    explicit CAboutDialog(wxWindow* parent);
};
