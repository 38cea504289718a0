// CTessalineDoc: the single document. It holds the port settings; its
// content is the view's text, which the view keeps. Saving writes that text
// exactly as the view shows it (UTF-8, line breaks as they are). Opening
// reads a file back into the view, replacing its text, and leaves the port
// settings as they are; a new document gets the default settings and leaves
// the text alone. Opening never blocks: only a regular file is read, and it
// is opened without waiting, so a FIFO put in its place cannot hang the
// program. A file that is not UTF-8 text, or larger than the view's
// scrollback cap (it could not be shown whole), is refused with a message
// naming it, and the view and the document stay as they were.
//
// Threading: GUI thread only.
#pragma once

#include "app/PortSettings.h"

#include <wx/docview.h>

#include <string>

class CTessalineView;

class CTessalineDoc : public wxDocument
{
public:
    CTessalineDoc() = default;

    // Resets the settings to the defaults when the base accepts.
    bool OnNewDocument() override;
    // An opened file names the document, also when it is reused.
    bool OnOpenDocument(const wxString& file) override;

    // Reads the file itself, without blocking, and hands its text to the
    // view; says why when it refuses. (So LoadObject is never used.)
    bool DoOpenDocument(const wxString& file) override;

    // Writes the view's text; a failed write leaves the stream failed.
    std::ostream& SaveObject(std::ostream& stream) override;

    tessaline::app::PortSettings m_settings;

private:
    CTessalineView* TerminalView() const;
    // The largest text the view takes whole.
    std::size_t LargestText() const;

    wxDECLARE_DYNAMIC_CLASS(CTessalineDoc);
};
