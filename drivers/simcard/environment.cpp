#include "environment.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "settings.h"
#include "tvsim.h"

namespace tvsim {
namespace {

std::string Trimmed(const std::string &text) {
    std::string::size_type begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    std::string::size_type end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

}  // namespace

std::optional<std::vector<double>> ParseStations(const char *text) {
    if (text == nullptr) return std::nullopt;
    std::string all(text);
    if (Trimmed(all) == "none") return std::vector<double>{};
    std::vector<double> carriers;
    std::string::size_type start = 0;
    while (start <= all.size()) {
        std::string::size_type comma = all.find(',', start);
        if (comma == std::string::npos) comma = all.size();
        std::string item = Trimmed(all.substr(start, comma - start));
        if (item.empty()) return std::nullopt;
        char *end = nullptr;
        errno = 0;
        double mhz = strtod(item.c_str(), &end);
        if (errno != 0 || end != item.c_str() + item.size() || !(mhz > 0.0 && mhz < 1000.0)) return std::nullopt;
        if (carriers.size() == TVSIM_MAX_STATIONS) return std::nullopt;
        carriers.push_back(mhz);
        start = comma + 1;
    }
    return carriers;
}

std::optional<uint32_t> ParseSettleMs(const char *text) {
    if (text == nullptr) return std::nullopt;
    std::string item = Trimmed(text);
    if (item.empty() || item.size() > 5 || item.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    unsigned long ms = strtoul(item.c_str(), nullptr, 10);
    if (ms > 60000) return std::nullopt;
    return static_cast<uint32_t>(ms);
}

std::optional<bool> ParseBus(const char *text) {
    if (text == nullptr) return std::nullopt;
    std::string item = Trimmed(text);
    if (item == "available") return true;
    if (item == "unavailable") return false;
    return std::nullopt;
}

void ApplyEnvironment() {
    if (auto stations = ParseStations(tvdrv::Setting("TVSIM_STATIONS")))
        TvSimSetStations(stations->data(), static_cast<uint32_t>(stations->size()));
    if (auto settle = ParseSettleMs(tvdrv::Setting("TVSIM_SETTLE_MS"))) TvSimSetSettleMs(*settle);
    if (auto bus = ParseBus(tvdrv::Setting("TVSIM_BUS"))) TvSimSetBusAvailable(*bus ? 1 : 0);
}

}  // namespace tvsim
