// Taking a state file's lock without waiting for ever, and naming the
// process that holds it when the wait runs out. Nothing here allocates heap
// memory: the simulated devices lock from inside calls that must not.
#pragma once

#include <cstddef>

namespace tvsimstate {

// How long a process waits for the lock. A writer holds it for one small
// read-modify-write (well under a millisecond, a few under heavy load), so a
// lock still held after this is kept by something else: a stopped or stuck
// process, or someone holding it on purpose.
inline constexpr int kLockWaitMs = 3000;

enum class LockResult { Taken, TimedOut, Failed };

// Takes an exclusive flock on `fd`, trying again every few milliseconds
// until `waitMs` have passed.
LockResult LockWithin(int fd, int waitMs);

// Writes "process PID (COMMAND)" for the process /proc/locks shows holding a
// flock on the file `fd` is open on (COMMAND left out when it cannot be
// read) into `out` (`size` bytes). False when no holder can be found.
bool DescribeLockHolder(int fd, char *out, size_t size);

}  // namespace tvsimstate
