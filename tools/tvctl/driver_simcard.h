// Everything tvctl knows of the simulated card (tvbus16.so, tvsim.h): its
// own calls, its results and log in words, its settings and its state file.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tvhost/win32.h"
#include "tvsim.h"

namespace tvctl {

struct SimCardCalls {
    decltype(&::TvSimLogTotal) LogTotal;
    decltype(&::TvSimLogRead) LogRead;
    decltype(&::TvSimGetStations) GetStations;
    decltype(&::TvSimTunerState) TunerState;
    decltype(&::TvSimDecoderRegisters) DecoderRegisters;
    decltype(&::TvSimGetSettleMs) GetSettleMs;
    decltype(&::TvSimPowerOn) PowerOn;
    decltype(&::TvSimStatePath) StatePath;
    decltype(&::TvSimFrame) Frame;
    decltype(&::TvSimRefresh) Refresh;  // may be null: a driver without it shows this process's copy
};

// Looks the card's calls up in the bus driver module; false when the module
// is another bus driver.
bool FindSimCard(HMODULE busModule, SimCardCalls &calls);

// Whether a station is on the air at a picture carrier.
bool SimCardOnAir(const SimCardCalls &card, uint32_t carrierKHz);

// The transactions of the card's log from `mark` on; `dropped` (may be
// NULL) counts those that have left its ring.
std::vector<TvSimTransaction> SimCardLogSince(const SimCardCalls &card, uint64_t mark, uint64_t *dropped);

// One transaction of the card's log, as a line (times relative to
// `startUs`), and as JSON.
std::string FormatTransaction(const TvSimTransaction &entry, uint64_t startUs);
nlohmann::ordered_json TransactionJson(const TvSimTransaction &entry);

}  // namespace tvctl
