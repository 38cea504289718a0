// RecordCommands: the communication menu's items for keeping a record and
// staying connected. "수신 기록..." opens a save dialog (a dated default
// name in the folder last used) and starts the connection's receive log, or
// stops the log when one is open; its item is checked while a log is open.
// "자동 재접속" and "묶음마다 새 줄과 시각" are check items that switch the
// connection's reconnection and burst timestamps. It keeps the log pane's
// text, flushes the log within a second of its first buffered byte (a
// one-shot timer that runs only while bytes wait), and shows the one
// message box of a log failure once the drain that met it has finished.
//
// What the user chooses here goes to the connection and to the terminal
// options the program saves; the options of one run (from the command line)
// go only to the connection.
//
// Threading: GUI thread only.
#pragma once

#include "app/SerialConnection.h"
#include "app/TerminalOptions.h"

#include <wx/event.h>
#include <wx/timer.h>

#include <ctime>
#include <functional>
#include <string>

class wxWindow;

namespace tessaline::app {

class RecordCommands
{
public:
    RecordCommands(wxWindow& parent, SerialConnection& connection);

    // Binds the three items' commands and check marks on `handler`.
    void BindTo(wxEvtHandler& handler);
    // Where the log pane's text goes ("기록" while a log is open).
    void SetLogPane(std::function<void(const wxString&)> show);

    // The options of this run: reconnection, timestamps and their gap.
    void ApplyOptions(const TerminalOptions& options);
    // Starts the log at `path`; a failure is shown in a message box.
    void StartLog(const std::string& path);

    void OnLog();
    void OnReconnect();
    void OnTimestamps();

    // What the connection reports about its log.
    void LogBuffered();
    void LogFailed(const std::string& message);

    // "tessaline-YYYYMMDD-HHMMSS.bin" for `time`, in local time.
    static std::string DefaultLogName(std::time_t time);

private:
    // The terminal options the program saves.
    TerminalOptions& SavedOptions();
    void UpdateLogPane();

    wxWindow& m_parent;
    SerialConnection& m_connection;
    std::function<void(const wxString&)> m_showLogPane;
    wxTimer m_flushTimer;
    // Stands in for the saved options when no application object runs.
    TerminalOptions m_ownOptions;
};

}  // namespace tessaline::app
