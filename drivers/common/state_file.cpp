#include "state_file.h"

#include "lock_wait.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if !defined(_WIN32)
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tvsimstate {
namespace {

constexpr size_t kHeaderBytes = 8 + 4;  // magic, payload length
constexpr size_t kTrailerBytes = 4;     // checksum
constexpr size_t kMaxRecord = kHeaderBytes + kMaxPayload + kTrailerBytes;

#if !defined(_WIN32)
// FNV-1a: enough to tell a torn or edited file from a sound one.
uint32_t Checksum(const unsigned char *bytes, size_t count) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

void PutWord(unsigned char *at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetWord(const unsigned char *at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
#endif

// `a` + `b` into `out` (kMaxPath bytes); false when it does not fit.
bool Join(char *out, const char *a, const char *b) {
    int written = std::snprintf(out, kMaxPath, "%s%s", a, b);
    return written > 0 && static_cast<size_t>(written) < kMaxPath;
}

const char *Setting(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

// A directory setting: relative paths are ignored, as the XDG rules say (one
// would be taken from whatever directory the program happens to run in).
const char *AbsoluteSetting(const char *name) {
    const char *value = Setting(name);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

#if !defined(_WIN32)
// Creates `dir` and its missing parents, private to the user.
bool MakeDirectories(const char *dir) {
    char path[kMaxPath];
    if (!Join(path, dir, "")) return false;
    for (char *slash = path + 1; *slash != '\0'; ++slash) {
        if (*slash != '/') continue;
        *slash = '\0';
        if (mkdir(path, 0700) != 0 && errno != EEXIST) return false;
        *slash = '/';
    }
    return mkdir(path, 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const unsigned char *bytes, size_t count) {
    while (count > 0) {
        ssize_t done = write(fd, bytes, count);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

// What a file of `mode` is, for a note; nullptr for a regular file.
const char *OtherKind(mode_t mode) {
    if (S_ISREG(mode)) return nullptr;
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "a socket";
}

// Reads up to `capacity` bytes; the count read, or -1.
ssize_t ReadAll(int fd, unsigned char *bytes, size_t capacity) {
    size_t got = 0;
    while (got < capacity) {
        ssize_t done = read(fd, bytes + got, capacity - got);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return -1;
        if (done == 0) break;
        got += static_cast<size_t>(done);
    }
    return static_cast<ssize_t>(got);
}
#endif

}  // namespace

void DefaultDirectory(char *out) {
    out[0] = '\0';
    if (const char *runtime = AbsoluteSetting("XDG_RUNTIME_DIR")) {
        if (!Join(out, runtime, "/tvcore")) out[0] = '\0';
    } else if (const char *state = AbsoluteSetting("XDG_STATE_HOME")) {
        if (!Join(out, state, "/tvcore")) out[0] = '\0';
    } else if (const char *home = AbsoluteSetting("HOME")) {
        if (!Join(out, home, "/.local/state/tvcore")) out[0] = '\0';
    }
}

void StateFile::Configure(const char *settingName, const char *fileName, const char *who, const char magic[8]) {
    enabled_ = false;
    noted_ = false;
    who_ = who;
    std::memcpy(magic_, magic, sizeof magic_);
    path_[0] = lockPath_[0] = tempPath_[0] = '\0';
#if defined(_WIN32)
    (void)settingName;
    (void)fileName;  // no state file on Windows: the device forgets at unload
#else
    const char *chosen = Setting(settingName);
    if (chosen != nullptr && std::strcmp(chosen, "off") == 0) return;
    if (chosen != nullptr) {
        if (!Join(path_, chosen, "")) return TurnOff("cannot be used", "its path is too long");
    } else {
        char dir[kMaxPath];
        DefaultDirectory(dir);
        if (dir[0] == '\0') return;  // no home at all: nowhere to keep it
        if (!MakeDirectories(dir)) return TurnOff("cannot be kept", "its directory cannot be created");
        char file[kMaxPath];
        if (!Join(file, "/", fileName) || !Join(path_, dir, file))
            return TurnOff("cannot be used", "its path is too long");
    }
    if (!Join(lockPath_, path_, ".lock") || !Join(tempPath_, path_, ".XXXXXX"))
        return TurnOff("cannot be used", "its path is too long");
    enabled_ = true;
#endif
}

void StateFile::Note(const char *what, const char *detail) {
    if (noted_) return;
    noted_ = true;
    std::fprintf(stderr, "tvcore %s: the state file %s %s (%s)\n", who_, path_[0] ? path_ : "(none)", what, detail);
}

void StateFile::TurnOff(const char *what, const char *detail) {
    Note(what, detail);
    enabled_ = false;
}

// Run before each use of `path` (the file's or its lock's): a link is not
// followed and nothing but a regular file is opened, replaced or removed,
// so a FIFO never stalls the process and a device (even /dev/null when run
// as root) is never replaced. True when refused; the file is then off.
bool StateFile::RefuseUnlessRegular(const char *path, const char *whose) {
#if defined(_WIN32)
    (void)path;
    (void)whose;
    return false;
#else
    struct stat info {};
    if (lstat(path, &info) != 0) return false;  // not there (or not reachable: the open will say)
    const char *kind = OtherKind(info.st_mode);
    if (kind == nullptr) return false;
    char detail[128];
    (void)std::snprintf(detail, sizeof detail, "%s is %s, not a regular file, and is left alone", whose, kind);
    TurnOff("is not used", detail);
    return true;
#endif
}

StateFile::Guard::Guard(StateFile &file) {
#if !defined(_WIN32)
    // The file itself is checked first, so a refused path gets no lock file.
    if (!file.enabled_ || file.RefuseUnlessRegular(file.path_, "it") ||
        file.RefuseUnlessRegular(file.lockPath_, "its lock file"))
        return;
    do {
        fd_ = open(file.lockPath_, O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        file.TurnOff("is not kept", "its lock file cannot be opened");
        return;
    }
    const LockResult locked = LockWithin(fd_, kLockWaitMs);
    if (locked == LockResult::Taken) return;
    char detail[kMaxPath + 256];  // the lock path, the holder (128) and the words
    if (locked == LockResult::Failed) {
        (void)std::snprintf(detail, sizeof detail, "its lock file cannot be locked");
    } else {
        char holder[128];
        if (!DescribeLockHolder(fd_, holder, sizeof holder)) (void)std::snprintf(holder, sizeof holder, "another process");
        (void)std::snprintf(detail, sizeof detail, "its lock file %s is still held by %s after %d seconds",
                            file.lockPath_, holder, kLockWaitMs / 1000);
    }
    close(fd_);
    fd_ = -1;
    file.TurnOff("is not kept", detail);
#else
    (void)file;
#endif
}

StateFile::Guard::~Guard() {
#if !defined(_WIN32)
    if (fd_ >= 0) close(fd_);  // closing lets the lock go
#endif
}

StateFile::Loaded StateFile::Load(void *out, size_t capacity, size_t &size) {
    size = 0;
#if defined(_WIN32)
    (void)out;
    (void)capacity;
    return Loaded::Missing;
#else
    if (!enabled_ || RefuseUnlessRegular(path_, "it")) return Loaded::Off;
    int fd;
    do {
        fd = open(path_, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT) return Loaded::Missing;
        Note("is ignored and replaced", "it cannot be opened");
        return Loaded::Ignored;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {  // swapped since the check above
        close(fd);
        TurnOff("is not used", "it is not a regular file, and is left alone");
        return Loaded::Off;
    }
    unsigned char record[kMaxRecord + 1];
    const ssize_t got = ReadAll(fd, record, sizeof record);
    close(fd);
    const size_t length = got >= static_cast<ssize_t>(kHeaderBytes) ? GetWord(record + 8) : 0;
    const char *why = nullptr;
    if (got < 0)
        why = "it cannot be read";
    else if (static_cast<size_t>(got) < kHeaderBytes || std::memcmp(record, magic_, sizeof magic_) != 0)
        why = "it is not this device's state";
    else if (length > capacity || static_cast<size_t>(got) != kHeaderBytes + length + kTrailerBytes)
        why = "it has the wrong length";
    else if (GetWord(record + kHeaderBytes + length) != Checksum(record, kHeaderBytes + length))
        why = "its checksum does not match";
    if (why != nullptr) {
        Note("is ignored and replaced", why);
        return Loaded::Ignored;
    }
    std::memcpy(out, record + kHeaderBytes, length);
    size = length;
    return Loaded::Payload;
#endif
}

void StateFile::Save(const void *payload, size_t size) {
#if defined(_WIN32)
    (void)payload;
    (void)size;
#else
    if (!enabled_ || size > kMaxPayload || RefuseUnlessRegular(path_, "it")) return;
    unsigned char record[kMaxRecord];
    std::memcpy(record, magic_, sizeof magic_);
    PutWord(record + 8, static_cast<uint32_t>(size));
    std::memcpy(record + kHeaderBytes, payload, size);
    PutWord(record + kHeaderBytes + size, Checksum(record, kHeaderBytes + size));
    // A new file of an unpredictable name (created exclusively, mode 0600): a
    // link or file someone planted beside the state file is never written.
    std::memcpy(tempPath_ + std::strlen(tempPath_) - 6, "XXXXXX", 6);  // the last save filled them in
    int fd;
    do {
        fd = mkostemp(tempPath_, O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return TurnOff("is not kept", "a temporary file beside it cannot be created");
    bool written = WriteAll(fd, record, kHeaderBytes + size + kTrailerBytes);
    written = close(fd) == 0 && written;
    if (!written || rename(tempPath_, path_) != 0) {
        unlink(tempPath_);
        TurnOff("is not kept", "it cannot be written");
    }
#endif
}

bool StateFile::Remove() {
#if defined(_WIN32)
    return true;
#else
    if (!enabled_) return true;
    if (RefuseUnlessRegular(path_, "it")) return false;
    if (unlink(path_) == 0 || errno == ENOENT) return true;
    Note("cannot be removed", std::strerror(errno));
    return false;
#endif
}

uint32_t StateFile::CopyPath(char *out, uint32_t size) const {
    const char *path = Path();
    const size_t length = std::strlen(path);
    if (out != nullptr && size > 0) {
        const size_t copied = length < size ? length : size - 1;
        std::memcpy(out, path, copied);
        out[copied] = '\0';
    }
    return static_cast<uint32_t>(length);
}

}  // namespace tvsimstate
