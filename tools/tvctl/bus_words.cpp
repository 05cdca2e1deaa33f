#include "bus_words.h"

#include <fmt/format.h>

#include <cstring>

#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvcore.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"
#ifdef TVCTL_HAVE_I2CDEV
#include "tvi2cdev.h"
#endif
#ifdef TVCTL_HAVE_V4L2
#include "tvv4l2.h"
#endif

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

namespace {

// The i2c-dev driver's error classes (bits 8..15 of a result).
std::string I2cDevClass(uint32_t errorClass) {
#ifdef TVCTL_HAVE_I2CDEV
    switch (errorClass) {
        case TVI2C_ERR_NOT_OPEN: return "no adapter is open";
        case TVI2C_ERR_BAD_DEVICE: return "the device word is not an 8-bit address";
        case TVI2C_ERR_BAD_REGISTER: return "the register word is not 8-bit";
        case TVI2C_ERR_NULL_BLOCK: return "the block pointer was NULL";
        case TVI2C_ERR_BAD_COUNT: return "the block length is 0 or above 8192 bytes";
        case TVI2C_ERR_SHORT: return "the kernel did fewer messages than were sent";
        case TVI2C_ERR_UNKNOWN: return "the transfer failed with an unexpected error";
        default: break;
    }
#endif
    if (errorClass >= 1 && errorClass <= 0xEF) {
        const char *name = strerrordesc_np(static_cast<int>(errorClass));
        std::string text = fmt::format("the kernel answered errno {} ({})", errorClass, name ? name : "unknown");
        if (errorClass == 121 || errorClass == 6) text += ": no device acknowledged";
        return text;
    }
    return fmt::format("error class {}", Hex(errorClass));
}

// The V4L2 driver's own error classes; the rest are the errno of a request.
std::string V4l2Class(uint32_t errorClass) {
#ifdef TVCTL_HAVE_V4L2
    switch (errorClass) {
        case TVV4L2_ERR_NO_DEVICE: return "no device answers at that address (only 0x88 and 0xC2 do)";
        case TVV4L2_ERR_NOT_OPEN: return "no V4L2 device is open";
        case TVV4L2_ERR_BAD_REGISTER: return "the register word is not 8-bit";
        case TVV4L2_ERR_NULL_BLOCK: return "the block pointer was NULL";
        case TVV4L2_ERR_BAD_COUNT: return "the tuner takes 4 bytes; a decoder block must stay within 0x00-0xFF";
        case TVV4L2_ERR_RANGE: return "the frequency is outside the tuner's range: not tuned";
        case TVV4L2_ERR_NO_INPUT: return "the input value names no input of this board or device (TVV4L2_INPUTS)";
        case TVV4L2_ERR_NO_CONTROL: return "the device has no such control: the value is only stored";
        case TVV4L2_ERR_UNKNOWN: return "a V4L2 request failed with an unexpected error";
        default: break;
    }
#endif
    if (errorClass >= 1 && errorClass <= 0xEF) {
        const char *name = strerrordesc_np(static_cast<int>(errorClass));
        return fmt::format("a V4L2 request failed with errno {} ({})", errorClass, name ? name : "unknown");
    }
    return fmt::format("error class {}", Hex(errorClass));
}

}  // namespace

std::string DescribeReadFailure(BusKind kind, uint32_t result) {
    if (!ReadFailed(result)) return "";
    if (result == TV_I2C_NO_LINK) return "the library has no bus link";
    if (kind == BusKind::I2cDev) return I2cDevClass((result >> 8) & 0xFF);
    if (kind == BusKind::V4l2) return V4l2Class((result >> 8) & 0xFF);
    return fmt::format("the bus driver answered {}", Hex(result, 8));
}

