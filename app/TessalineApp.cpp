#include "app/TessalineApp.h"

#include "app/AboutDialog.h"
#include "app/DocumentManager.h"
#include "app/MainFrame.h"
#include "app/TessalineDoc.h"
#include "app/TessalineView.h"
#include "platform/port_names.h"
#include "res/Resources.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kRecentFilesGroup = "/Recent File List";
constexpr const char* kPortsGroup = "/Ports";

}  // namespace

CTessalineApp::CTessalineApp()
{
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnAppAbout(); }, wxID_ABOUT);
}
CTessalineApp::~CTessalineApp() = default;

CTessalineApp* CTessalineApp::Get()
{
    return dynamic_cast<CTessalineApp*>(wxTheApp);
}

wxString CTessalineApp::SettingsFilePath()
{
    wxString base;
    if (!wxGetEnv("XDG_CONFIG_HOME", &base) || base.empty() || !wxIsAbsolutePath(base))
        base = wxGetHomeDir() + "/.config";
    wxFileName path(base, "");
    path.AppendDir(kVendorName);
    path.SetFullName(wxString(kAppName) + ".conf");
    return path.GetFullPath();
}

CMainFrame* CTessalineApp::GetMainFrame() const
{
    return dynamic_cast<CMainFrame*>(GetTopWindow());
}

bool CTessalineApp::OnInit()
{
    SetAppName(kAppName);
    SetVendorName(kVendorName);
    if (const char* title = tessaline::res::FindString(AFX_IDS_APP_TITLE))
        SetAppDisplayName(wxString::FromUTF8(title));

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i].utf8_string());
    const tessaline::app::StartupOptions options = tessaline::app::ParseStartupOptions(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "tessaline: %s\n%s", options.error.c_str(),
                     tessaline::app::UsageText("tessaline").c_str());
        return false;
    }
    if (options.help || options.version) {
        std::fputs(options.help ? tessaline::app::UsageText("tessaline").c_str()
                                : tessaline::app::VersionText().c_str(),
                   stdout);
        return false;
    }
    return InitInstance(options);
}

void CTessalineApp::ApplyPortAliases(wxConfigBase& config, const tessaline::app::StartupOptions& options)
{
    // Settings first, then the demo device, then the command line: the last
    // word wins.
    config.SetPath(kPortsGroup);
    wxString name;
    long cookie = 0;
    for (bool more = config.GetFirstEntry(name, cookie); more; more = config.GetNextEntry(name, cookie)) {
        const wxString path = config.Read(name, wxString());
        std::string portName, devicePath;
        if (tessaline::app::ParsePortAlias((name + "=" + path).utf8_string(), &portName, &devicePath))
            tessaline::platform::SetPortAlias(portName, devicePath);
        else
            wxLogWarning("Ignoring [Ports] entry \"%s=%s\" in %s", name, path, SettingsFilePath());
    }
    config.SetPath("/");

    if (options.demo) {
        m_demo = std::make_unique<tessaline::app::DemoDevice>();
        if (m_demo->Start())
            tessaline::platform::SetPortAlias("COM1", m_demo->DevicePath());
        else
            wxLogWarning("The demo device could not be created: %s", wxSysErrorMsg());
    }
    for (const auto& [portName, devicePath] : options.portAliases)
        tessaline::platform::SetPortAlias(portName, devicePath);
}

bool CTessalineApp::InitInstance(const tessaline::app::StartupOptions& options)
{
    auto* config = new wxFileConfig(kAppName, kVendorName, SettingsFilePath(), wxString(),
                                    wxCONFIG_USE_LOCAL_FILE);
    delete wxConfigBase::Set(config);
    ApplyPortAliases(*config, options);

    m_docManager = new DocumentManager;
    new wxDocTemplate(m_docManager, wxString::FromUTF8("모든 파일 (*.*)"), "*", wxString(), wxString(),
                      "Tessaline.Document", "Tessa Document", CLASSINFO(CTessalineDoc), CLASSINFO(CTessalineView),
                      wxTEMPLATE_VISIBLE);
    config->SetPath(kRecentFilesGroup);
    m_docManager->FileHistoryLoad(*config);
    config->SetPath("/");

    auto* frame = new CMainFrame;
    if (!frame->Create(m_docManager, GetAppDisplayName())) {
        delete frame;
        return false;
    }
    SetTopWindow(frame);

    wxDocument* document = options.file.empty()
                               ? m_docManager->CreateDocument(wxString(), wxDOC_NEW)
                               : m_docManager->CreateDocument(wxString::FromUTF8(options.file), wxDOC_SILENT);
    if (!document) {
        // The framework has said why; no window stays behind.
        SetTopWindow(nullptr);
        delete frame;
        wxLog::FlushActive();
        return false;
    }
    frame->Show(true);
    frame->Update();
    return true;
}

void CTessalineApp::SaveSettings()
{
    wxConfigBase* config = wxConfigBase::Get(false);
    if (!config)
        return;
    if (m_docManager) {
        config->SetPath(kRecentFilesGroup);
        m_docManager->FileHistorySave(*config);
        config->SetPath("/");
    }
    const wxFileName file(SettingsFilePath());
    if (!file.DirExists())
        file.Mkdir(wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    config->Flush();
}

int CTessalineApp::OnExit()
{
    SaveSettings();
    delete m_docManager;
    m_docManager = nullptr;
    delete wxConfigBase::Set(nullptr);
    if (m_demo) {
        m_demo->Stop();
        m_demo.reset();
    }
    tessaline::platform::ClearPortAliases();
    return wxApp::OnExit();
}

void CTessalineApp::OnAppAbout()
{
    CAboutDialog dialog(nullptr);
    dialog.ShowModal();
}
