#include "app/AboutDialog.h"

#include "res/Dialogs.h"

CAboutDialog::CAboutDialog(wxWindow* parent)
{
    tessaline::res::CreateDialog(this, parent, tessaline::res::FindDialog(IDD_ABOUT));
    SetEscapeId(wxID_OK);
}
