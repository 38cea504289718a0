#include "app/TessalineDoc.h"

#include "app/CommandLine.h"
#include "app/FileNames.h"
#include "app/Startup.h"
#include "res/Resources.h"

#include <wx/log.h>

#include <string>

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

bool CTessalineDoc::DoOpenDocument(const wxString& file)
{
    const std::string name = tessaline::app::FileNameFromWx(file);
    const std::string problem = tessaline::app::RegularFileProblem(name);
    if (problem.empty())
        return true;
    wxLogError("%s", tessaline::app::TextToWx(tessaline::app::ShortenedForMessageBox(tessaline::res::FormatString(
                         IDS_FILE_CANNOT_OPEN, {tessaline::app::QuotedArgument(name), problem}))));
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
