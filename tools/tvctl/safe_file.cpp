#include "safe_file.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace tvctl {

const char *NonRegularKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "a special file";
}

namespace {

// Closes a descriptor at the end of a scope.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) (void)close(fd);  // read only, or already closed with its result checked
    }
};

}  // namespace

FileText ReadRegularFile(const std::string &path, size_t maxBytes, const char *what) {
    FileText out;
    Descriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) {
        if (errno == ENOENT) {
            out.outcome = FileText::Outcome::Missing;
        } else {
            out.error = fmt::format("{} {} cannot be read: {}", what, path, std::strerror(errno));
        }
        return out;
    }
    struct stat info {};
    if (fstat(file.fd, &info) != 0) {
        out.error = fmt::format("{} {} cannot be read: {}", what, path, std::strerror(errno));
        return out;
    }
    if (!S_ISREG(info.st_mode)) {
        out.error = fmt::format("{} {} is {}, not a regular file; it is not read", what, path, NonRegularKind(info.st_mode));
        return out;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t got = read(file.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            out.error = fmt::format("{} {} cannot be read: {}", what, path, std::strerror(errno));
            return out;
        }
        if (got == 0) break;
        // The size is checked as the file is read: it may grow meanwhile.
        if (text.size() + static_cast<size_t>(got) > maxBytes) {
            out.error = fmt::format("{} {} is larger than {} bytes, more than such a file can be; it is not read",
                                    what, path, maxBytes);
            return out;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    out.outcome = FileText::Outcome::Read;
    out.text = std::move(text);
    return out;
}

std::string NotRegularProblem(const std::string &path, const char *what) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return "";
    return fmt::format("{} {} is {}, not a regular file", what, path, NonRegularKind(info.st_mode));
}

std::string FollowLinks(const std::string &path) {
    std::filesystem::path at(path);
    for (int hops = 0; hops < 40; ++hops) {  // the kernel's own limit on links in a row
        std::error_code code;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, code)) || code) break;
        std::filesystem::path target = std::filesystem::read_symlink(at, code);
        if (code) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return at.string();
}

bool WriteFileAtomically(const std::string &path, const std::string &text, std::string *error) {
    const std::filesystem::path target(FollowLinks(path));
    const std::string name = target.string();
    std::error_code code;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), code);
        if (code) {
            *error = fmt::format("cannot create {}: {}", target.parent_path().string(), code.message());
            return false;
        }
    }
    mode_t mode = 0600;
    struct stat old {};
    if (lstat(name.c_str(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            *error = fmt::format("{} is {}, not a regular file; it is left alone", name, NonRegularKind(old.st_mode));
            return false;
        }
        mode = old.st_mode & 07777;
    }
    std::string temporary =
        (target.has_parent_path() ? target.parent_path().string() + "/" : std::string()) + "." +
        target.filename().string() + ".XXXXXX";
    Descriptor file{mkstemp(temporary.data())};
    if (file.fd < 0) {
        *error = fmt::format("cannot write next to {}: {}", name, std::strerror(errno));
        return false;
    }
    int failure = fchmod(file.fd, mode) == 0 ? 0 : errno;
    const char *at = text.data();
    size_t left = text.size();
    while (failure == 0 && left > 0) {
        ssize_t wrote = write(file.fd, at, left);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            failure = wrote < 0 ? errno : EIO;
            break;
        }
        at += wrote;
        left -= static_cast<size_t>(wrote);
    }
    if (failure == 0 && fsync(file.fd) != 0) failure = errno;
    if (close(std::exchange(file.fd, -1)) != 0 && failure == 0) failure = errno;
    if (failure == 0 && std::rename(temporary.c_str(), name.c_str()) != 0) failure = errno;
    if (failure == 0) return true;
    (void)unlink(temporary.c_str());  // the failure is what is reported
    *error = fmt::format("cannot write {}: {}; it is kept as it was", name, std::strerror(failure));
    return false;
}

}  // namespace tvctl
