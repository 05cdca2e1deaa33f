// CreateFileA and ReadFile: read-only access to existing regular files,
// with Windows' answers and error codes.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

#include "handles.h"
#include "tvhost/win32.h"

namespace tvhost {
namespace {

class FileObject final : public HandleObject {
public:
    explicit FileObject(int fd) : fd_(fd) {}
    ~FileObject() override { close(fd_); }
    HandleKind Kind() const override { return HandleKind::File; }

    int fd() const { return fd_; }
    // One ReadFile at a time per open file, so concurrent readers of one
    // handle each get a contiguous piece of the file.
    std::mutex &readLock() { return readLock_; }

private:
    int fd_;
    std::mutex readLock_;
};

constexpr DWORD kKnownShareBits = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kAcceptedFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;

// Paths the library forms as "dir\file": the backslash separates directories.
std::string HostPath(const char *name) {
    std::string path(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool IsDirectory(const std::string &path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Windows tells a missing file in an existing directory (FILE_NOT_FOUND)
// from a path whose directory is missing (PATH_NOT_FOUND).
DWORD MissingFileError(const std::string &path) {
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return IsDirectory(dir) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD OpenError(int error, const std::string &path) {
    switch (error) {
    case ENOENT:
        return MissingFileError(path);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

HANDLE Refuse(DWORD error) {
    SetError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace
}  // namespace tvhost

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile) {
    using namespace tvhost;
    (void)templateFile;  // Windows ignores the template when opening an existing file
    if (fileName == nullptr) return Refuse(ERROR_INVALID_PARAMETER);
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return Refuse(ERROR_INVALID_PARAMETER);
    if ((shareMode & ~kKnownShareBits) != 0 || (flagsAndAttributes & ~kAcceptedFlags) != 0)
        return Refuse(ERROR_INVALID_PARAMETER);
    // The host hands out no inheritable handles: there is no child process
    // to inherit them.
    if (security != nullptr && security->bInheritHandle) return Refuse(ERROR_INVALID_PARAMETER);
    // Read-only service: write access is denied, creating or truncating is
    // not offered.
    if ((desiredAccess & ~GENERIC_READ) != 0) return Refuse(ERROR_ACCESS_DENIED);
    if (desiredAccess != GENERIC_READ) return Refuse(ERROR_INVALID_PARAMETER);
    if (creationDisposition != OPEN_EXISTING) return Refuse(ERROR_INVALID_PARAMETER);

    const std::string path = HostPath(fileName);
    if (path.empty()) return Refuse(ERROR_PATH_NOT_FOUND);

    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files are
    // served, and reads are blocking again below.
    int fd;
    do {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Refuse(OpenError(errno, path));

    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        // Windows answers a directory opened as a file with ACCESS_DENIED.
        return Refuse(ERROR_ACCESS_DENIED);
    }
    int status = fcntl(fd, F_GETFL);
    if (status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        close(fd);
        return Refuse(ERROR_ACCESS_DENIED);
    }
    if ((flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN) != 0)
        (void)posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);  // a hint; its failure changes nothing

    std::shared_ptr<FileObject> file;
    try {
        file = std::make_shared<FileObject>(fd);
    } catch (...) {
        close(fd);
        return Refuse(ERROR_NOT_ENOUGH_MEMORY);
    }
    HANDLE handle = AddHandle(file);
    if (handle == 0) return Refuse(ERROR_TOO_MANY_OPEN_FILES);  // file's destructor closes fd
    SetError(ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                     LPOVERLAPPED overlapped) {
    using namespace tvhost;
    if (bytesRead != nullptr) *bytesRead = 0;
    std::shared_ptr<HandleObject> object = FindHandle(file, HandleKind::File);
    if (!object) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Synchronous reads only, and the count must have somewhere to go.
    if (overlapped != nullptr || bytesRead == nullptr || (buffer == nullptr && bytesToRead != 0)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto *opened = static_cast<FileObject *>(object.get());
    std::lock_guard<std::mutex> guard(opened->readLock());
    char *to = static_cast<char *>(buffer);
    DWORD done = 0;
    // Short reads are continued until the asked count or the end of the file.
    while (done < bytesToRead) {
        size_t chunk = std::min<size_t>(bytesToRead - done, SSIZE_MAX);
        ssize_t got = read(opened->fd(), to + done, chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *bytesRead = done;
            SetError(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_READ_FAULT);
            return FALSE;
        }
        if (got == 0) break;
        done += static_cast<DWORD>(got);
    }
    *bytesRead = done;
    return TRUE;
}

}  // extern "C"
