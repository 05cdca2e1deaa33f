// A lock around one change of one of tvctl's files (read, merge, write), so
// that two tvctl runs changing it at once do not lose each other's change.
// The lock is flock on "<file>.lock" (the file itself is replaced by each
// write, so it cannot carry the lock); the holder writes its process id
// there, so that a run that finds the lock taken can say who holds it.
#pragma once

#include <string>

namespace tvctl {

// How long a run waits for another run's lock before it gives up.
inline constexpr int kLockWaitMs = 5000;

class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Takes the lock of `file` (links followed), waiting at most `waitMs`;
    // false with `*error` set as a sentence naming the file and the holder
    // where known. `what` names the file ("the station list").
    bool Take(const std::string &file, const char *what, std::string *error, int waitMs = kLockWaitMs);

private:
    int fd_ = -1;
};

}  // namespace tvctl
