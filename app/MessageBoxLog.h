// MessageBoxLog: the program's log target. What is logged for the user
// (errors, warnings, notices; the toolkit's own messages too) is shown in a
// message box, as the toolkit's target shows it, but under the program's
// captions from the string table: "Tessaline 오류" for errors and
// "Tessaline 알림" for the rest, the same captions as every other message
// box of the program. Several messages logged together share one box.
//
// Threading: messages may be logged from any thread; they are shown when the
// GUI thread flushes the log.
#pragma once

#include <wx/log.h>

namespace tessaline::app {

class MessageBoxLog : public wxLogGui
{
public:
    // The caption of a message box with `icon` (wxICON_ERROR: an error).
    static wxString Caption(long icon);

private:
    void DoShowSingleLogMessage(const wxString& message, const wxString& title, int style) override;
    void DoShowMultipleLogMessages(const wxArrayString& messages, const wxArrayInt& severities,
                                   const wxArrayLong& times, const wxString& title, int style) override;
};

}  // namespace tessaline::app
