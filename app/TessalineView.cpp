#include "app/TessalineView.h"

#include "app/DocumentManager.h"
#include "app/SerialConnection.h"
#include "app/TessalineDoc.h"
#include "res/CommandIds.h"

#include <wx/frame.h>
#include <wx/print.h>

#include <string>

wxIMPLEMENT_DYNAMIC_CLASS(CTessalineView, wxView);

CTessalineView::CTessalineView()
{
    for (const int id : {wxID_UNDO, wxID_CUT, wxID_COPY, wxID_PASTE, wxID_SELECTALL})
        Bind(wxEVT_MENU, &CTessalineView::OnEditCommand, this, id);
    for (const int id : {wxID_UNDO, wxID_CUT, wxID_COPY, wxID_PASTE})
        Bind(wxEVT_UPDATE_UI, &CTessalineView::OnUpdateEditCommand, this, id);
    const int clearAll = tessaline::res::WxIdFromCommand(ID_EDIT_CLEAR_ALL);
    Bind(wxEVT_MENU, &CTessalineView::OnClearAll, this, clearAll);
    Bind(wxEVT_UPDATE_UI, &CTessalineView::OnUpdateClearAll, this, clearAll);
}

CTessalineView::~CTessalineView()
{
    if (m_edit)
        m_edit->Destroy();
}

bool CTessalineView::OnCreate(wxDocument* document, long flags)
{
    if (!wxView::OnCreate(document, flags))
        return false;
    auto* documents = dynamic_cast<tessaline::app::DocumentManager*>(document->GetDocumentManager());
    wxFrame* frame = documents ? documents->GetViewSite().frame : nullptr;
    if (!frame)
        return false;
    m_connection = documents->GetViewSite().connection;
    SetFrame(frame);
    m_edit = new tessaline::ui::EditControl(frame);
    m_edit->SetCharHandler([this](wxChar32 character) { OnChar(character); });
    m_edit->SetFontSizeHandler([this](int points) {
        if (m_fontSizeObserver)
            m_fontSizeObserver(points);
    });
    frame->SendSizeEvent();
    m_edit->SetFocus();
    Activate(true);
    return true;
}

bool CTessalineView::OnClose(bool deleteWindow)
{
    if (!wxView::OnClose(deleteWindow))
        return false;
    Activate(false);
    return true;
}

void CTessalineView::OnDraw(wxDC*)
{
    // The edit control paints itself.
    (void)GetDocument();
}

void CTessalineView::OnChangeFilename()
{
    wxDocument* document = GetDocument();
    wxWindow* frame = GetFrame();
    if (document && frame && document->GetDocumentManager())
        frame->SetLabel(document->GetDocumentManager()->MakeFrameTitle(document));
}

wxPrintout* CTessalineView::OnCreatePrintout()
{
    if (!m_edit)
        return nullptr;
    wxString title;
    if (GetDocument())
        title = GetDocument()->GetUserReadableName();
    return m_edit->CreatePrintout(title).release();
}

void CTessalineView::AppendText(std::string_view text)
{
    if (m_insertionObserver)
        m_insertionObserver(text);
    if (m_edit)
        m_edit->AppendText(text);
}

std::string CTessalineView::GetText() const
{
    return m_edit ? m_edit->GetText() : std::string();
}

void CTessalineView::SetText(std::string_view text)
{
    if (!m_edit)
        return;
    m_edit->SetText(text);
    const auto end = static_cast<long>(m_edit->GetTextLength());
    m_edit->SetSel(end, end);
    m_edit->ScrollCaret();
}

int CTessalineView::FontPointSize() const
{
    return m_edit ? m_edit->FontPointSize() : 0;
}

void CTessalineView::SetFontPointSize(int points)
{
    if (m_edit)
        m_edit->SetFontPointSize(points);
}

void CTessalineView::ClearText()
{
    if (m_edit)
        m_edit->SetText({});
}

void CTessalineView::OnChar(wxChar32 character)
{
    if (!m_connection || !m_connection->IsOpen())
        return;

    // The character in the system's narrow encoding, UTF-8 here.
    std::string bytes;
    if (character < 0x80) {
        bytes.push_back(static_cast<char>(character));
    } else {
        bytes = wxString(wxUniChar(character)).utf8_string();
        if (bytes.empty())
            return;
    }
    // Bytes that arrived before the key are shown before its echo; they are
    // taken before the key goes out, which happens on the output's own
    // thread, so that the device's answer to the key comes after the echo.
    if (character != 0)
        m_connection->ShowArrived();
    m_connection->Send(bytes);

    if (character == 0)
        return;  // a zero byte is sent but shows nothing
    if (character == '\r')
        bytes = "\r\n";
    AppendText(bytes);
}

void CTessalineView::OnEditCommand(wxCommandEvent& event)
{
    if (!m_edit)
        return;
    switch (event.GetId()) {
    case wxID_UNDO: m_edit->Undo(); break;
    case wxID_CUT: m_edit->Cut(); break;
    case wxID_COPY: m_edit->Copy(); break;
    case wxID_PASTE: m_edit->Paste(); break;
    case wxID_SELECTALL: m_edit->SelectAll(); break;
    default: event.Skip();
    }
}

void CTessalineView::OnClearAll(wxCommandEvent&)
{
    ClearText();
}

void CTessalineView::OnUpdateClearAll(wxUpdateUIEvent& event)
{
    event.Enable(true);
}

void CTessalineView::OnUpdateEditCommand(wxUpdateUIEvent& event)
{
    if (!m_edit) {
        event.Enable(false);
        return;
    }
    switch (event.GetId()) {
    case wxID_UNDO: event.Enable(m_edit->CanUndo()); break;
    case wxID_CUT:
    case wxID_COPY: event.Enable(m_edit->HasSelection()); break;
    default: event.Enable(true);
    }
}
