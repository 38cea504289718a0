#include "app/AboutDialog.h"

#include "res/Dialogs.h"

#include <wx/app.h>

CAboutDialog::CAboutDialog(wxWindow* parent)
{
    const tessaline::res::DialogDef& definition = tessaline::res::FindDialog(IDD_ABOUT);
    const long style = definition.systemMenu ? wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX : wxCAPTION;
    Create(parent ? parent : (wxTheApp ? wxTheApp->GetTopWindow() : nullptr), wxID_ANY,
           wxString::FromUTF8(definition.title), wxDefaultPosition, wxDefaultSize, style);
    tessaline::res::BuildDialog(this, definition);
    SetEscapeId(wxID_OK);
    CentreOnParent();
}
