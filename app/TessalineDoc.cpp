#include "app/TessalineDoc.h"

#include "app/FileNames.h"
#include "app/RegularFile.h"
#include "app/Startup.h"
#include "app/TessalineView.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <wx/log.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ostream>

wxIMPLEMENT_DYNAMIC_CLASS(CTessalineDoc, wxDocument);

namespace {

// Reads the regular file `name` into *text, at most maxBytes of it; empty
// when it did, else why not. The file is opened without waiting and checked
// again once open, in case something else was put in its place.
std::string ReadRegularFile(const std::string& name, std::size_t maxBytes, std::string* text)
{
    const std::string problem = tessaline::app::RegularFileProblem(name);
    if (!problem.empty())
        return problem;
    tessaline::app::RegularFile file;
    std::string result = file.OpenForReading(name);
    if (!result.empty())
        return result;
    if (file.Size() > maxBytes)
        return std::strerror(EFBIG);
    text->reserve(static_cast<std::size_t>(file.Size()));
    char buffer[65536];
    while (result.empty()) {
        const std::ptrdiff_t got = file.Read(buffer, sizeof buffer, &result);
        if (got == 0)
            break;
        if (got > 0 && text->size() + static_cast<std::size_t>(got) > maxBytes)
            result = std::strerror(EFBIG);  // it grew while being read
        else if (got > 0)
            text->append(buffer, static_cast<std::size_t>(got));
    }
    return result;
}

}  // namespace

bool CTessalineDoc::OnNewDocument()
{
    if (!wxDocument::OnNewDocument())
        return false;
    m_settings = tessaline::app::PortSettings{};
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
    using namespace tessaline::app;
    const std::string name = FileNameFromWx(file);
    std::string text;
    std::string problem = ReadRegularFile(name, LargestText(), &text);
    if (problem.empty() && !tessaline::ui::IsValidUtf8(text))
        problem = tessaline::res::FormatString(IDS_SETTINGS_NOT_UTF8);
    if (problem.empty()) {
        if (CTessalineView* view = TerminalView())
            view->SetText(text);
        return true;
    }
    const std::string message =
        tessaline::res::FormatString(IDS_FILE_CANNOT_OPEN, {tessaline::ui::QuotedArgument(name), problem});
    wxLogError("%s", TextToWx(ShortenedForMessageBox(message)));
    return false;
}

std::ostream& CTessalineDoc::SaveObject(std::ostream& stream)
{
    if (CTessalineView* view = TerminalView()) {
        const std::string text = view->GetText();
        stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    // A write the buffer still holds fails here, not unnoticed later.
    return stream.flush();
}

CTessalineView* CTessalineDoc::TerminalView() const
{
    for (wxView* view : GetViewsVector()) {
        if (auto* terminal = wxDynamicCast(view, CTessalineView))
            return terminal;
    }
    return nullptr;
}

std::size_t CTessalineDoc::LargestText() const
{
    const CTessalineView* view = TerminalView();
    const tessaline::ui::EditControl* edit = view ? view->GetEditControl() : nullptr;
    const std::size_t limit = edit ? edit->GetScrollbackLimit() : 0;
    return limit != 0 ? limit : static_cast<std::size_t>(PTRDIFF_MAX);
}
