// Where the settings file lives, and reading and replacing it on disk.
#include "app/SettingsFile.h"

#include "app/CommandLine.h"
#include "res/Resources.h"

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

// Replaces `target` with `text`: a new file beside it renamed over it, or,
// when the folder refuses new files, the file rewritten in place.
bool Replace(const std::string& target, const std::string& text, mode_t mode, bool exists, std::string* error)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        const bool written = (!exists || ::fchmod(fd, mode) == 0) && WriteAll(fd, text) && ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        if (written && ::rename(temporary.c_str(), target.c_str()) == 0)
            return true;
        *error = SystemText(written ? errno : writeError);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!exists) {
        *error = SystemText(errno);
        return false;
    }
    const int inPlace = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    const bool written = inPlace >= 0 && WriteAll(inPlace, text);
    if (!written)
        *error = SystemText(errno);
    if (inPlace >= 0)
        ::close(inPlace);
    return written;
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
    // Through a symbolic link (a dotfile manager's, say) to the file itself.
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    } else if (struct stat link{}; ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        *error = "it is a symbolic link to a file that does not exist";
        return false;
    }
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
    struct stat info
    {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && !MakeFolders(target.substr(0, target.rfind('/')))) {
        *error = SystemText(errno);
        return false;
    }
    return Replace(target, merged, info.st_mode & 07777, exists, error);
}

}  // namespace tessaline::app