std::string DescribeWriteResult(BusKind kind, uint32_t result) {
    if (result == 0) return "";
    if (result == TV_I2C_NO_LINK) return "the library has no bus link";
    switch (kind) {
        case BusKind::Simulated:
            switch (result) {
                case TVSIM_NO_ACK: return "no device acknowledged at that address";
                case TVSIM_BAD_BLOCK: return "the device does not take a transfer of that length";
                case TVSIM_BAD_POINTER: return "the block pointer did not translate";
                default: break;
            }
            break;
        case BusKind::I2cDev: return I2cDevClass((result >> 8) & 0xFF);
        case BusKind::V4l2: return V4l2Class((result >> 8) & 0xFF);
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

namespace {

const char *DeviceName(uint32_t device) {
    return device == kDecoderAddress ? "decoder" : device == kTunerAddress ? "tuner" : "";
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
    switch (entry.op) {
        case TVSIM_OP_READ: {
            std::string reg = fmt::format("reg {}", Hex(entry.reg));
            const char *name = RegisterName(entry.device, entry.reg);
            if (*name != '\0') reg += fmt::format(" {}", name);
            std::string extra;
            if (entry.device == kDecoderAddress && entry.reg == kRegStatus)
                extra = (entry.result & kStatusLock) ? "  (locked)" : "  (no lock)";
            else if (entry.device == kTunerAddress)
                extra = (entry.result & kTunerStatusSettled) ? "  (settled)" : "  (settling)";
            return fmt::format("{:>9.1f} ms  read   {:<12} {:<22} -> {}{}", ms, where, reg, Hex(entry.result), extra);
        }
        case TVSIM_OP_WRITE: {
            std::string reg = fmt::format("reg {}", Hex(entry.reg));
            const char *name = RegisterName(entry.device, entry.reg);
            if (*name != '\0') reg += fmt::format(" {}", name);
            // A value wider than the register crosses whole; the register keeps its low byte.
            std::string kept = entry.value > 0xFF ? fmt::format(" (keeps {})", Hex(entry.value & 0xFF)) : "";
            return fmt::format("{:>9.1f} ms  write  {:<12} {:<22} <- {}{}  {}", ms, where, reg, Hex(entry.value), kept,
                               SimResult(entry.result));
        }
        case TVSIM_OP_BLOCK: {
            std::string bytes;
            uint32_t shown = entry.count < TVSIM_LOG_BYTES ? entry.count : TVSIM_LOG_BYTES;
            for (uint32_t i = 0; i < shown; ++i) bytes += fmt::format("{}{:02X}", i ? " " : "", entry.bytes[i]);
            if (entry.count > shown) bytes += " ...";
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
            nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
            uint32_t shown = entry.count < TVSIM_LOG_BYTES ? entry.count : TVSIM_LOG_BYTES;
            for (uint32_t i = 0; i < shown; ++i) bytes.push_back(entry.bytes[i]);
            out["bytes"] = bytes;
            break;
        }
    }
    return out;
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

namespace {

const char *MessageName(uint32_t message) {
    switch (message) {
        case MXDM_GETNUMDEVS: return "GETNUMDEVS";
        case MXDM_OPEN: return "OPEN";
        case MXDM_CLOSE: return "CLOSE";
        case MXDM_GETLINEINFO: return "GETLINEINFO";
        case MXDM_GETLINECONTROLS: return "GETLINECONTROLS";
        case MXDM_GETCONTROLDETAILS: return "GETCONTROLDETAILS";
        case MXDM_SETCONTROLDETAILS: return "SETCONTROLDETAILS";
        default: return "message";
    }
}

}  // namespace

std::string FormatMixerCall(const TvMixSimCall &call) {
    std::string what;
    switch (call.message) {
        case MXDM_GETNUMDEVS:  // answers a count, not a result code
            return fmt::format("  mixer  {:<18} {:<40} -> {} device{}", MessageName(call.message), "", call.result,
                               call.result == 1 ? "" : "s");
        case MXDM_GETLINEINFO:
            what = fmt::format("component type {}", Hex(call.componentType, 4));
            break;
        case MXDM_GETLINECONTROLS:
            what = fmt::format("line {} type {}", Hex(call.lineId, 8), Hex(call.controlTypeOrId, 8));
            break;
        case MXDM_GETCONTROLDETAILS:
        case MXDM_SETCONTROLDETAILS: {
            what = fmt::format("control {}, {} channel{}", call.controlId, call.cChannels, call.cChannels == 1 ? "" : "s");
            if (call.valueCount > 0) {
                what += " [";
                for (uint32_t i = 0; i < call.valueCount && i < TVMIXSIM_MAX_VALUES; ++i)
                    what += fmt::format("{}{}", i ? " " : "", call.values[i]);
                what += "]";
            }
            break;
        }
        default: break;
    }
    return fmt::format("  mixer  {:<18} {:<40} -> {}", MessageName(call.message), what, MixerResultName(call.result));
}

nlohmann::ordered_json MixerCallJson(const TvMixSimCall &call) {
    nlohmann::ordered_json out;
    out["message"] = MessageName(call.message);
    out["result"] = call.result;
    if (call.message == MXDM_GETCONTROLDETAILS || call.message == MXDM_SETCONTROLDETAILS) {
        out["controlId"] = call.controlId;
        out["channels"] = call.cChannels;
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (uint32_t i = 0; i < call.valueCount && i < TVMIXSIM_MAX_VALUES; ++i) values.push_back(call.values[i]);
        out["values"] = values;
    }
    return out;
}

}  // namespace tvctl
