// CTessalineView: the document's single view, our edit control filling the
// main frame's client area. Received hex text and the echo of typed
// characters are appended to it at the caret, without undo. Each typed
// character goes to the connection's output as bytes (a character outside
// ASCII as its UTF-8 bytes) and is echoed, a carriage
// return as CR LF; nothing is sent or shown while the port is closed. Its
// frame and connection are those the document manager's view site names.
// Copy, cut, paste and undo act on the control; printing lays its text out.
//
// Threading: GUI thread only.
#pragma once

#include "ui/EditControl.h"

#include <wx/docview.h>
#include <wx/weakref.h>

#include <functional>
#include <string_view>

namespace tessaline::app {
class SerialConnection;
}

class CTessalineView : public wxView
{
public:
    using InsertionObserver = std::function<void(std::string_view text)>;

    CTessalineView();
    ~CTessalineView() override;

    bool OnCreate(wxDocument* document, long flags) override;
    bool OnClose(bool deleteWindow) override;
    void OnDraw(wxDC* dc) override;
    // The frame's caption: the document's name, then the program's.
    void OnChangeFilename() override;
    wxPrintout* OnCreatePrintout() override;

    // A typed character, as the edit control reports it.
    void OnChar(wxChar32 character);

    // Appends at the caret: drop the selection, keep the caret in view, then
    // insert without undo.
    void AppendText(std::string_view text);

    tessaline::ui::EditControl* GetEditControl() const { return m_edit.get(); }

    // Sees every appended text, the empty ones included.
    void SetInsertionObserver(InsertionObserver observer) { m_insertionObserver = std::move(observer); }

private:
    void OnEditCommand(wxCommandEvent& event);
    void OnUpdateEditCommand(wxUpdateUIEvent& event);

    wxWeakRef<tessaline::ui::EditControl> m_edit;
    tessaline::app::SerialConnection* m_connection = nullptr;
    InsertionObserver m_insertionObserver;

    wxDECLARE_DYNAMIC_CLASS(CTessalineView);
    wxDECLARE_EVENT_TABLE();
};
