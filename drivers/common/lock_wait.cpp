#include "lock_wait.h"

#if !defined(_WIN32)  // the Windows DLL keeps no state file, so takes no lock
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tvsimstate {
namespace {

constexpr long kRetryNs = 5L * 1000 * 1000;  // 5 ms between tries

long ElapsedMs(const timespec &since) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - since.tv_sec) * 1000 + (now.tv_nsec - since.tv_nsec) / 1000000;
}

// The next blank-separated word of `*at`, terminated in place; "" at the end.
char *NextWord(char **at) {
    char *word = *at;
    while (*word == ' ' || *word == '\t') ++word;
    char *end = word;
    while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
    if (*end != '\0') *end++ = '\0';
    *at = end;
    return word;
}

// A line of /proc/locks, "1: FLOCK  ADVISORY  WRITE 4242 08:01:1234 0 EOF":
// the holder's pid when it is a flock held (not waited for) on `file`.
long HolderOf(char *line, const char *file) {
    char *at = line;
    NextWord(&at);  // "1:"
    if (std::strcmp(NextWord(&at), "FLOCK") != 0) return -1;  // also "->", a waiter
    NextWord(&at);  // ADVISORY
    NextWord(&at);  // READ or WRITE
    char *pid = NextWord(&at);
    if (std::strcmp(NextWord(&at), file) != 0) return -1;
    char *end = nullptr;
    long value = std::strtol(pid, &end, 10);
    return end != pid && *end == '\0' && value > 0 ? value : -1;
}

int OpenForReading(const char *path) {
    int fd;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Scans /proc/locks a buffer at a time for the holder of `file`.
long FindHolder(const char *file) {
    int fd = OpenForReading("/proc/locks");
    if (fd < 0) return -1;
    char buffer[4096];
    size_t held = 0;
    long holder = -1;
    while (holder < 0) {
        ssize_t got = read(fd, buffer + held, sizeof buffer - 1 - held);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        held += static_cast<size_t>(got);
        buffer[held] = '\0';
        char *line = buffer;
        for (char *end; holder < 0 && (end = std::strchr(line, '\n')) != nullptr; line = end + 1) {
            *end = '\0';
            holder = HolderOf(line, file);
        }
        held = static_cast<size_t>(buffer + held - line);
        if (held == sizeof buffer - 1) held = 0;  // no line is that long: drop it
        std::memmove(buffer, line, held);
    }
    close(fd);
    return holder;
}

// The command name of process `pid` ("" when it cannot be read).
void CommandOf(long pid, char *out, size_t size) {
    out[0] = '\0';
    char path[64];
    (void)std::snprintf(path, sizeof path, "/proc/%ld/comm", pid);
    int fd = OpenForReading(path);
    if (fd < 0) return;
    ssize_t got;
    do {
        got = read(fd, out, size - 1);
    } while (got < 0 && errno == EINTR);
    close(fd);
    size_t length = got > 0 ? static_cast<size_t>(got) : 0;
    while (length > 0 && out[length - 1] == '\n') --length;
    out[length] = '\0';
}

}  // namespace

LockResult LockWithin(int fd, int waitMs) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return LockResult::Taken;
        if (errno != EWOULDBLOCK && errno != EINTR) return LockResult::Failed;
        if (ElapsedMs(start) >= waitMs) return LockResult::TimedOut;
        timespec pause{0, kRetryNs};
        nanosleep(&pause, nullptr);
    }
}

bool DescribeLockHolder(int fd, char *out, size_t size) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return false;
    // /proc/locks names a file by its device, in hex, and its inode.
    char file[64];
    (void)std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(info.st_dev), minor(info.st_dev),
                        static_cast<unsigned long>(info.st_ino));
    long pid = FindHolder(file);
    if (pid < 0) return false;
    char command[64];
    CommandOf(pid, command, sizeof command);
    if (command[0] != '\0')
        (void)std::snprintf(out, size, "process %ld (%s)", pid, command);
    else
        (void)std::snprintf(out, size, "process %ld", pid);
    return true;
}

}  // namespace tvsimstate
#endif
