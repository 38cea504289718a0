// Where the settings file lives, and reading and replacing it on disk.
#include "app/SettingsFile.h"

#include "app/CommandLine.h"
#include "res/Strings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tessaline::app {
namespace {

std::string SystemText(int error)
{
    return std::strerror(error);
}

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The whole file; false with errno set on failure. A FIFO or a device in
// place of the file is refused without waiting for a writer.
bool ReadWhole(const std::string& path, std::string* text, bool* missing)
{
    *missing = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *missing = errno == ENOENT;
        return false;
    }
    struct stat info
    {};
    const int problem = ::fstat(fd, &info) != 0    ? errno
                        : !S_ISREG(info.st_mode)   ? EINVAL
                        : info.st_size > (1 << 20) ? EFBIG
                                                   : 0;
    if (problem != 0) {
        ::close(fd);
        errno = problem;
        return false;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (got == 0)
            break;
        text->append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// The file a settings path stands for: a symbolic link (a dotfile
// manager's, say) is followed to the file itself. A missing file stands for
// itself; a link that leads nowhere or round in a loop is an error.
bool ResolveTarget(const std::string& path, std::string* target, std::string* error)
{
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        *target = resolved;
        std::free(resolved);
        return true;
    }
    struct stat link
    {};
    if (errno == ELOOP)
        *error = "it is a symbolic link loop";
    else if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        *error = "it is a symbolic link to a file that does not exist";
    else
        *target = path;
    return error->empty();
}

// What became of an attempt to replace the file by a rename.
enum class Renamed { Done, Failed, NotHere };

// Writes `text` to a new file beside `target`, with the mode and group of
// `old` (none when the file is new), and renames it over the target. NotHere
// when the folder takes no new file or the group cannot be kept: nothing
// was changed then.
Renamed ReplaceByRename(const std::string& target, const std::string& text, const struct stat* old, std::string* error)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = SystemText(errno);
        return Renamed::NotHere;
    }
    struct stat created
    {};
    if (old && (::fstat(fd, &created) != 0 ||
                (created.st_gid != old->st_gid && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0))) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return Renamed::NotHere;
    }
    const bool written = (!old || ::fchmod(fd, old->st_mode & 07777) == 0) && WriteAll(fd, text) && ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0)
        return Renamed::Done;
    *error = SystemText(written ? errno : writeError);
    ::unlink(temporary.c_str());
    return Renamed::Failed;
}

bool WriteAt(int fd, std::string_view text, off_t offset)
{
    while (!text.empty()) {
        const ssize_t written = ::pwrite(fd, text.data(), text.size(), offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return true;
}

// True when the open file holds exactly `text`. False with errno 0 when it
// holds something else, with errno set when it cannot be read.
bool Holds(int fd, const std::string& text)
{
    std::string held(text.size() + 1, '\0');  // a byte more, to notice a longer file
    std::size_t got = 0;
    while (got < held.size()) {
        const ssize_t step = ::pread(fd, &held[got], held.size() - got, static_cast<off_t>(got));
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return false;
        if (step == 0)
            break;
        got += static_cast<std::size_t>(step);
    }
    errno = 0;
    return got == text.size() && held.compare(0, got, text) == 0;
}

// Rewrites the file in place, from `old` (what it holds) to `text`, so that
// no failure can lose the old contents: the part of the new text past the
// old end is written first, which gives it its room on the disk (the file
// is cut back to its old size when that fails); only then are the old bytes
// overwritten, and they are written back should that fail.
bool RewriteInPlace(const std::string& target, const std::string& old, const std::string& text, std::string* error)
{
    const int fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = SystemText(errno);
        return false;
    }
    struct stat info
    {};
    errno = 0;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !Holds(fd, old)) {
        *error = errno != 0 ? SystemText(errno) : "it changed while it was being written";
        ::close(fd);
        return false;
    }
    const auto oldSize = static_cast<off_t>(old.size()), newSize = static_cast<off_t>(text.size());
    bool written =
        newSize <= oldSize || (WriteAt(fd, std::string_view(text).substr(old.size()), oldSize) && ::fsync(fd) == 0);
    int failure = errno;
    bool restored = written || ::ftruncate(fd, oldSize) == 0;
    if (written) {
        written = WriteAt(fd, std::string_view(text).substr(0, old.size()), 0) &&
                  (newSize >= oldSize || ::ftruncate(fd, newSize) == 0) && ::fsync(fd) == 0;
        failure = errno;
        restored = written || (WriteAt(fd, old, 0) && ::ftruncate(fd, oldSize) == 0 && ::fsync(fd) == 0);
    }
    ::close(fd);
    if (!written)
        *error = SystemText(failure) + (restored ? ""
                                                 : "; putting the old contents back failed too (" + SystemText(errno) +
                                                       "), so the file may be damaged");
    return written;
}

// Stores `text` as the existing file `target`, which now holds `old`.
bool Replace(const std::string& target, const std::string& old, const std::string& text, std::string* error)
{
    struct stat info
    {};
    if (::stat(target.c_str(), &info) != 0) {
        *error = SystemText(errno);
        return false;
    }
    if ((info.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        *error = (info.st_mode & 0222) == 0 ? "it is read-only" : SystemText(errno);
        return false;
    }
    // A rename would split hard links and give the file the program's owner.
    if (info.st_nlink == 1 && info.st_uid == ::geteuid()) {
        const Renamed renamed = ReplaceByRename(target, text, &info, error);
        if (renamed != Renamed::NotHere)
            return renamed == Renamed::Done;
        error->clear();
    }
    return RewriteInPlace(target, old, text, error);
}

}  // namespace

std::string SettingsFilePath()
{
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* user = ::getpwuid(::getuid());
            home = user && user->pw_dir ? user->pw_dir : "";
        }
        base = std::string(home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/Local AppWizard-Generated Applications/Tessaline.conf";
}

SettingsContent ReadSettingsFile(const std::string& path)
{
    std::string text;
    bool missing = false;
    if (!ReadWhole(path, &text, &missing)) {
        SettingsContent content;
        if (!missing) {
            content.parsed = false;
            content.problem = errno == EINVAL ? res::FormatString(IDS_PROBLEM_NOT_REGULAR) : SystemText(errno);
        }
        return content;
    }
    return ParseSettings(text);
}

bool WriteSettings(const std::string& path, const OwnedSettings& before, const OwnedSettings& now, std::string* error)
{
    error->clear();
    std::string target;
    if (!ResolveTarget(path, &target, error))
        return false;
    std::string text;
    bool missing = false;
    if (!ReadWhole(target, &text, &missing) && !missing) {
        *error = SystemText(errno);
        return false;
    }
    if (!ParseSettings(text).parsed) {
        *error = "it cannot be parsed";
        return false;
    }
    const std::string merged = MergeSettings(text, before, now);
    if (merged == text)
        return true;  // nothing changed: the file is not touched at all
    if (!missing)
        return Replace(target, text, merged, error);
    if (!MakeFolders(target.substr(0, target.rfind('/')))) {
        *error = SystemText(errno);
        return false;
    }
    return ReplaceByRename(target, merged, nullptr, error) == Renamed::Done;
}

}  // namespace tessaline::app
