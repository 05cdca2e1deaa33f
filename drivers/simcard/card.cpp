// The simulated card: a video decoder at 0x88 and a tuner at 0xC2 behind
// one lock, the stations on the air, and the log of every transaction.
#include "card.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>

#include "fault_plan.h"
#include "state_file.h"
#include "transaction_log.h"
#include "tuner_model.h"
#include "tvsim.h"

namespace tvsim {
namespace {

using Clock = std::chrono::steady_clock;

const Clock::time_point kLoadTime = Clock::now();

constexpr uint32_t kDefaultSettleMs = 40;

// The decoder's registers after power-on: input on the tuner's multiplexer
// field (0x20), contrast and saturation at their middle values (contrast
// 256: control bit 2, register 0x0C 0x00; saturation U 256, V 181: control
// bit 1, registers 0x0D 0x00 and 0x0E 0xB5), brightness and hue centred,
// a few sync and timing defaults, and the chip's identity in the last one.
constexpr std::array<uint8_t, 256> PowerOnRegisters() {
    std::array<uint8_t, 256> regs{};
    regs[0x01] = 0xA9;  // input: mux field 0x20 and other wiring bits
    regs[0x02] = 0x00;
    regs[0x03] = 0x33;
    regs[0x04] = 0x00;
    regs[0x05] = 0x00;
    regs[0x06] = 0xEB;  // horizontal sync start
    regs[0x07] = 0xE0;  // horizontal sync stop
    regs[0x08] = 0x98;
    regs[0x09] = 0x01;
    regs[0x0A] = 0x00;  // brightness 128
    regs[0x0B] = 0xA6;  // control
    regs[0x0C] = 0x00;  // contrast low bits
    regs[0x0D] = 0x00;  // saturation U low bits
    regs[0x0E] = 0xB5;  // saturation V low bits
    regs[0x0F] = 0x00;  // hue 128
    regs[0xFF] = 0x15;  // chip identity
    return regs;
}

// Stations on the air when nothing else is set: some channels of each plan
// (see docs/simulated-card.md for which).
constexpr double kDefaultStations[] = {55.25,  67.25,  77.25,  175.25, 187.25, 211.25, 471.25, 513.25, 615.25,
                                       103.25, 133.25, 253.25, 343.25, 451.25, 457.25, 661.25};

struct Tuner {
    bool programmed = false;
    uint8_t block[4] = {};
    Clock::time_point programmedAt{};
};

struct Card {
    std::mutex lock;
    std::array<uint8_t, 256> decoder = PowerOnRegisters();
    Tuner tuner;
    std::array<int32_t, TVSIM_MAX_STATIONS> stations{};  // carriers in 62.5 kHz steps
    uint32_t stationCount = 0;
    uint32_t settleMs = kDefaultSettleMs;
    bool available = true;
    uint32_t frameWidth = TVSIM_DEFAULT_WIDTH;
    uint32_t frameHeight = TVSIM_DEFAULT_HEIGHT;
    TransactionLog log;
    FaultPlan faults;
    tvsimstate::StateFile state;  // what the card holds, shared with the user's other processes

    Card() { UseDefaultStations(); }

    void UseDefaultStations() {
        stationCount = 0;
        for (double mhz : kDefaultStations) stations[stationCount++] = static_cast<int32_t>(std::lround(mhz * 16));
    }
};

Card &TheCard() {
    static Card card;
    return card;
}

uint64_t MicrosecondsSinceLoad(Clock::time_point when) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(when - kLoadTime).count());
}

uint32_t Divider(const Tuner &tuner) { return (uint32_t{tuner.block[0]} << 8) | tuner.block[1]; }

bool StationOn(const Card &card, int32_t carrierSteps) {
    for (uint32_t i = 0; i < card.stationCount; ++i)
        if (card.stations[i] == carrierSteps) return true;
    return false;
}

bool Settled(const Card &card, Clock::time_point now) {
    return card.tuner.programmed && now - card.tuner.programmedAt >= std::chrono::milliseconds(card.settleMs);
}

