// DocumentManager: the document manager of a single-document program. The
// one document is created once and then reused, as a single-document
// framework does: File New resets it (OnNewDocument) and File Open loads
// into it, so that the view and its text stay and an opened file leaves the
// settings as they were. It also keeps the recent-file list (4 entries) in
// the File menu in place of the grayed placeholder item, and names an
// untitled document "제목 없음". Documents are opened and remembered by
// absolute names: a relative one is taken against the start-up folder. A
// recent file that is no longer a file is said so, in the program's words,
// and leaves the list. The frame tells it where views live: the
// window that holds them and the connection their typed characters go to.
//
// Threading: GUI thread only.
#pragma once

#include <wx/docview.h>

#include <string>
#include <vector>

class wxMenu;

namespace tessaline::app {

class SerialConnection;

// Where the program's views live.
struct ViewSite
{
    wxFrame* frame = nullptr;
    SerialConnection* connection = nullptr;
};

class DocumentManager : public wxDocManager
{
public:
    static constexpr int kRecentFileCount = 4;

    DocumentManager();

    wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
    wxString MakeNewDocumentName() override;
    wxFileHistory* OnCreateFileHistory() override;

    void AddFileToHistory(const wxString& file) override;
    void OnMRUFileNotExist(unsigned n, const wxString& filename) override;
    void RemoveFileFromHistory(size_t i) override;
    void FileHistoryLoad(const wxConfigBase& config) override;

    // The recent-file list from and for the settings file, most recent
    // first, as file-name bytes.
    void LoadRecentFiles(const std::vector<std::string>& files);
    std::vector<std::string> RecentFiles() const;

    // The menu that holds the recent-file placeholder; the recent files are
    // shown there from now on.
    void SetRecentFileMenu(wxMenu* menu);

    void SetViewSite(const ViewSite& site) { m_viewSite = site; }
    const ViewSite& GetViewSite() const { return m_viewSite; }

    // The label of recent file `index` (0-based) as the menu shows it.
    static wxString RecentFileLabel(size_t index, const wxString& path);

private:
    void RefreshRecentFileMenu();

    wxMenu* m_recentFileMenu = nullptr;
    wxString m_placeholderLabel;
    wxString m_placeholderHelp;
    ViewSite m_viewSite;
};

}  // namespace tessaline::app
