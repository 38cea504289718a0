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

FileArgumentCheck CheckFileArgument(const StartupOptions& options)
{
    FileArgumentCheck check;
    if (!options.fileGiven)
        return check;
    const std::string& name = options.file;
    const std::string quoted = ui::QuotedArgument(name);
    check.verdict = FileArgumentCheck::Verdict::StartUntitled;
    DWORD error = ERROR_SUCCESS;
    if (name.empty()) {
        check.message = res::FormatString(IDS_FILE_NAME_EMPTY);
    } else if (!ui::IsValidUtf8(name)) {
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
