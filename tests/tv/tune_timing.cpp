// Measures how long a tune takes on the simulated card: the median of 20
// SetTVParam(2, n) calls over cable channels, locked and unlocked alike.
// Prints the figure; it asserts nothing (the pause is fixed by design, the
// rest is bus and host overhead).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bus/bus_link.h"
#include "support/simcard_access.h"
#include "tv/plan_tables.h"
#include "tv/tuning.h"
#include "tvcore.h"

int main() {
    tvtest::SimCard().RestoreDefaults();
    if (!ConnectBusLink(nullptr, DLL_PROCESS_ATTACH)) {
        std::fprintf(stderr, "tune timing: the bus link does not stand\n");
        return 1;
    }
    InitBandTables();
    SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE);

    constexpr int kTunes = 20;
    std::vector<double> ms;
    int locked = 0;
    for (int i = 0; i < kTunes; ++i) {
        uint32_t channel = 2 + static_cast<uint32_t>(i) * 6;  // 2, 8, ..., 116
        auto start = std::chrono::steady_clock::now();
        int32_t result = SetTVParam(TV_PARAM_CHANNEL, channel);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (result == TV_OK) ++locked;
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    double median = (sorted[kTunes / 2 - 1] + sorted[kTunes / 2]) / 2;
    std::printf("tunes: %d (%d locked)\nmedian: %.3f ms\nmin: %.3f ms\nmax: %.3f ms\n", kTunes, locked, median,
                sorted.front(), sorted.back());
    ConnectBusLink(nullptr, DLL_PROCESS_DETACH);
    return 0;
}
