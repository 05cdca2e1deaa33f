#include "interrupt.h"

namespace tvctl {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking read returns, so a prompt can see the request
    installed_ = sigaction(SIGINT, &action, &previous_) == 0;
}

InterruptGuard::~InterruptGuard() {
    if (installed_) sigaction(SIGINT, &previous_, nullptr);
}

const volatile std::sig_atomic_t *InterruptGuard::Flag() { return &interrupted; }
bool InterruptGuard::Pending() { return interrupted != 0; }
void InterruptGuard::Clear() { interrupted = 0; }

}  // namespace tvctl
