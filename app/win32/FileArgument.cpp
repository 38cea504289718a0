// Windows: the file argument and document files looked at through the
// system's UTF-16 names. A name the system takes for a device (CON, NUL,
// COM1, a "\\.\" name, in any folder) is refused before anything opens it.
#include "app/Startup.h"

#include "res/Resources.h"

#include <wx/log.h>
#include <wx/string.h>

#include "platform/win32.h"

namespace tessaline::app {
namespace {

// The system's message for `error`, without the final full stop and line
// break, since our texts add their own.
std::string SystemText(DWORD error)
{
    std::string text = wxSysErrorMsgStr(error).utf8_string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

// The full path of `name`; a device name comes back as "\\.\NAME".
std::wstring FullPath(const std::string& name)
{
    const wxString wide = wxString::FromUTF8(name);
    const DWORD length = GetFullPathNameW(wide.wc_str(), 0, nullptr, nullptr);
    if (length == 0)
        return std::wstring(wide.wc_str());
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.wc_str(), length, full.data(), nullptr);
    full.resize(written < length ? written : 0);
    return full.empty() ? std::wstring(wide.wc_str()) : full;
}

bool IsDeviceName(const std::wstring& full)
{
    return full.compare(0, 4, L"\\\\.\\") == 0 || full.compare(0, 4, L"\\\\?\\") == 0;
}

// What kind of thing `full` is when it is not a regular file: an empty
// string for a regular file, else the kind's text; `error` is set when the
// name cannot be looked at.
std::string KindOf(const std::wstring& full, DWORD* error)
{
    *error = ERROR_SUCCESS;
    if (IsDeviceName(full))
        return res::FormatString(IDS_KIND_DEVICE);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = GetLastError();
        return {};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return res::FormatString(IDS_KIND_FOLDER);
    if (attributes & FILE_ATTRIBUTE_DEVICE)
        return res::FormatString(IDS_KIND_DEVICE);
    return {};
}

}  // namespace

FileArgumentCheck CheckFileArgument(const StartupOptions& options)
{
    FileArgumentCheck check;
    if (!options.fileGiven)
        return check;
    const std::string& name = options.file;
    const std::string quoted = QuotedArgument(name);
    check.verdict = FileArgumentCheck::Verdict::StartUntitled;
    DWORD error = ERROR_SUCCESS;
    if (name.empty()) {
        check.message = res::FormatString(IDS_FILE_NAME_EMPTY);
    } else if (!IsValidUtf8(name)) {
        check.message = res::FormatString(IDS_FILE_NAME_NOT_TEXT, {quoted});
    } else if (const std::string kind = KindOf(FullPath(name), &error); error != ERROR_SUCCESS) {
        check.verdict = FileArgumentCheck::Verdict::Fail;
        check.message = res::FormatString(IDS_FILE_CANNOT_OPEN, {quoted, SystemText(error)});
    } else if (!kind.empty()) {
        check.message = res::FormatString(IDS_FILE_NOT_A_FILE, {quoted, kind});
    } else {
        check.verdict = FileArgumentCheck::Verdict::Open;
    }
    return check;
}

std::string RegularFileProblem(const std::string& name)
{
    if (name.empty())
        return SystemText(ERROR_FILE_NOT_FOUND);
    const std::wstring full = FullPath(name);
    DWORD error = ERROR_SUCCESS;
    if (const std::string kind = KindOf(full, &error); error != ERROR_SUCCESS)
        return SystemText(error);
    else if (!kind.empty())
        return res::FormatString(IDS_PROBLEM_KIND, {kind});
    const HANDLE file = CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return SystemText(GetLastError());
    const bool regular = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return regular ? std::string() : res::FormatString(IDS_PROBLEM_NOT_REGULAR);
}

}  // namespace tessaline::app
