#include "bus_words.h"

#include <fmt/format.h>

#include <sstream>

#include "module_lookup.h"
#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"

namespace tvctl {

using namespace tvcore::card;

BusWords FindBusWords(HMODULE busModule) {
    BusWords words;
    LookUp(busModule, TVBUS_DESCRIBE_DEVICE_NAME, words.describeDevice);
    LookUp(busModule, TVBUS_DESCRIBE_RESULT_NAME, words.describeResult);
    return words;
}

namespace {

// A failed call's result in the driver's words; `number` when it says nothing.
std::string ResultWords(const BusWords &words, uint32_t call, uint32_t result, const std::string &number) {
    if (result == TV_I2C_NO_LINK) return "the library has no bus link";
    std::string said;
    if (words.describeResult != nullptr)
        said = TextOfCall([&](char *text, uint32_t size) { return words.describeResult(call, result, text, size); });
    return !said.empty() ? said : "the bus driver answered " + number;
}

}  // namespace

std::string BusDevice(const BusWords &words) {
    std::string device = words.describeDevice != nullptr ? TextOfCall(words.describeDevice) : "";
    return device.empty() ? "an unknown bus driver" : device;
}

bool ReadFailed(uint32_t result) { return result > 0xFF; }

std::string DescribeReadFailure(const BusWords &words, uint32_t result) {
    return ReadFailed(result) ? ResultWords(words, TVBUS_CALL_READ, result, Hex(result, 8)) : "";
}

std::string DescribeWriteResult(const BusWords &words, uint32_t call, uint32_t result) {
    return result == 0 ? "" : ResultWords(words, call, result, std::to_string(result));
}

std::string MixerRefusals(const std::string &drivers) {
    std::string all;
    std::istringstream list(drivers);
    for (std::string name; std::getline(list, name, ',');) {
        name.erase(0, name.find_first_not_of(" \t"));
        name.erase(name.find_last_not_of(" \t") + 1);
        // The host holds the driver already: this load is the same module.
        HMODULE module = name.empty() ? nullptr : LoadLibraryA(name.c_str());
        MxdRefusalReasonProc reason = nullptr;
        if (LookUp(module, MXD_REFUSAL_REASON_NAME, reason)) {
            std::string said = TextOfCall(reason);
            if (!said.empty()) all.append(all.empty() ? "" : "; ").append(name).append(": ").append(said);
        }
        if (module != nullptr) FreeLibrary(module);
    }
    return all;
}

const char *RegisterName(uint32_t device, uint32_t reg) {
    if (device != kDecoderAddress) return "";
    switch (reg) {
        case kRegStatus: return "status";
        case kRegInput: return "input";
        case kRegBrightness: return "brightness";
        case kRegControl: return "control";
        case kRegContrastLo: return "contrast";
        case kRegSatULo: return "saturation U";
        case kRegSatVLo: return "saturation V";
        case kRegHue: return "hue";
        default: return "";
    }
}

std::string MixerResultName(uint32_t result) {
    switch (result) {
        case MMSYSERR_NOERROR: return "MMSYSERR_NOERROR";
        case MMSYSERR_ERROR: return "MMSYSERR_ERROR";
        case MMSYSERR_BADDEVICEID: return "MMSYSERR_BADDEVICEID";
        case MMSYSERR_ALLOCATED: return "MMSYSERR_ALLOCATED";
        case MMSYSERR_INVALHANDLE: return "MMSYSERR_INVALHANDLE";
        case MMSYSERR_NODRIVER: return "MMSYSERR_NODRIVER";
        case MMSYSERR_NOMEM: return "MMSYSERR_NOMEM";
        case MMSYSERR_NOTSUPPORTED: return "MMSYSERR_NOTSUPPORTED";
        case MMSYSERR_INVALFLAG: return "MMSYSERR_INVALFLAG";
        case MMSYSERR_INVALPARAM: return "MMSYSERR_INVALPARAM";
        case MIXERR_INVALLINE: return "MIXERR_INVALLINE";
        case MIXERR_INVALCONTROL: return "MIXERR_INVALCONTROL";
        case MIXERR_INVALVALUE: return "MIXERR_INVALVALUE";
        default: return fmt::format("mixer result {}", result);
    }
}

}  // namespace tvctl
