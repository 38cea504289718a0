// CTessalineApp: the application object. OnInit takes what was settled
// before the toolkit started (options, settings file, port aliases, the
// file argument; see app/Startup.h), or settles it itself when nobody did,
// sets up the document manager with its one template and the recent-file
// list, creates the main frame, then creates a new document or opens the
// file named on the command line; the frame is shown only when that
// succeeded. A file argument that is not a regular file is reported and the
// program starts untitled. With --demo it serves the built-in demo device
// and maps COM1 to it. It keeps the terminal options: the copy as at start
// (the settings file's with this run's command-line overrides) and the live
// copy the menus change; the live copy goes to the frame, and --log starts
// the receive log once the frame shows. On exit the recent-file list and the
// options that differ from the start are merged back into the settings
// file, so an override for one run is not saved. The About command is
// handled here.
//
// Threading: GUI thread only (the demo device serves on a thread of its
// own).
#pragma once

#include "app/DemoDevice.h"
#include "app/Startup.h"
#include "app/TerminalOptions.h"

#include <wx/app.h>
#include <wx/weakref.h>

#include <memory>
#include <optional>

class CMainFrame;

namespace tessaline::app {
class DocumentManager;
class TestPeer;
}  // namespace tessaline::app

class CTessalineApp : public wxApp
{
public:
    static constexpr const char* kVendorName = "Local AppWizard-Generated Applications";
    static constexpr const char* kAppName = "Tessaline";

    CTessalineApp();
    ~CTessalineApp() override;

    // Hands over what main settled before the toolkit started.
    void SetStartupState(tessaline::app::StartupState state) { m_state = std::move(state); }

    bool OnInit() override;
    int OnExit() override;

    void OnAppAbout();

    CMainFrame* GetMainFrame() const;

    // The terminal options as they are now; change them here.
    tessaline::app::TerminalOptions& TerminalSettings() { return m_terminal; }

    // A message box over the main window (or alone), its text shortened and
    // wrapped to fit the screen.
    static void ShowMessage(const std::string& text, long icon);

    // The application object, or null when another one runs.
    static CTessalineApp* Get();

private:
    friend class tessaline::app::TestPeer;

    bool InitInstance();
    void OnAboutCommand(wxCommandEvent& event);
    void StartDemoDevice();
    // Hands this run's terminal options to the frame, its send bar and the
    // view, takes back what the user changes, and starts --log.
    void ApplyTerminalOptions(CMainFrame& frame);
    void SaveSettings();

    std::optional<tessaline::app::StartupState> m_state;
    tessaline::app::DocumentManager* m_docManager = nullptr;
    wxWeakRef<CMainFrame> m_frame;  // gone once the window is destroyed
    std::unique_ptr<tessaline::app::DemoDevice> m_demo;
    tessaline::app::TerminalOptions m_terminal;
};
