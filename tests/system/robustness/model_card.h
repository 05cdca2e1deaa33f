// The model test's own picture of the hardware side: the two channel plans
// worked out from their carrier rules, and the simulated card's devices as
// its documentation describes them (registers, tuner, lock rule, faults).
// Written from those rules alone; nothing here calls the library.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "tvsim.h"

namespace model {

// ---- Channel plans ---------------------------------------------------------

// Picture carrier of a channel in kHz; 0 where the plan has none.
uint32_t CarrierKHz(uint32_t plan, uint32_t channel);
// Entries of a plan (channels 0..n-1); 0 for no plan.
uint32_t PlanEntries(uint32_t plan);
// The tuner's 4-byte block for a channel of a plan.
std::array<uint8_t, 4> TunerBlock(uint32_t plan, uint32_t channel);

// ---- The simulated card ------------------------------------------------------

// One transaction as the card logs it.
struct Transaction {
    uint32_t op = 0, device = 0, reg = 0, value = 0, count = 0, result = 0, fault = TVSIM_FAULT_NONE;
    std::vector<uint8_t> bytes;  // a block's first bytes as logged
    bool operator==(const Transaction &) const = default;
};

class CardModel {
public:
    // `registers`: the decoder's registers as the card holds them now;
    // `stations`: carriers on the air in kHz. The tuner settles at once.
    CardModel(const std::array<uint8_t, 256> &registers, std::set<uint32_t> stationsKHz);

    uint32_t Read(uint32_t device, uint32_t reg);
    uint32_t Write(uint32_t device, uint32_t reg, uint32_t value);
    uint32_t Block(uint32_t device, const uint8_t *bytes, uint32_t count);

    // Arms a fault for the transaction with this sequence number.
    void FailAt(uint64_t sequence, uint32_t fault) { faults_[sequence] = fault; }
    bool ArmedAt(uint64_t sequence) const { return faults_.count(sequence) != 0; }
    uint64_t Sequence() const { return sequence_; }

    // Transactions since the last call, and forgets them.
    std::vector<Transaction> TakeSent();

    const std::array<uint8_t, 256> &Registers() const { return regs_; }
    bool TunerProgrammed() const { return programmed_; }
    const std::array<uint8_t, 4> &TunerBlockHeld() const { return tuner_; }

private:
    uint32_t TakeFault(uint32_t op);
    bool Locked() const;
    void Log(Transaction t);

    std::array<uint8_t, 256> regs_;
    std::set<uint32_t> stations_;  // carriers in kHz
    bool programmed_ = false;
    std::array<uint8_t, 4> tuner_{};
    std::map<uint64_t, uint32_t> faults_;
    uint64_t sequence_ = 0;
    std::vector<Transaction> sent_;
};

}  // namespace model
