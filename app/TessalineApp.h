// CTessalineApp: the application object. OnInit reads the options and the
// per-user settings (recent files, port aliases), sets up the document
// manager with its one template, creates the main frame, then creates a new
// document or opens the file named on the command line; the frame is shown
// only when that succeeded. With --demo it serves the built-in demo device
// and maps COM1 to it. The About command is handled here.
//
// Threading: GUI thread only (the demo device serves on a thread of its
// own).
#pragma once

#include "app/CommandLine.h"
#include "app/DemoDevice.h"

#include <wx/app.h>

#include <memory>

class CMainFrame;
class DocumentManager;
class wxConfigBase;

class CTessalineApp : public wxApp {
public:
    static constexpr const char* kVendorName = "Local AppWizard-Generated Applications";
    static constexpr const char* kAppName = "Tessaline";

    CTessalineApp();
    ~CTessalineApp() override;

    bool OnInit() override;
    int OnExit() override;

    void OnAppAbout();

    CMainFrame* GetMainFrame() const;
    DocumentManager* GetDocumentManager() const { return m_docManager; }
    const tessaline::app::DemoDevice* GetDemoDevice() const { return m_demo.get(); }

    // The per-user settings file: the XDG config folder, then the vendor
    // and application names.
    static wxString SettingsFilePath();

    // The application object, or null when another one runs.
    static CTessalineApp* Get();

private:
    bool InitInstance(const tessaline::app::StartupOptions& options);
    void ApplyPortAliases(wxConfigBase& config, const tessaline::app::StartupOptions& options);
    void SaveSettings();

    DocumentManager* m_docManager = nullptr;
    std::unique_ptr<tessaline::app::DemoDevice> m_demo;
};
