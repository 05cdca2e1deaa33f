#include "driver_simcard.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

#include "bus_words.h"
#include "module_lookup.h"
#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

bool FindSimCard(HMODULE busModule, SimCardCalls &calls) {
    (void)LookUp(busModule, "TvSimRefresh", calls.Refresh);  // optional: null when the driver lacks it
    return LookUp(busModule, "TvSimLogTotal", calls.LogTotal) && LookUp(busModule, "TvSimLogRead", calls.LogRead) &&
           LookUp(busModule, "TvSimGetStations", calls.GetStations) &&
           LookUp(busModule, "TvSimTunerState", calls.TunerState) &&
           LookUp(busModule, "TvSimDecoderRegisters", calls.DecoderRegisters) &&
           LookUp(busModule, "TvSimGetSettleMs", calls.GetSettleMs) && LookUp(busModule, "TvSimPowerOn", calls.PowerOn) &&
           LookUp(busModule, "TvSimStatePath", calls.StatePath) && LookUp(busModule, "TvSimFrame", calls.Frame);
}

bool SimCardOnAir(const SimCardCalls &card, uint32_t carrierKHz) {
    double stations[TVSIM_MAX_STATIONS];
    uint32_t count = card.GetStations(stations, TVSIM_MAX_STATIONS);
    for (uint32_t i = 0; i < count && i < TVSIM_MAX_STATIONS; ++i)
        if (std::llround(stations[i] * 16) == static_cast<long long>(carrierKHz) * 16 / 1000) return true;
    return false;
}

std::vector<TvSimTransaction> SimCardLogSince(const SimCardCalls &card, uint64_t mark, uint64_t *dropped) {
    std::vector<TvSimTransaction> entries;
    uint64_t total = card.LogTotal();
    if (total <= mark) return entries;
    entries.resize(std::min<uint64_t>(total - mark, TVSIM_LOG_CAPACITY));
    uint32_t got = card.LogRead(mark, entries.data(), static_cast<uint32_t>(entries.size()));
    entries.resize(got);
    if (dropped != nullptr && !entries.empty() && entries.front().sequence > mark)
        *dropped = entries.front().sequence - mark;
    return entries;
}

namespace {

const char *DeviceName(uint32_t device) {
    return device == kDecoderAddress ? "decoder" : device == kTunerAddress ? "tuner" : "";
}

// The bytes of a block, as far as its entry keeps them.
std::vector<uint8_t> BlockBytes(const TvSimTransaction &entry) {
    return {entry.bytes, entry.bytes + std::min(entry.count, TVSIM_LOG_BYTES)};
}

std::string SimResult(uint32_t result) {
    switch (result) {
        case TVSIM_OK: return "ok";
        case TVSIM_NO_ACK: return "no acknowledge";
        case TVSIM_BAD_BLOCK: return "refused: wrong length";
        case TVSIM_BAD_POINTER: return "refused: bad pointer";
        default: return fmt::format("result {}", result);
    }
}

}  // namespace

std::string FormatTransaction(const TvSimTransaction &entry, uint64_t startUs) {
    double ms = entry.timeUs >= startUs ? static_cast<double>(entry.timeUs - startUs) / 1000.0 : 0.0;
    std::string where = fmt::format("{} {}", Hex(entry.device), DeviceName(entry.device));
    // For a read or write: "reg 0x0A brightness", with the name when the library uses the register.
    const char *name = RegisterName(entry.device, entry.reg);
    std::string reg = fmt::format("reg {}{}{}", Hex(entry.reg), *name != '\0' ? " " : "", name);
    switch (entry.op) {
        case TVSIM_OP_READ: {
            std::string extra;
            if (entry.device == kDecoderAddress && entry.reg == kRegStatus)
                extra = (entry.result & kStatusLock) ? "  (locked)" : "  (no lock)";
            else if (entry.device == kTunerAddress)
                extra = (entry.result & kTunerStatusSettled) ? "  (settled)" : "  (settling)";
            return fmt::format("{:>9.1f} ms  read   {:<12} {:<22} -> {}{}", ms, where, reg, Hex(entry.result), extra);
        }
        case TVSIM_OP_WRITE: {
            // A value wider than the register crosses whole; the register keeps its low byte.
            std::string kept = entry.value > 0xFF ? fmt::format(" (keeps {})", Hex(entry.value & 0xFF)) : "";
            return fmt::format("{:>9.1f} ms  write  {:<12} {:<22} <- {}{}  {}", ms, where, reg, Hex(entry.value), kept,
                               SimResult(entry.result));
        }
        case TVSIM_OP_BLOCK: {
            std::string bytes = fmt::format("{:02X}", fmt::join(BlockBytes(entry), " "));
            if (entry.count > TVSIM_LOG_BYTES) bytes += " ...";
            return fmt::format("{:>9.1f} ms  block  {:<12} [{}] ({} bytes)  {}", ms, where, bytes, entry.count,
                               SimResult(entry.result));
        }
        default: return fmt::format("{:>9.1f} ms  op {}", ms, entry.op);
    }
}

nlohmann::ordered_json TransactionJson(const TvSimTransaction &entry) {
    nlohmann::ordered_json out;
    out["sequence"] = entry.sequence;
    out["timeUs"] = entry.timeUs;
    out["device"] = entry.device;
    out["result"] = entry.result;
    switch (entry.op) {
        case TVSIM_OP_READ:
            out["op"] = "read";
            out["reg"] = entry.reg;
            break;
        case TVSIM_OP_WRITE:
            out["op"] = "write";
            out["reg"] = entry.reg;
            out["value"] = entry.value;
            break;
        default: {
            out["op"] = "block";
            out["count"] = entry.count;
            out["bytes"] = BlockBytes(entry);
            break;
        }
    }
    return out;
}

}  // namespace tvctl
