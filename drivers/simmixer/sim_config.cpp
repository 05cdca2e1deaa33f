#include "sim_config.h"

#include <cerrno>
#include <cstdlib>

namespace tvmixsim {
namespace {

// A decimal or 0x-prefixed number that fills the whole setting.
bool ReadNumber(const char *name, uint32_t &value) {
    const char *text = std::getenv(name);
    if (text == nullptr || *text == '\0') return false;
    char *end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || text[0] == '-' || parsed > UINT32_MAX) return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool FlagSet(const char *name) {
    const char *text = std::getenv(name);
    return text != nullptr && *text != '\0' && !(text[0] == '0' && text[1] == '\0');
}

}  // namespace

SimConfig ReadSimConfig() {
    SimConfig config;
    uint32_t number = 0;
    if (ReadNumber("TVMIXSIM_DEVICES", number) && number <= kMaxDevices) config.devices = number;
    config.auxLine = !FlagSet("TVMIXSIM_NO_AUX");
    config.auxVolume = !FlagSet("TVMIXSIM_NO_VOLUME");
    config.auxMute = !FlagSet("TVMIXSIM_NO_MUTE");
    uint32_t low = config.volumeMin, high = config.volumeMax;
    ReadNumber("TVMIXSIM_VOLUME_MIN", low);
    ReadNumber("TVMIXSIM_VOLUME_MAX", high);
    if (low <= high) {
        config.volumeMin = low;
        config.volumeMax = high;
    }
    ReadNumber("TVMIXSIM_OPEN_RESULT", config.openResult);
    return config;
}

}  // namespace tvmixsim
