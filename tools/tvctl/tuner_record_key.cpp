#include "tuner_record_key.h"

#include <fmt/format.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace tvctl {
namespace {

constexpr std::size_t kLongestName = 120;
constexpr std::size_t kKeptOfLongName = 100;

std::string Setting(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The bus whose driver directory the module path names first.
std::string BusOfModulePath(std::string_view path) {
    while (!path.empty()) {
        std::size_t colon = path.find(':');
        std::string_view dir = path.substr(0, colon);
        while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
        std::string_view last = dir.substr(dir.find_last_of('/') + 1);
        if (last == "v4l2" || last == "i2cdev") return std::string(last);
        if (colon == std::string_view::npos) break;
        path.remove_prefix(colon + 1);
    }
    return "sim";
}

bool KeptAsIs(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '+' || c == '-';
}

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    return hash;
}

std::string SafeName(std::string_view name) {
    std::string safe;
    for (char c : name)
        safe += KeptAsIs(c) ? std::string(1, c) : fmt::format("%{:02X}", static_cast<unsigned char>(c));
    if (safe.size() > kLongestName) safe = fmt::format("{}~{:016x}", safe.substr(0, kKeptOfLongName), Fnv1a(name));
    return safe;
}

}  // namespace

TunerRecordKey RecordKeyOfHost(const HostOptions &options) {
    std::string bus = options.bus == BusChoice::V4l2     ? "v4l2"
                      : options.bus == BusChoice::I2cDev ? "i2cdev"
                      : options.busGiven                 ? "sim"
                                                         : BusOfModulePath(Setting("TVHOST_PATH"));
    std::string device;
    if (bus == "v4l2") {
        device = !options.v4l2Device.empty() ? options.v4l2Device : Setting("TVV4L2_DEVICE");
        if (device.empty()) device = Setting("TVV4L2_CARD");
    } else if (bus == "i2cdev") {
        device = !options.i2cDevice.empty() ? options.i2cDevice : Setting("TVI2C_DEVICE");
        if (device.empty()) device = !options.i2cAdapter.empty() ? options.i2cAdapter : Setting("TVI2C_ADAPTER");
    }
    return {bus, device};
}

std::string TunerRecordFileName(const TunerRecordKey &key) {
    if (key.bus == "sim") return "tuner";
    return key.device.empty() ? "tuner-" + key.bus : "tuner-" + key.bus + "-" + SafeName(key.device);
}

}  // namespace tvctl
