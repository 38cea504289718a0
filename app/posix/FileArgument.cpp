// POSIX: the file argument and document files looked at through stat(2),
// and names checked against the user's character set.
#include "app/Startup.h"

#include "res/Strings.h"
#include "ui/TextEncoding.h"

#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tessaline::app {
namespace {

// Whether the name is text in the user's character set. ASCII is taken as
// UTF-8, as the toolkit takes file names in that case.
bool IsValidName(const std::string& name)
{
    const char* codeset = nl_langinfo(CODESET);
    if (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return ui::IsValidUtf8(name);
    return std::mbstowcs(nullptr, name.c_str(), 0) != static_cast<std::size_t>(-1);
}

std::string KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return res::FormatString(IDS_KIND_FOLDER);
    if (S_ISFIFO(mode))
        return res::FormatString(IDS_KIND_FIFO);
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return res::FormatString(IDS_KIND_DEVICE);
    if (S_ISSOCK(mode))
        return res::FormatString(IDS_KIND_SOCKET);
    return res::FormatString(IDS_KIND_OTHER);
}

}  // namespace

FileLook LookAtFile(const std::string& name)
{
    FileLook look;
    struct stat info
    {};
    if (!IsValidName(name))
        look.text = false;
    else if (::stat(name.c_str(), &info) != 0)
        look.unreachable = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        look.kind = KindOf(info.st_mode);
    return look;
}

std::string RegularFileProblem(const std::string& name)
{
    struct stat info
    {};
    if (name.empty())
        return std::strerror(ENOENT);
    if (::stat(name.c_str(), &info) != 0)
        return std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return res::FormatString(IDS_PROBLEM_KIND, {KindOf(info.st_mode)});
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular ? std::string() : res::FormatString(IDS_PROBLEM_NOT_REGULAR);
}

}  // namespace tessaline::app
