// The host's tables for the process, counted (handles, page regions, 16:16
// translations, mixer handles, loaded modules), and its open file
// descriptors: what a refused call, or a load and unload, must give back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "tvhost/diag.h"

namespace tvtest {

struct HostTables {
    uint32_t handles = 0, regions = 0, translations = 0, mixers = 0, modules = 0;

    static HostTables Now() {
        return {TvHostOpenHandleCount(), TvHostLiveRegions(), TvHostLiveTranslations(), TvHostOpenMixerHandles(),
                TvHostLoadedModuleCount()};
    }
    bool operator==(const HostTables &) const = default;
};

inline std::ostream &operator<<(std::ostream &out, const HostTables &t) {
    return out << "handles " << t.handles << ", regions " << t.regions << ", translations " << t.translations
               << ", mixer handles " << t.mixers << ", modules " << t.modules;
}

inline uint32_t OpenFdCount() {
    uint32_t fds = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) ++fds;
    return fds;
}

}  // namespace tvtest
