// OutputDebugStringA: the debug-output channel, sent where TVHOST_DEBUG says.
//
// The setting is read at every call, so a program (or a test) may switch the
// destination while it runs, and no descriptor stays open between calls:
//   unset or empty  the text is discarded (Windows with no debugger attached)
//   "stderr"        standard error
//   anything else   a file path, created if needed and appended to; a
//                   terminal is written to as well. Anything else (a FIFO,
//                   a socket, another device) is refused and the text
//                   discarded, and the open never waits: a FIFO nobody
//                   reads must not stall the caller (a module load).
// The bytes are written exactly as given, nothing added, with one write per
// call and O_APPEND, so lines from several writers (threads or processes) do
// not interleave inside one call. The text is on its way to the file before
// the call returns; nothing is buffered in the process.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "settings.h"
#include "tvhost/win32.h"

namespace tvhost {
namespace {

// Serialises writers inside the process, so one call's bytes stay together
// even when a short write makes it take several write(2) calls.
std::mutex &DebugOutputLock() {
    static std::mutex lock;
    return lock;
}

// Writes all `size` bytes, going on after short writes and interruptions;
// gives up silently on any other error (debug output never fails its caller).
void WriteAll(int fd, const char *bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
}

// Opens the destination file for appending without ever blocking; -1 when
// it is neither a regular file nor a terminal. Terminals are written in
// blocking mode again, so no text is dropped for a full output queue.
int OpenDestination(const char *path) {
    int fd;
    do {
        fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || (S_ISCHR(info.st_mode) && isatty(fd) == 1))) {
        close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        int status = fcntl(fd, F_GETFL);
        if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
            close(fd);
            return -1;
        }
    }
    return fd;
}

}  // namespace
}  // namespace tvhost

extern "C" void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text == nullptr) return;
    size_t size = std::strlen(text);
    if (size == 0) return;

    int savedErrno = errno;  // debug output leaves the caller's errno alone
    // The setting's own text, not a copy: debug output allocates nothing.
    const char *destination = tvhost::SettingText("TVHOST_DEBUG");
    if (destination != nullptr) {
        std::lock_guard<std::mutex> guard(tvhost::DebugOutputLock());
        if (std::strcmp(destination, "stderr") == 0) {
            tvhost::WriteAll(STDERR_FILENO, text, size);
        } else {
            int fd = tvhost::OpenDestination(destination);
            if (fd >= 0) {
                tvhost::WriteAll(fd, text, size);
                close(fd);
            }
        }
    }
    errno = savedErrno;
}
