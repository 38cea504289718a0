// CTessalineView: the document's single view, our edit control filling the
// main frame's client area. Received hex text and the echo of typed
// characters are appended at the end of its text, without undo, wherever
// the user's caret and selection are. Each typed character goes to the
// connection's output as bytes (a character outside ASCII as its UTF-8
// bytes) and is echoed, a carriage
// return as CR LF; nothing is sent or shown while the port is closed. Its
// frame and connection are those the document manager's view site names.
// Copy, cut, paste and undo act on the control, the clear command empties
// it; printing lays its text out.
//
// Threading: GUI thread only.
#pragma once

#include "ui/EditControl.h"

#include <wx/docview.h>
#include <wx/weakref.h>

#include <functional>
#include <string>
#include <string_view>

namespace tessaline::app {
class SerialConnection;
class TestPeer;
}  // namespace tessaline::app

class CTessalineView : public wxView
{
public:
    using InsertionObserver = std::function<void(std::string_view text)>;
    using FontSizeObserver = std::function<void(int points)>;

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

    // Appends at the end of the text without undo; the caret and the
    // selection stay, and the view follows the end while the caret is there.
    void AppendText(std::string_view text);

    // The text as the view shows it, and all of it replaced (an opened
    // file): no undo, the caret at the end so that the view follows new text.
    std::string GetText() const;
    void SetText(std::string_view text);

    // Empties the view, received text and echo alike, for good: the undo
    // record goes too. The clear command (always enabled) comes here.
    void ClearText();

    // Text size in points, as the edit control has it: the size in use, and
    // a new one (clamped to 6..36; 0 for the default). The observer hears
    // each change the user makes with Ctrl + mouse wheel, so that the size
    // can be kept in the settings; SetFontPointSize does not call it.
    int FontPointSize() const;
    void SetFontPointSize(int points);
    void SetFontSizeObserver(FontSizeObserver observer) { m_fontSizeObserver = std::move(observer); }

    tessaline::ui::EditControl* GetEditControl() const { return m_edit.get(); }

private:
    friend class tessaline::app::TestPeer;

    void OnEditCommand(wxCommandEvent& event);
    void OnUpdateEditCommand(wxUpdateUIEvent& event);
    void OnClearAll(wxCommandEvent& event);
    void OnUpdateClearAll(wxUpdateUIEvent& event);

    wxWeakRef<tessaline::ui::EditControl> m_edit;
    tessaline::app::SerialConnection* m_connection = nullptr;
    InsertionObserver m_insertionObserver;
    FontSizeObserver m_fontSizeObserver;

    wxDECLARE_DYNAMIC_CLASS(CTessalineView);
};
