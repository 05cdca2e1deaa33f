// The simulated card's own environment settings, read when a process
// attaches the link. A setting that is unset or empty leaves the card's
// current setup as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tvsim {

// TVSIM_STATIONS: carriers in MHz separated by commas (spaces allowed), or
// "none" for an empty air. Nothing when the text is not such a list or
// names more than TVSIM_MAX_STATIONS carriers.
std::optional<std::vector<double>> ParseStations(const char *text);

// TVSIM_SETTLE_MS: a decimal number of milliseconds, 0..60000.
std::optional<uint32_t> ParseSettleMs(const char *text);

// TVSIM_BUS: "available" or "unavailable".
std::optional<bool> ParseBus(const char *text);

// Applies TVSIM_STATIONS, TVSIM_SETTLE_MS and TVSIM_BUS where they are set
// and well-formed; a malformed setting is ignored as a whole.
void ApplyEnvironment();

}  // namespace tvsim
