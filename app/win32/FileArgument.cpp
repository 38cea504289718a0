// Windows: the file argument and document files looked at through the
// system's UTF-16 names. A name the system takes for a device (CON, NUL,
// COM1, a "\\.\" name, in any folder) is refused before anything opens it.
#include "app/Startup.h"

#include "app/win32/FileSystem.h"
#include "res/Strings.h"
#include "ui/TextEncoding.h"

namespace tessaline::app {

using win32::FullPath;
using win32::KindOf;
using win32::SystemText;

FileLook LookAtFile(const std::string& name)
{
    FileLook look;
    DWORD error = ERROR_SUCCESS;
    if (!ui::IsValidUtf8(name))
        look.text = false;
    else if (std::string kind = KindOf(FullPath(name), &error); error != ERROR_SUCCESS)
        look.unreachable = SystemText(error);
    else
        look.kind = std::move(kind);
    return look;
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