// The decoder locks once the tuner has settled on a station's carrier,
// programmed with 62.5 kHz steps in the band that carrier belongs to.
bool PictureLocked(const Card &card, Clock::time_point now) {
    const Tuner &tuner = card.tuner;
    if (!Settled(card, now) || tuner.block[2] != kControlByte) return false;
    int32_t carrier = CarrierSteps(Divider(tuner));
    uint32_t band = BandOfBandByte(tuner.block[3]);
    return band != TVSIM_BAND_NONE && band == BandOfCarrier(carrier) && StationOn(card, carrier);
}

uint8_t DecoderStatus(const Card &card, Clock::time_point now) {
    uint8_t status = card.decoder[0x00] & static_cast<uint8_t>(~0x40u);
    return PictureLocked(card, now) ? static_cast<uint8_t>(status | 0x40u) : status;
}

// The card's state file holds the decoder's 256 registers, then whether the
// tuner was programmed (0 or 1) and its last 4-byte block.
constexpr size_t kStateBytes = 256 + 1 + 4;
constexpr char kStateMagic[8] = {'T', 'V', 'S', 'I', 'M', 'C', 'D', '1'};

void PowerOnState(Card &card) {
    card.decoder = PowerOnRegisters();
    card.tuner = Tuner{};
}

// Takes the registers the file holds. A tuner block that another process
// sent has long settled as far as this process can tell.
bool TakeState(Card &card, const uint8_t (&bytes)[kStateBytes]) {
    if (bytes[256] > 1) return false;
    std::memcpy(card.decoder.data(), bytes, 256);
    Tuner tuner;
    tuner.programmed = bytes[256] == 1;
    std::memcpy(tuner.block, bytes + 257, 4);
    if (tuner.programmed != card.tuner.programmed || std::memcmp(tuner.block, card.tuner.block, 4) != 0)
        card.tuner = tuner;
    return true;
}

void SaveState(Card &card) {
    uint8_t bytes[kStateBytes];
    std::memcpy(bytes, card.decoder.data(), 256);
    bytes[256] = card.tuner.programmed ? 1 : 0;
    std::memcpy(bytes + 257, card.tuner.block, 4);
    card.state.Save(bytes, sizeof bytes);
}

// A missing file is a card that was switched off and on. Answers whether the
// file must be written now.
bool RefreshFromState(Card &card) {
    return card.state.Refresh<kStateBytes>(
        [&] { PowerOnState(card); },
        [&](const uint8_t(&bytes)[kStateBytes], size_t size) { return size == kStateBytes && TakeState(card, bytes); },
        "it does not hold a card's registers");
}

// A change to what the card holds, made as one read-modify-write of the
// state file under its lock, so that changes made by two processes at once
// both stay. The caller holds the card's lock.
template <typename Change>
void ChangeHeldState(Card &card, Change change) {
    if (!card.state.Enabled()) return change();
    tvsimstate::StateFile::Guard guard(card.state);
    RefreshFromState(card);
    change();
    SaveState(card);
}

// A bus call's log entry, begun: what it is, when, and the fault the plan
// gives it. The caller holds the card's lock.
TvSimTransaction Entry(Card &card, uint32_t op, uint16_t device, Clock::time_point now) {
    TvSimTransaction entry{};
    entry.op = op;
    entry.device = device;
    entry.timeUs = MicrosecondsSinceLoad(now);
    entry.fault = card.faults.Take(card.log.Total(), device, op);
    return entry;
}

// The decoder takes a block as a register number followed by bytes for that
// register and the ones after it (wrapping at 0xFF).
constexpr uint32_t kLongestDecoderBlock = 1 + 256;

}  // namespace

uint32_t BusRead(uint16_t device, uint16_t reg) {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    Clock::time_point now = Clock::now();
    TvSimTransaction entry = Entry(card, TVSIM_OP_READ, device, now);
    entry.reg = reg;
    uint32_t answer = 0xFF;  // an idle bus reads all ones
    if (entry.fault == TVSIM_FAULT_READ) {
        answer = TVSIM_READ_FAILED;
    } else if (entry.fault == TVSIM_FAULT_NO_ACK) {
        // Nobody drives the bus: it reads all ones.
    } else if (device == kDecoderAddress) {
        uint8_t r = static_cast<uint8_t>(reg);
        answer = r == 0x00 ? DecoderStatus(card, now) : card.decoder[r];
    } else if (device == kTunerAddress) {
        answer = Settled(card, now) ? 0x40u : 0x00u;
    }
    entry.result = answer;
    card.log.Append(entry);
    return answer;
}

