#include "app/TessalineDoc.h"

wxIMPLEMENT_DYNAMIC_CLASS(CTessalineDoc, wxDocument);

bool CTessalineDoc::OnNewDocument()
{
    if (!wxDocument::OnNewDocument())
        return false;
    m_settings = PortSettings{};
    return true;
}

bool CTessalineDoc::OnOpenDocument(const wxString& file)
{
    const wxString title = GetTitle();
    SetTitle(wxString());
    if (wxDocument::OnOpenDocument(file))
        return true;
    SetTitle(title);
    return false;
}

std::ostream& CTessalineDoc::SaveObject(std::ostream& stream)
{
    return stream;
}

std::istream& CTessalineDoc::LoadObject(std::istream& stream)
{
    return stream;
}
