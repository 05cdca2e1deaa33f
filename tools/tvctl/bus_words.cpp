#include "bus_words.h"

#include <fmt/format.h>

#include <cstring>

#include "driver_i2cdev.h"
#include "driver_simcard.h"
#include "driver_v4l2.h"
#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvcore.h"
#include "tvhost/win32.h"

namespace tvctl {

using namespace tvcore::card;

const char *BusKindName(BusKind kind) {
    switch (kind) {
        case BusKind::Simulated: return "simulated card";
        case BusKind::I2cDev: return "i2c-dev";
        case BusKind::V4l2: return "V4L2";
        case BusKind::Other: break;
    }
    return "unknown bus driver";
}

bool ReadFailed(uint32_t result) { return result > 0xFF; }

std::string DescribeReadFailure(BusKind kind, uint32_t result) {
    if (!ReadFailed(result)) return "";
    if (result == TV_I2C_NO_LINK) return "the library has no bus link";
    if (kind == BusKind::I2cDev) return I2cDevErrorClass((result >> 8) & 0xFF);
    if (kind == BusKind::V4l2) return V4l2ErrorClass((result >> 8) & 0xFF);
    return fmt::format("the bus driver answered {}", Hex(result, 8));
}

std::string DescribeWriteResult(BusKind kind, uint32_t result) {
    if (result == 0) return "";
    if (result == TV_I2C_NO_LINK) return "the library has no bus link";
    switch (kind) {
        case BusKind::Simulated:
            if (std::string words = SimCardWriteResult(result); !words.empty()) return words;
            break;
        case BusKind::I2cDev: return I2cDevErrorClass((result >> 8) & 0xFF);
        case BusKind::V4l2: return V4l2ErrorClass((result >> 8) & 0xFF);
        case BusKind::Other: break;
    }
    return fmt::format("the bus driver answered {}", result);
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
