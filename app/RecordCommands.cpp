#include "app/RecordCommands.h"

#include "app/FileNames.h"
#include "app/LocalTime.h"
#include "app/TessalineApp.h"
#include "res/CommandIds.h"
#include "res/Strings.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/window.h>

namespace tessaline::app {

namespace {

// The log reaches its file within a second of its first buffered byte.
constexpr int kFlushMs = 500;

wxString ResourceText(unsigned id)
{
    return TextToWx(res::FormatString(id));
}

}  // namespace

RecordCommands::RecordCommands(wxWindow& parent, SerialConnection& connection)
    : m_parent(parent), m_connection(connection)
{
    m_flushTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_connection.FlushLog(); });
}

void RecordCommands::BindTo(wxEvtHandler& handler)
{
    using res::WxIdFromCommand;
    const int log = WxIdFromCommand(ID_COMM_LOG);
    const int reconnect = WxIdFromCommand(ID_COMM_RECONNECT);
    const int timestamps = WxIdFromCommand(ID_COMM_TIMESTAMPS);
    // clang-format off
    handler.Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnLog(); }, log);
    handler.Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnReconnect(); }, reconnect);
    handler.Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnTimestamps(); }, timestamps);
    handler.Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_connection.IsLogging()); }, log);
    handler.Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_connection.Reconnects()); },
                 reconnect);
    handler.Bind(wxEVT_UPDATE_UI, [this](wxUpdateUIEvent& event) { event.Check(m_connection.ShowsTimestamps()); },
                 timestamps);
    // clang-format on
}

void RecordCommands::SetLogPane(std::function<void(const wxString&)> show)
{
    m_showLogPane = std::move(show);
    UpdateLogPane();
}

TerminalOptions& RecordCommands::SavedOptions()
{
    CTessalineApp* app = CTessalineApp::Get();
    return app ? app->TerminalSettings() : m_ownOptions;
}

void RecordCommands::ApplyOptions(const TerminalOptions& options)
{
    m_connection.SetReconnect(options.reconnect);
    m_connection.SetTimestamps(options.timestamps, std::chrono::milliseconds(options.frameGapMs));
}

void RecordCommands::StartLog(const std::string& path)
{
    m_connection.StartLog(path);
    UpdateLogPane();
}

void RecordCommands::OnLog()
{
    if (m_connection.IsLogging()) {
        m_flushTimer.Stop();
        m_connection.StopLog();
        UpdateLogPane();
        return;
    }
    TerminalOptions& options = SavedOptions();
    const wxString filter = ResourceText(IDS_FILTER_LOG_FILES) + "|*.bin|" + ResourceText(IDS_FILTER_ALL_FILES) + "|*";
    // No overwrite question: an existing log is continued, never replaced.
    wxFileDialog dialog(&m_parent, res::TooltipOf(ID_COMM_LOG), FileNameToWx(options.logFolder),
                        FileNameToWx(DefaultLogName(std::time(nullptr))), filter, wxFD_SAVE);
    if (dialog.ShowModal() != wxID_OK)
        return;
    // Built from the folder and the name: the toolkit's whole path stays
    // empty for a dialog answered without its chooser ever showing.
    options.logFolder = FileNameFromWx(dialog.GetDirectory());
    StartLog(FileNameFromWx(wxFileName(dialog.GetDirectory(), dialog.GetFilename()).GetFullPath()));
}

void RecordCommands::OnReconnect()
{
    const bool on = !m_connection.Reconnects();
    m_connection.SetReconnect(on);
    SavedOptions().reconnect = on;
}

void RecordCommands::OnTimestamps()
{
    TerminalOptions& options = SavedOptions();
    const bool on = !m_connection.ShowsTimestamps();
    m_connection.SetTimestamps(on, std::chrono::milliseconds(options.frameGapMs));
    options.timestamps = on;
}

void RecordCommands::LogBuffered()
{
    if (!m_flushTimer.IsRunning())
        m_flushTimer.StartOnce(kFlushMs);
}

void RecordCommands::LogFailed(const std::string& message)
{
    m_flushTimer.Stop();
    UpdateLogPane();
    // Shown once the current drain is over: the box's own event loop must
    // not run further drains in the middle of this one.
    m_parent.CallAfter([message] { CTessalineApp::ShowMessage(message, wxICON_ERROR); });
}

void RecordCommands::UpdateLogPane()
{
    if (m_showLogPane)
        m_showLogPane(m_connection.IsLogging() ? ResourceText(IDS_PANE_LOG) : wxString());
}

std::string RecordCommands::DefaultLogName(std::time_t time)
{
    const std::tm local = tessaline::app::LocalTime(time);
    char name[64];
    std::strftime(name, sizeof name, "tessaline-%Y%m%d-%H%M%S.bin", &local);
    return name;
}

}  // namespace tessaline::app
