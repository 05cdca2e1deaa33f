// Ctrl-C as a request rather than the end of the program: while a guard
// lives, SIGINT only sets a flag that the long-running work (a scan, the
// shell's prompt) checks, so it can stop cleanly, say what it has and leave
// the terminal tidy. The guard puts the previous handling back.
#pragma once

#include <csignal>

namespace tvctl {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

    // Set once Ctrl-C came while the guard lived; Clear() takes it back.
    static const volatile std::sig_atomic_t *Flag();
    static bool Pending();
    static void Clear();

private:
    struct sigaction previous_ {};
    bool installed_ = false;
};

}  // namespace tvctl
