#include "model_card.h"

#include <algorithm>

namespace model {
namespace {

// Runs of channels whose carriers lie 6 MHz apart: first channel, last
// channel, carrier of the first in kHz.
struct Run {
    uint32_t first, last, carrierKHz;
};
constexpr Run kBroadcast[] = {{2, 4, 55250}, {5, 6, 77250}, {7, 13, 175250}, {14, 69, 471250}};
constexpr Run kCable[] = {{1, 1, 73250},     {2, 4, 55250},     {5, 6, 77250},     {7, 13, 175250},
                          {14, 22, 121250},  {23, 36, 217250},  {37, 94, 301250},  {95, 99, 91250},
                          {100, 125, 649250}};

// Band bytes by channel range; cable 63 is tuned in the high band.
uint8_t BandByte(uint32_t plan, uint32_t channel) {
    if (plan == 0) return channel <= 6 ? 0x01 : channel <= 13 ? 0x02 : 0x08;
    if (channel <= 6 || (channel >= 14 && channel <= 20) || (channel >= 95 && channel <= 99)) return 0x01;
    if (channel <= 13 || (channel >= 21 && channel <= 62)) return 0x02;
    return 0x08;
}

// Frequencies on the card count in the tuner's 62.5 kHz steps.
int64_t StepsOfKHz(uint32_t kHz) { return int64_t{kHz} * 2 / 125; }

// The tuner's bands by carrier: low below 160 MHz, mid below 454 MHz.
uint8_t BandOfCarrier(int64_t steps) {
    if (steps <= 0) return 0;
    return steps < StepsOfKHz(160000) ? 0x01 : steps < StepsOfKHz(454000) ? 0x02 : 0x08;
}

}  // namespace

uint32_t CarrierKHz(uint32_t plan, uint32_t channel) {
    const Run *run = plan == 0 ? std::begin(kBroadcast) : std::begin(kCable);
    const Run *end = plan == 0 ? std::end(kBroadcast) : std::end(kCable);
    for (; run != end; ++run)
        if (channel >= run->first && channel <= run->last) return run->carrierKHz + 6000 * (channel - run->first);
    return 0;
}

uint32_t PlanEntries(uint32_t plan) { return plan == 0 ? 70 : plan == 1 ? 126 : 0; }

std::array<uint8_t, 4> TunerBlock(uint32_t plan, uint32_t channel) {
    uint32_t carrier = CarrierKHz(plan, channel);
    // The oscillator runs 45.75 MHz above the carrier, in 62.5 kHz steps.
    uint32_t divider = carrier == 0 ? 0 : (carrier + 45750) * 2 / 125;
    return {static_cast<uint8_t>(divider >> 8), static_cast<uint8_t>(divider), 0x8E, BandByte(plan, channel)};
}

CardModel::CardModel(const std::array<uint8_t, 256> &registers, std::set<uint32_t> stationsKHz)
    : regs_(registers), stations_(std::move(stationsKHz)) {}

uint32_t CardModel::TakeFault(uint32_t op) {
    auto armed = faults_.find(sequence_);
    if (armed == faults_.end()) return TVSIM_FAULT_NONE;
    uint32_t fault = armed->second;
    faults_.erase(armed);
    return fault == TVSIM_FAULT_NO_ACK || op == TVSIM_OP_READ ? fault : TVSIM_FAULT_NONE;
}

bool CardModel::Locked() const {
    if (!programmed_ || tuner_[2] != 0x8E) return false;
    // The divider counts the oscillator, 45.75 MHz above the carrier.
    int64_t carrier = ((int64_t{tuner_[0]} << 8) | tuner_[1]) - StepsOfKHz(45750);
    uint8_t band = BandOfCarrier(carrier);
    if (band == 0 || band != tuner_[3]) return false;
    for (uint32_t station : stations_)
        if (StepsOfKHz(station) == carrier) return true;
    return false;
}

void CardModel::Log(Transaction t) {
    sent_.push_back(std::move(t));
    ++sequence_;
}

uint32_t CardModel::Read(uint32_t device, uint32_t reg) {
    uint32_t fault = TakeFault(TVSIM_OP_READ);
    uint32_t answer = 0xFF;
    if (fault == TVSIM_FAULT_READ) {
        answer = TVSIM_READ_FAILED;
    } else if (fault == TVSIM_FAULT_NO_ACK) {
        answer = 0xFF;
    } else if (device == 0x88) {
        uint8_t r = static_cast<uint8_t>(reg);
        answer = r != 0 ? regs_[r] : ((regs_[0] & 0xBF) | (Locked() ? 0x40 : 0x00));
    } else if (device == 0xC2) {
        answer = programmed_ ? 0x40 : 0x00;
    }
    Log({TVSIM_OP_READ, device, reg, 0, 0, answer, fault, {}});
    return answer;
}

uint32_t CardModel::Write(uint32_t device, uint32_t reg, uint32_t value) {
    uint32_t fault = TakeFault(TVSIM_OP_WRITE);
    uint32_t result = TVSIM_NO_ACK;
    if (fault == TVSIM_FAULT_NONE && device == 0x88) {
        regs_[static_cast<uint8_t>(reg)] = static_cast<uint8_t>(value);
        result = TVSIM_OK;
    } else if (fault == TVSIM_FAULT_NONE && device == 0xC2) {
        result = TVSIM_BAD_BLOCK;
    }
    Log({TVSIM_OP_WRITE, device, reg, value, 0, result, fault, {}});
    return result;
}

uint32_t CardModel::Block(uint32_t device, const uint8_t *bytes, uint32_t count) {
    uint32_t fault = TakeFault(TVSIM_OP_BLOCK);
    Transaction t{TVSIM_OP_BLOCK, device, 0, 0, count, TVSIM_OK, fault, {}};
    if (fault != TVSIM_FAULT_NONE || (device != 0x88 && device != 0xC2)) {
        t.result = TVSIM_NO_ACK;
    } else if (bytes == nullptr) {
        t.result = TVSIM_BAD_POINTER;
    } else if (device == 0xC2 ? count != 4 : count > 257) {
        t.result = TVSIM_BAD_BLOCK;
    } else {
        t.bytes.assign(bytes, bytes + std::min<uint32_t>(count, TVSIM_LOG_BYTES));
        if (device == 0xC2) {
            std::copy(bytes, bytes + 4, tuner_.begin());
            programmed_ = true;
        } else if (count > 0) {
            uint8_t reg = bytes[0];
            for (uint32_t i = 1; i < count; ++i) regs_[reg++] = bytes[i];
        }
    }
    uint32_t result = t.result;
    Log(std::move(t));
    return result;
}

std::vector<Transaction> CardModel::TakeSent() {
    std::vector<Transaction> sent;
    sent.swap(sent_);
    return sent;
}

}  // namespace model
