// CTessalineDoc: the single document. It holds the port settings and
// nothing else; the terminal text lives in the view. Saving writes an empty
// file and opening reads nothing, so an opened file leaves the settings as
// they are; a new document gets the default settings. Opening never blocks.
//
// Threading: GUI thread only.
#pragma once

#include "app/PortSettings.h"

#include <wx/docview.h>

class CTessalineDoc : public wxDocument
{
public:
    CTessalineDoc() = default;

    // Resets the settings to the defaults when the base accepts.
    bool OnNewDocument() override;
    // An opened file names the document, also when it is reused.
    bool OnOpenDocument(const wxString& file) override;

    // Nothing is read, but the file must be a regular file that can be
    // opened: it is opened without blocking (a FIFO put in its place cannot
    // hang the program) and closed again.
    bool DoOpenDocument(const wxString& file) override;

    // The document stores nothing: both leave the stream untouched.
    std::ostream& SaveObject(std::ostream& stream) override;
    std::istream& LoadObject(std::istream& stream) override;

    PortSettings m_settings;

private:
    wxDECLARE_DYNAMIC_CLASS(CTessalineDoc);
};
