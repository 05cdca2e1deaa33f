// Failures that a test arms on the simulated mixer: a chosen coming message
// answers a chosen result without acting. A fixed table, so arming and
// checking never allocate. Not locked itself; the driver's lock guards it.
#pragma once

#include <array>
#include <cstdint>

#include "include/tvmixsim.h"

namespace tvmixsim {

class MessageFaults {
public:
    // After `skip` more messages `message` (0: any message) have been
    // answered normally, the next one answers `result`. False when every
    // slot is taken.
    bool Arm(uint32_t message, uint32_t skip, uint32_t result);

    void Clear();

    // Whether message `msg` meets a fault now; if so `result` is its
    // answer and the fault is used up. Every other armed fault for that
    // message counts it as one passed.
    bool Take(uint32_t msg, uint32_t &result);

    uint32_t Injected() const { return injected_; }

private:
    struct Slot {
        bool armed = false;
        uint32_t message = 0;
        uint32_t skip = 0;
        uint32_t result = 0;
    };
    std::array<Slot, TVMIXSIM_MAX_FAULTS> slots_{};
    uint32_t injected_ = 0;
};

}  // namespace tvmixsim
