// Faults that a test arms on the simulated card: chosen transactions (by
// their log sequence number) or the next transactions to a device fail the
// way a real bus fails. Fixed tables, so arming and checking never allocate.
// Not locked itself; the card's lock guards it.
#pragma once

#include <array>
#include <cstdint>

#include "tvsim.h"

namespace tvsim {

class FaultPlan {
public:
    // Arms `fault` for the transaction with log sequence number `sequence`.
    // False when the fault is unknown or every slot is taken.
    bool ArmAt(uint64_t sequence, uint32_t fault);

    // Arms `fault` for the next `count` transactions to `device` that it
    // applies to (TVSIM_FAULT_FOREVER: until cleared); replaces an earlier
    // device fault for the same device. Count 0 disarms it. False when the
    // fault is unknown or every slot is taken.
    bool ArmDevice(uint32_t device, uint32_t fault, uint32_t count);

    void Clear();

    // Drops the faults armed by sequence number (the log's numbering starts
    // again); device faults stay.
    void ForgetSequences();

    // The fault the transaction about to happen meets (TVSIM_FAULT_NONE for
    // none), consuming what it uses: a sequence fault is used up when its
    // transaction comes, whether or not it applies to that operation; a
    // device fault counts only the transactions it applies to. A read fault
    // applies to reads only; no acknowledge to every operation.
    uint32_t Take(uint64_t sequence, uint32_t device, uint32_t op);

    uint64_t Injected() const { return injected_; }

private:
    struct AtSequence {
        bool armed = false;
        uint64_t sequence = 0;
        uint32_t fault = TVSIM_FAULT_NONE;
    };
    struct OnDevice {
        uint32_t device = 0;
        uint32_t fault = TVSIM_FAULT_NONE;
        uint32_t remaining = 0;  // 0: the slot is free
    };

    std::array<AtSequence, TVSIM_MAX_FAULTS> atSequence_{};
    std::array<OnDevice, TVSIM_MAX_FAULTS> onDevice_{};
    uint64_t injected_ = 0;
};

}  // namespace tvsim
