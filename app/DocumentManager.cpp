#include "app/DocumentManager.h"

#include "app/FileNames.h"
#include "app/Startup.h"
#include "platform/StartupFolder.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <algorithm>
#include <vector>

namespace tessaline::app {

namespace {

int RecentFileId(size_t index)
{
    return wxID_FILE1 + static_cast<int>(index);
}

bool IsRecentFileId(int id)
{
    return id >= wxID_FILE1 && id <= wxID_FILE9;
}

// Documents are opened and remembered by absolute names, taken against the
// start-up folder as the file argument is.
wxString AbsoluteName(const wxString& file)
{
    return file.empty() ? file : FileNameToWx(platform::AbsoluteFromStartup(FileNameFromWx(file)));
}

}  // namespace

DocumentManager::DocumentManager() : wxDocManager(0, false)
{
    // Initialize here, where OnCreateFileHistory is this class's own.
    Initialize();
    SetMaxDocsOpen(1);
}

wxDocument* DocumentManager::CreateDocument(const wxString& path, long flags)
{
    const wxDocVector documents = GetDocumentsVector();
    if (documents.empty())
        return wxDocManager::CreateDocument(AbsoluteName(path), flags);

    wxDocument* document = documents.front();
    if (flags & wxDOC_NEW) {
        if (!document->OnSaveModified() || !document->OnNewDocument())
            return nullptr;
        return document;
    }

    wxString file = path;
    if (!(flags & wxDOC_SILENT) || file.empty()) {
        std::vector<wxDocTemplate*> templates;
        for (wxDocTemplate* candidate : GetTemplatesVector()) {
            if (candidate->IsVisible())
                templates.push_back(candidate);
        }
        if (templates.empty() || !SelectDocumentPath(templates.data(), static_cast<int>(templates.size()), file, flags))
            return nullptr;
    }
    file = AbsoluteName(file);
    if (!document->OnSaveModified() || !document->OnOpenDocument(file))
        return nullptr;
    AddFileToHistory(file);
    return document;
}

wxString DocumentManager::MakeNewDocumentName()
{
    return wxString::FromUTF8("제목 없음");
}

wxFileHistory* DocumentManager::OnCreateFileHistory()
{
    return new wxFileHistory(kRecentFileCount);
}

void DocumentManager::AddFileToHistory(const wxString& file)
{
    wxDocManager::AddFileToHistory(AbsoluteName(file));
    RefreshRecentFileMenu();
}

void DocumentManager::OnMRUFileNotExist(unsigned n, const wxString& filename)
{
    RemoveFileFromHistory(n);
    const std::string name = FileNameFromWx(filename);
    const std::string message =
        res::FormatString(IDS_FILE_CANNOT_OPEN, {ui::QuotedArgument(name), RegularFileProblem(name)});
    wxLogError("%s", TextToWx(ShortenedForMessageBox(message)));
}

void DocumentManager::RemoveFileFromHistory(size_t i)
{
    wxDocManager::RemoveFileFromHistory(i);
    RefreshRecentFileMenu();
}

void DocumentManager::FileHistoryLoad(const wxConfigBase& config)
{
    wxDocManager::FileHistoryLoad(config);
    RefreshRecentFileMenu();
}

void DocumentManager::LoadRecentFiles(const std::vector<std::string>& files)
{
    wxFileHistory* history = GetFileHistory();
    const std::size_t count = std::min(files.size(), static_cast<std::size_t>(kRecentFileCount));
    for (std::size_t i = count; history && i-- > 0;) {
        const wxString name = FileNameToWx(files[i]);
        if (!name.empty())
            history->AddFileToHistory(name);
    }
    RefreshRecentFileMenu();
}

std::vector<std::string> DocumentManager::RecentFiles() const
{
    std::vector<std::string> files;
    const wxFileHistory* history = GetFileHistory();
    for (std::size_t i = 0; history && i < history->GetCount(); ++i)
        files.push_back(FileNameFromWx(history->GetHistoryFile(i)));
    return files;
}

void DocumentManager::SetRecentFileMenu(wxMenu* menu)
{
    m_recentFileMenu = menu;
    if (wxMenuItem* placeholder = menu ? menu->FindItem(RecentFileId(0)) : nullptr) {
        m_placeholderLabel = placeholder->GetItemLabel();
        m_placeholderHelp = placeholder->GetHelp();
    }
    RefreshRecentFileMenu();
}

wxString DocumentManager::RecentFileLabel(size_t index, const wxString& path)
{
    wxString shown = path;
    const wxString home = wxGetHomeDir();
    if (!home.empty() && home != "/" && shown.StartsWith(home + "/"))
        shown = "~" + shown.Mid(home.length());
    // A name is shown, never interpreted: a tab would start an accelerator
    // and a line break would split the item; a very long one is cut in the
    // middle.
    for (wxString::iterator it = shown.begin(); it != shown.end(); ++it) {
        if (*it < 0x20 || *it == 0x7F)
            *it = '?';
    }
    constexpr size_t kLongest = 80;
    if (shown.length() > kLongest)
        shown = shown.Left(kLongest / 2 - 1) + wxString::FromUTF8("…") + shown.Right(kLongest / 2 - 1);
    shown.Replace("&", "&&");
    return wxString::Format("&%zu %s", index + 1, shown);
}

void DocumentManager::RefreshRecentFileMenu()
{
    if (!m_recentFileMenu)
        return;
    wxMenu* menu = m_recentFileMenu;

    // The recent files (or the placeholder) sit where the first of them is.
    int position = -1;
    const wxMenuItemList& items = menu->GetMenuItems();
    std::vector<wxMenuItem*> old;
    int index = 0;
    for (wxMenuItem* item : items) {
        if (IsRecentFileId(item->GetId())) {
            if (position < 0)
                position = index;
            old.push_back(item);
        }
        ++index;
    }
    if (position < 0)
        return;
    for (wxMenuItem* item : old)
        menu->Destroy(item);

    wxFileHistory* history = GetFileHistory();
    const size_t count = history ? history->GetCount() : 0;
    if (count == 0) {
        wxMenuItem* placeholder =
            menu->Insert(static_cast<size_t>(position), RecentFileId(0), m_placeholderLabel, m_placeholderHelp);
        placeholder->Enable(false);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const wxString help = res::PromptOf(ID_FILE_MRU_FILE1 + static_cast<int>(i));
        menu->Insert(static_cast<size_t>(position) + i, RecentFileId(i), RecentFileLabel(i, history->GetHistoryFile(i)),
                     help);
    }
}

}  // namespace tessaline::app
