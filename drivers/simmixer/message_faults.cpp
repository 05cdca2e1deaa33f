#include "message_faults.h"

namespace tvmixsim {

bool MessageFaults::Arm(uint32_t message, uint32_t skip, uint32_t result) {
    for (Slot &slot : slots_) {
        if (slot.armed) continue;
        slot = Slot{true, message, skip, result};
        return true;
    }
    return false;
}

void MessageFaults::Clear() {
    slots_.fill(Slot{});
    injected_ = 0;
}

bool MessageFaults::Take(uint32_t msg, uint32_t &result) {
    bool failed = false;
    // Of two faults due on one message, one answers it and the other waits
    // for the next such message.
    for (Slot &slot : slots_) {
        if (!slot.armed || (slot.message != 0 && slot.message != msg)) continue;
        if (slot.skip > 0) {
            --slot.skip;
        } else if (!failed) {
            failed = true;
            result = slot.result;
            slot.armed = false;
        }
    }
    if (failed) ++injected_;
    return failed;
}

}  // namespace tvmixsim
