#include "app/win32/FileSystem.h"

#include "res/Strings.h"

#include <wx/log.h>
#include <wx/string.h>

namespace tessaline::app::win32 {

std::string SystemText(DWORD error)
{
    std::string text = wxSysErrorMsgStr(error).utf8_string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

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

}  // namespace tessaline::app::win32
