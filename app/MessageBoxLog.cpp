#include "app/MessageBoxLog.h"

#include "res/Strings.h"

#include <wx/msgdlg.h>

namespace tessaline::app {

wxString MessageBoxLog::Caption(long icon)
{
    const char* title = res::FindString(AFX_IDS_APP_TITLE);
    const unsigned id = (icon & wxICON_ERROR) == wxICON_ERROR ? IDS_CAPTION_ERROR : IDS_CAPTION_NOTICE;
    return wxString::FromUTF8(res::FormatString(id, {title ? title : ""}));
}

void MessageBoxLog::DoShowSingleLogMessage(const wxString& message, const wxString&, int style)
{
    wxMessageBox(message, Caption(style), wxOK | style);
}

void MessageBoxLog::DoShowMultipleLogMessages(const wxArrayString& messages, const wxArrayInt&, const wxArrayLong&,
                                              const wxString&, int style)
{
    wxString text;
    for (const wxString& message : messages)
        text += (text.empty() ? "" : "\n") + message;
    wxMessageBox(text, Caption(style), wxOK | style);
}

}  // namespace tessaline::app