uint32_t BusWrite(uint16_t device, uint16_t reg, uint16_t value) {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    TvSimTransaction entry = Entry(card, TVSIM_OP_WRITE, device, Clock::now());
    entry.reg = reg;
    entry.value = value;
    bool acknowledged = entry.fault != TVSIM_FAULT_NO_ACK && (device == kDecoderAddress || device == kTunerAddress);
    if (!acknowledged) {
        entry.result = TVSIM_NO_ACK;
    } else if (device == kDecoderAddress) {
        ChangeHeldState(card, [&] { card.decoder[static_cast<uint8_t>(reg)] = static_cast<uint8_t>(value); });
        entry.result = TVSIM_OK;
    } else {
        entry.result = TVSIM_BAD_BLOCK;  // a register write is a 2-byte block to the tuner
    }
    card.log.Append(entry);
    return entry.result;
}

uint32_t BusWriteBlock(uint16_t device, const uint8_t *bytes, uint32_t count) {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    Clock::time_point now = Clock::now();
    TvSimTransaction entry = Entry(card, TVSIM_OP_BLOCK, device, now);
    entry.count = count;
    // Nothing is read from the block until the device has answered and the
    // length is one it takes.
    if (entry.fault == TVSIM_FAULT_NO_ACK || (device != kDecoderAddress && device != kTunerAddress)) {
        entry.result = TVSIM_NO_ACK;
    } else if (bytes == nullptr) {
        entry.result = TVSIM_BAD_POINTER;
    } else if (device == kTunerAddress ? count != 4 : count > kLongestDecoderBlock) {
        entry.result = TVSIM_BAD_BLOCK;
    } else {
        std::memcpy(entry.bytes, bytes, count < TVSIM_LOG_BYTES ? count : TVSIM_LOG_BYTES);
        if (device == kTunerAddress) {
            ChangeHeldState(card, [&] {
                std::memcpy(card.tuner.block, bytes, 4);
                card.tuner.programmed = true;
                card.tuner.programmedAt = now;
            });
        } else if (count > 1) {
            ChangeHeldState(card, [&] {
                uint8_t reg = bytes[0];
                for (uint32_t i = 1; i < count; ++i) card.decoder[reg++] = bytes[i];
            });
        }
        entry.result = TVSIM_OK;
    }
    card.log.Append(entry);
    return entry.result;
}

void AttachState() {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.state.Configure("TVSIM_STATE", "simcard.state", "simulated card", kStateMagic);
    if (!card.state.Enabled()) return;
    tvsimstate::StateFile::Guard fileLock(card.state);
    if (RefreshFromState(card)) SaveState(card);
}

bool BusAvailable() {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.available;
}

PictureState PictureSnapshot() {
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    PictureState state;
    state.decoder = card.decoder;
    state.tunerProgrammed = card.tuner.programmed;
    state.carrierSteps = CarrierSteps(Divider(card.tuner));
    state.locked = PictureLocked(card, Clock::now());
    state.width = card.frameWidth;
    state.height = card.frameHeight;
    return state;
}

bool SetFrameSize(uint32_t width, uint32_t height) {
    if (!FrameSizeFits(width, height)) return false;
    Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.frameWidth = width;
    card.frameHeight = height;
    return true;
}

}  // namespace tvsim

using tvsim::TheCard;

extern "C" {

uint64_t TvSimLogTotal(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.log.Total();
}

uint32_t TvSimLogRead(uint64_t first, TvSimTransaction *out, uint32_t max) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.log.Read(first, out, max);
}

void TvSimLogClear(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.log.Clear();
    card.faults.ForgetSequences();
}

