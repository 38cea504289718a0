#include "app/TessalineDoc.h"

#include "app/CommandLine.h"
#include "app/FileNames.h"
#include "app/Startup.h"

#include <wx/log.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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
    const int fd = name.empty() ? -1 : ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int error = fd < 0 ? (name.empty() ? ENOENT : errno) : 0;
    struct stat info {};
    const bool regular = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (fd >= 0)
        ::close(fd);
    if (regular)
        return true;
    const std::string reason = fd < 0 ? std::strerror(error) : "it is not a regular file";
    wxLogError("%s", tessaline::app::TextToWx(tessaline::app::ShortenedForMessageBox(
                         "Cannot open " + tessaline::app::QuotedArgument(name) + ": " + reason + ".")));
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
