/* Modem lines for pseudo-terminals, for tests: an LD_PRELOAD library that
 * answers the modem-line ioctls of pty slaves from a small state file.
 *
 * The file is named by the environment variable TESSALINE_MODEM_STATE and
 * holds one line such as
 *
 *     DTR=0 RTS=0 CTS=1 DSR=0 RI=0 DCD=1
 *
 * (names in any order, a missing name or a missing file counts as 0, values
 * 0 or 1). On a file descriptor that is a pty slave (character device with
 * major number 136 to 143):
 *
 *   TIOCMGET    reads all six lines from the file;
 *   TIOCMBIS, TIOCMBIC, TIOCMSET
 *               change DTR and RTS in the file (the other bits are ignored):
 *               read, change, write a temporary file, rename it over the
 *               state file, all under flock on "<file>.lock";
 *   TIOCMIWAIT  waits (inotify on the file's folder) until one of the
 *               requested input lines (TIOCM_CTS, TIOCM_DSR, TIOCM_RNG,
 *               TIOCM_CD) differs from what the last TIOCMGET on that
 *               descriptor returned (or, without one, from the file at the
 *               start of the wait); returns 0 then, -1 with EINTR when a
 *               signal handler ran, -1 with EIO when the pty hangs up.
 *
 * Unlike a kernel driver, which counts changes only from the start of the
 * wait, the wait also ends for a change made between the last TIOCMGET and
 * the wait, so that a test never depends on when the waiting thread got
 * there. Whoever changes the input lines should take the same lock and
 * replace the file by rename, or at least write it in one go.
 *
 * Every other request and every other descriptor goes to the real ioctl;
 * without TESSALINE_MODEM_STATE (read at the first ioctl on a pty slave)
 * everything does.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

typedef int (*IoctlFunction)(int, unsigned long, ...);

enum {
    kOutputLines = TIOCM_DTR | TIOCM_RTS,
    kInputLines = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR,
    kRememberedFds = 1024,
};

static const struct
{
    const char* name;
    int bit;
} kLineNames[] = {{"DTR", TIOCM_DTR}, {"RTS", TIOCM_RTS}, {"CTS", TIOCM_CTS},
                  {"DSR", TIOCM_DSR}, {"RI", TIOCM_RNG},  {"DCD", TIOCM_CAR}};

static pthread_once_t g_realOnce = PTHREAD_ONCE_INIT;
static IoctlFunction g_realIoctl;
static pthread_once_t g_stateOnce = PTHREAD_ONCE_INIT;
static char g_statePath[PATH_MAX];  // empty: pass everything through
static char g_stateFolder[PATH_MAX];

// What the last TIOCMGET returned per descriptor, for TIOCMIWAIT; the device
// number tells a reused descriptor apart.
static pthread_mutex_t g_seenMutex = PTHREAD_MUTEX_INITIALIZER;
static struct
{
    dev_t device;
    int lines;
    int valid;
} g_seen[kRememberedFds];

static void FindRealIoctl(void)
{
    g_realIoctl = (IoctlFunction)dlsym(RTLD_NEXT, "ioctl");
}

static void ReadStatePath(void)
{
    const char* path = getenv("TESSALINE_MODEM_STATE");
    if (path == NULL || *path == '\0' || strlen(path) >= sizeof g_statePath)
        return;
    strcpy(g_statePath, path);
    strcpy(g_stateFolder, path);
    char* slash = strrchr(g_stateFolder, '/');
    if (slash == NULL)
        strcpy(g_stateFolder, ".");
    else if (slash == g_stateFolder)
        slash[1] = '\0';
    else
        *slash = '\0';
}

// The pty slave's device number, or 0 for any other descriptor.
static dev_t PtySlaveDevice(int fd)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return 0;
    const unsigned int major = major(info.st_rdev);
    return major >= 136 && major <= 143 ? info.st_rdev : 0;
}

static int ParseLines(const char* text)
{
    int lines = 0;
    for (size_t i = 0; i < sizeof kLineNames / sizeof kLineNames[0]; ++i) {
        const size_t length = strlen(kLineNames[i].name);
        for (const char* at = text; (at = strstr(at, kLineNames[i].name)) != NULL; at += length) {
            const int starts = at == text || at[-1] == ' ' || at[-1] == '\t' || at[-1] == '\n';
            if (starts && at[length] == '=') {
                if (at[length + 1] == '1')
                    lines |= kLineNames[i].bit;
                break;
            }
        }
    }
    return lines;
}

// The lines the file holds now; a missing file holds none.
static int ReadLines(void)
{
    char text[512];
    const int fd = open(g_statePath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const ssize_t length = read(fd, text, sizeof text - 1);
    close(fd);
    text[length > 0 ? length : 0] = '\0';
    return ParseLines(text);
}

static int WriteLines(int lines)
{
    char temporary[PATH_MAX + 64];
    snprintf(temporary, sizeof temporary, "%s.%d.%ld.tmp", g_statePath, (int)getpid(), (long)gettid());
    char text[128];
    int length = 0;
    for (size_t i = 0; i < sizeof kLineNames / sizeof kLineNames[0]; ++i)
        length += snprintf(text + length, sizeof text - (size_t)length, "%s%s=%d", i ? " " : "", kLineNames[i].name,
                           (lines & kLineNames[i].bit) ? 1 : 0);
    text[length++] = '\n';
    const int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -1;
    const int written = write(fd, text, (size_t)length) == length;
    const int closed = close(fd) == 0;
    if (!written || !closed || rename(temporary, g_statePath) != 0) {
        const int error = errno;
        unlink(temporary);
        errno = error ? error : EIO;
        return -1;
    }
    return 0;
}

// Changes DTR and RTS as `request` says with the bits at `argument`.
static int ChangeOutputs(unsigned long request, const int* argument)
{
    char lockPath[PATH_MAX + 8];
    snprintf(lockPath, sizeof lockPath, "%s.lock", g_statePath);
    const int lock = open(lockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0)
        return -1;
    while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
    const int bits = *argument & kOutputLines;
    int lines = ReadLines();
    if (request == TIOCMBIS)
        lines |= bits;
    else if (request == TIOCMBIC)
        lines &= ~bits;
    else
        lines = (lines & ~kOutputLines) | bits;
    const int result = WriteLines(lines);
    const int error = errno;
    close(lock);  // lets go of the lock
    errno = error;
    return result;
}

static void RememberLines(int fd, dev_t device, int lines)
{
    if (fd < 0 || fd >= kRememberedFds)
        return;
    pthread_mutex_lock(&g_seenMutex);
    g_seen[fd].device = device;
    g_seen[fd].lines = lines;
    g_seen[fd].valid = 1;
    pthread_mutex_unlock(&g_seenMutex);
}

// The lines a wait on `fd` compares with: the last TIOCMGET's, else `now`.
static int LinesSeen(int fd, dev_t device, int now)
{
    int lines = now;
    if (fd < 0 || fd >= kRememberedFds)
        return lines;
    pthread_mutex_lock(&g_seenMutex);
    if (g_seen[fd].valid && g_seen[fd].device == device)
        lines = g_seen[fd].lines;
    pthread_mutex_unlock(&g_seenMutex);
    return lines;
}

static int Fail(int inotify, int error)
{
    if (inotify >= 0)
        close(inotify);
    errno = error;
    return -1;
}

static int WaitForChange(int fd, dev_t device, unsigned long wanted)
{
    const int inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify < 0)
        return -1;
    if (inotify_add_watch(inotify, g_stateFolder, IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE) < 0)
        return Fail(inotify, errno);
    // Watching first, reading second: no change can fall in between.
    const int mask = (int)wanted & kInputLines;
    const int before = LinesSeen(fd, device, ReadLines());
    for (;;) {
        if ((ReadLines() ^ before) & mask) {
            close(inotify);
            return 0;
        }
        // The pty reports a hang-up even with no events asked for.
        struct pollfd fds[2] = {{inotify, POLLIN, 0}, {fd, 0, 0}};
        if (poll(fds, 2, -1) < 0)
            return Fail(inotify, errno);
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            return Fail(inotify, EIO);
        char events[4096];
        while (read(inotify, events, sizeof events) > 0) {
        }
    }
}

static int ModemLineRequest(int fd, dev_t device, unsigned long request, void* argument)
{
    switch (request) {
    case TIOCMGET: {
        const int lines = ReadLines();
        *(int*)argument = lines;
        RememberLines(fd, device, lines);
        return 0;
    }
    case TIOCMBIS:
    case TIOCMBIC:
    case TIOCMSET: return ChangeOutputs(request, (const int*)argument);
    default: return WaitForChange(fd, device, (unsigned long)(uintptr_t)argument);
    }
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    pthread_once(&g_realOnce, FindRealIoctl);
    const int modemLines = request == TIOCMGET || request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET ||
                           request == TIOCMIWAIT;
    if (modemLines) {
        const dev_t device = PtySlaveDevice(fd);
        if (device != 0) {
            pthread_once(&g_stateOnce, ReadStatePath);
            if (g_statePath[0] != '\0')
                return ModemLineRequest(fd, device, request, argument);
        }
    }
    return g_realIoctl(fd, request, argument);
}