int32_t TvSimPowerOn(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    tvsim::PowerOnState(card);
    tvsimstate::StateFile::Guard fileLock(card.state);
    return card.state.Remove() ? 1 : 0;
}

uint32_t TvSimStatePath(char *out, uint32_t size) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.state.CopyPath(out, size);
}

int32_t TvSimRefresh(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    if (!card.state.Enabled()) return 0;
    tvsimstate::StateFile::Guard fileLock(card.state);
    if (tvsim::RefreshFromState(card)) tvsim::SaveState(card);
    return card.state.Enabled() ? 1 : 0;
}

void TvSimRestoreDefaults(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.UseDefaultStations();
    card.settleMs = tvsim::kDefaultSettleMs;
    card.available = true;
    card.frameWidth = TVSIM_DEFAULT_WIDTH;
    card.frameHeight = TVSIM_DEFAULT_HEIGHT;
    card.faults.Clear();
}

int32_t TvSimSetStations(const double *mhz, uint32_t count) {
    if (count > TVSIM_MAX_STATIONS || (mhz == nullptr && count != 0)) return 0;
    std::array<int32_t, TVSIM_MAX_STATIONS> steps{};
    for (uint32_t i = 0; i < count; ++i) {
        if (!(mhz[i] > 0.0 && mhz[i] < 1000.0)) return 0;  // also refuses NaN
        steps[i] = static_cast<int32_t>(std::lround(mhz[i] * tvsim::kStepsPerMHz));
    }
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.stations = steps;
    card.stationCount = count;
    return 1;
}

uint32_t TvSimGetStations(double *out, uint32_t max) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    for (uint32_t i = 0; out != nullptr && i < card.stationCount && i < max; ++i)
        out[i] = static_cast<double>(card.stations[i]) / tvsim::kStepsPerMHz;
    return card.stationCount;
}

void TvSimSetSettleMs(uint32_t milliseconds) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.settleMs = milliseconds;
}

uint32_t TvSimGetSettleMs(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.settleMs;
}

void TvSimSetBusAvailable(int32_t available) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.available = available != 0;
}

void TvSimDecoderRegisters(uint8_t out[256]) {
    if (out == nullptr) return;
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    std::memcpy(out, card.decoder.data(), card.decoder.size());
}

uint8_t TvSimDecoderStatus(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return tvsim::DecoderStatus(card, tvsim::Clock::now());
}

int32_t TvSimFailTransaction(uint64_t sequence, uint32_t fault) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.faults.ArmAt(sequence, fault) ? 1 : 0;
}

int32_t TvSimFailDevice(uint32_t device, uint32_t fault, uint32_t count) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.faults.ArmDevice(device, fault, count) ? 1 : 0;
}

void TvSimClearFaults(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    card.faults.Clear();
}

uint64_t TvSimFaultsInjected(void) {
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    return card.faults.Injected();
}

uint32_t TvSimTunerState(TvSimTuner *out) {
    if (out == nullptr) return 0;
    tvsim::Card &card = TheCard();
    std::lock_guard<std::mutex> guard(card.lock);
    const tvsim::Tuner &tuner = card.tuner;
    TvSimTuner state{};
    state.programmed = tuner.programmed ? 1u : 0u;
    std::memcpy(state.block, tuner.block, 4);
    state.divider = tvsim::Divider(tuner);
    state.control = tuner.block[2];
    state.bandByte = tuner.block[3];
    state.band = tvsim::BandOfBandByte(tuner.block[3]);
    state.oscillatorMHz = static_cast<double>(state.divider) / tvsim::kStepsPerMHz;
    int32_t carrier = tvsim::CarrierSteps(state.divider);
    state.carrierMHz = static_cast<double>(carrier) / tvsim::kStepsPerMHz;
    state.station = tvsim::StationOn(card, carrier) ? 1u : 0u;
    state.bandFits = state.band != TVSIM_BAND_NONE && state.band == tvsim::BandOfCarrier(carrier) ? 1u : 0u;
    state.settled = tvsim::Settled(card, tvsim::Clock::now()) ? 1u : 0u;
    *out = state;
    return state.programmed;
}

}  // extern "C"
