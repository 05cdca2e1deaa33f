#include "fault_plan.h"

namespace tvsim {
namespace {

bool KnownFault(uint32_t fault) { return fault == TVSIM_FAULT_NO_ACK || fault == TVSIM_FAULT_READ; }

bool Applies(uint32_t fault, uint32_t op) { return fault == TVSIM_FAULT_NO_ACK || op == TVSIM_OP_READ; }

}  // namespace

bool FaultPlan::ArmAt(uint64_t sequence, uint32_t fault) {
    if (!KnownFault(fault)) return false;
    for (AtSequence &slot : atSequence_) {
        if (slot.armed) continue;
        slot = AtSequence{true, sequence, fault};
        return true;
    }
    return false;
}

bool FaultPlan::ArmDevice(uint32_t device, uint32_t fault, uint32_t count) {
    if (!KnownFault(fault)) return false;
    OnDevice *free = nullptr;
    for (OnDevice &slot : onDevice_) {
        if (slot.remaining != 0 && slot.device == device) {
            slot.fault = fault;
            slot.remaining = count;
            return true;
        }
        if (slot.remaining == 0 && free == nullptr) free = &slot;
    }
    if (count == 0) return true;  // nothing armed for that device, nothing to disarm
    if (free == nullptr) return false;
    *free = OnDevice{device, fault, count};
    return true;
}

void FaultPlan::Clear() {
    atSequence_.fill(AtSequence{});
    onDevice_.fill(OnDevice{});
    injected_ = 0;
}

void FaultPlan::ForgetSequences() { atSequence_.fill(AtSequence{}); }

uint32_t FaultPlan::Take(uint64_t sequence, uint32_t device, uint32_t op) {
    uint32_t fault = TVSIM_FAULT_NONE;
    for (AtSequence &slot : atSequence_) {
        if (!slot.armed || slot.sequence != sequence) continue;
        slot.armed = false;
        if (fault == TVSIM_FAULT_NONE && Applies(slot.fault, op)) fault = slot.fault;
    }
    if (fault == TVSIM_FAULT_NONE) {
        for (OnDevice &slot : onDevice_) {
            if (slot.remaining == 0 || slot.device != device || !Applies(slot.fault, op)) continue;
            if (slot.remaining != TVSIM_FAULT_FOREVER) --slot.remaining;
            fault = slot.fault;
            break;
        }
    }
    if (fault != TVSIM_FAULT_NONE) ++injected_;
    return fault;
}

}  // namespace tvsim
