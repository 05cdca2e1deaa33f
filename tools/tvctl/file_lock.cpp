#include "file_lock.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "safe_file.h"

namespace tvctl {

namespace {

constexpr int kPollMs = 20;

// The holder's process id as it wrote it, for the sentence; "" when unknown.
std::string Holder(const std::string &lockPath) {
    FileText text = ReadRegularFile(lockPath, 64, "the lock file");
    if (text.outcome != FileText::Outcome::Read) return "";
    std::string pid = text.text.substr(0, text.text.find('\n'));
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) return "";
    return pid;
}

}  // namespace

FileLock::~FileLock() {
    if (fd_ >= 0) (void)close(fd_);  // closing releases the lock; the lock file stays for the next run
}

bool FileLock::Take(const std::string &file, const char *what, std::string *error, int waitMs) {
    // No lock file is made beside a device or a FIFO: such a list is refused anyway.
    *error = NotRegularProblem(file, what);
    if (!error->empty()) return false;
    const std::filesystem::path target(FollowLinks(file));
    const std::string lockPath = target.string() + ".lock";
    std::error_code code;
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    // O_NOFOLLOW: a link planted as the lock file is not followed; O_NONBLOCK:
    // a FIFO there does not stall the open.
    fd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat info {};
    if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = fmt::format("{} {} cannot be locked for the change: {} {}", what, file, lockPath,
                             fd_ < 0 ? std::strerror(errno) : "is not a regular file");
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *error = fmt::format("{} {} cannot be locked for the change: {}", what, file, std::strerror(errno));
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string pid = Holder(lockPath);
            *error = fmt::format("{} {} is being changed by another process{} and was not free within {} s; "
                                 "try again when it has finished (lock file {})",
                                 what, file, pid.empty() ? "" : " (process " + pid + ")", waitMs / 1000, lockPath);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    // The holder's id, for a run that waits on this lock; a failure here costs only that.
    std::string pid = fmt::format("{}\n", getpid());
    if (ftruncate(fd_, 0) == 0) (void)!pwrite(fd_, pid.data(), pid.size(), 0);
    return true;
}

}  // namespace tvctl
