// The capture's exports (tvv4l2_capture.h): a capture on the bus driver's
// device, its frames as RGB24, and what was on when a frame was taken.
#include <stdio.h>

#include <cstring>
#include <memory>
#include <string>

#include "bus_card.h"
#include "capture.h"
#include "card_map.h"
#include "tvv4l2_capture.h"
#include "video_device.h"

struct TvV4l2Capture {
    std::unique_ptr<tvv4l2::Capture> capture;
};

namespace tvv4l2 {
namespace {

// The tuner's unit in Hz ×2 (62.5 Hz is not whole), by its capability.
uint32_t DoubleHertzPerUnit(uint32_t capability) {
    if ((capability & V4L2_TUNER_CAP_LOW) != 0) return 125;
    if ((capability & V4L2_TUNER_CAP_1HZ) != 0) return 2;
    return 125000;
}

uint32_t RoleOf(const BusCard &card, int input) {
    if (input == card.tunerInput) return TVV4L2_ROLE_TUNER;
    if (input == card.compositeInput) return TVV4L2_ROLE_COMPOSITE;
    if (input == card.svideoInput) return TVV4L2_ROLE_SVIDEO;
    return TVV4L2_ROLE_NONE;
}

// What is on now: the input, and on a tuner input its frequency and signal.
// Best effort: a question the device does not answer leaves its field 0.
void DescribeFrame(const Capture &capture, TvV4l2FrameInfo &info) {
    const int fd = capture.Fd();
    uint32_t current = 0;
    if (Request(fd, VIDIOC_G_INPUT, &current) != 0) return;
    info.input = current;
    info.role = RoleOf(capture.Card(), static_cast<int>(current));
    v4l2_input input{};
    input.index = current;
    if (Request(fd, VIDIOC_ENUMINPUT, &input) != 0) return;
    (void)snprintf(info.inputName, sizeof info.inputName, "%s", reinterpret_cast<const char *>(input.name));
    if (input.type != V4L2_INPUT_TYPE_TUNER) {
        info.locked = (input.status & kNoPictureStatus) == 0 ? 1 : 0;
        return;
    }
    v4l2_tuner tuner{};
    tuner.index = input.tuner;
    if (Request(fd, VIDIOC_G_TUNER, &tuner) != 0) return;
    info.locked = tuner.signal > 0 ? 1 : 0;
    v4l2_frequency frequency{};
    frequency.tuner = input.tuner;
    if (Request(fd, VIDIOC_G_FREQUENCY, &frequency) != 0) return;
    const uint64_t hertz = uint64_t{frequency.frequency} * DoubleHertzPerUnit(tuner.capability) / 2;
    info.frequencyHz = hertz > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(hertz);
}

void PutReason(const std::string &text, char *reason, uint32_t size) {
    if (reason != nullptr && size > 0) (void)snprintf(reason, size, "%s", text.c_str());
}

}  // namespace
}  // namespace tvv4l2

extern "C" {

TVV4L2_API TvV4l2Capture *TvV4l2CaptureOpen(TvV4l2CaptureFormat *format, char *reason, uint32_t reasonSize) {
    tvv4l2::BusCard card{};
    if (!tvv4l2::ConnectedCard(card)) {
        tvv4l2::PutReason("the V4L2 bus driver has no device open (the library is not loaded on it)", reason,
                          reasonSize);
        return nullptr;
    }
    std::string why;
    std::unique_ptr<tvv4l2::Capture> capture = tvv4l2::Capture::Open(card, why);
    if (!capture) {
        tvv4l2::PutReason(why, reason, reasonSize);
        return nullptr;
    }
    if (format != nullptr) *format = capture->Format();
    return new TvV4l2Capture{std::move(capture)};
}

TVV4L2_API uint32_t TvV4l2CaptureGrab(TvV4l2Capture *capture, uint8_t *rgb, uint32_t size, TvV4l2FrameInfo *info,
                                      char *reason, uint32_t reasonSize) {
    if (capture == nullptr) {
        tvv4l2::PutReason("no capture is open", reason, reasonSize);
        return 0;
    }
    std::string why;
    uint32_t sequence = 0;
    if (!capture->capture->Grab(rgb, size, sequence, why)) {
        tvv4l2::PutReason(why, reason, reasonSize);
        return 0;
    }
    if (info != nullptr) {
        *info = TvV4l2FrameInfo{};
        info->sequence = sequence;
        tvv4l2::DescribeFrame(*capture->capture, *info);
    }
    return capture->capture->Format().frameBytes;
}

TVV4L2_API void TvV4l2CaptureClose(TvV4l2Capture *capture) { delete capture; }

}  // extern "C"
