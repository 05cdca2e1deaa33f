#include "driver_v4l2.h"

#include <fmt/format.h>
#include <stdlib.h>

#include <cstring>

#include "numbers.h"
#ifdef TVCTL_HAVE_V4L2
#include "tvv4l2.h"
#endif

namespace tvctl {

std::string V4l2ErrorClass(uint32_t errorClass) {
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

void UseV4l2Device(const std::string &device) {
    if (device.empty()) return;
    const bool path = device.find('/') != std::string::npos;
    setenv(path ? "TVV4L2_DEVICE" : "TVV4L2_CARD", device.c_str(), 1);
}

bool IsV4l2Driver(HMODULE busModule) { return GetProcAddress(busModule, "TvV4l2SetSysCalls") != nullptr; }

std::string V4l2ConnectFailure() {
    return "the V4L2 bus did not connect: the line above says why; name the device with --v4l2-device "
           "/dev/videoN or the card's name (v4l2-ctl --list-devices), see docs/v4l2.md";
}

}  // namespace tvctl
