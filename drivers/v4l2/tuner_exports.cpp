// The exports of tvv4l2_tuner.h that act on the held device: the TV
// standard, the tuner's reading and its audio mode.
#include <errno.h>

#include <cstring>

#include "held_device.h"
#include "tuner_units.h"
#include "tvv4l2_tuner.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

struct StandardList {
    TvV4l2Standard *out;
    uint32_t capacity;
    uint32_t count;
};

uint32_t ListHeldStandards(int fd, uint32_t, void *context) {
    auto &list = *static_cast<StandardList *>(context);
    list.count = 0;
    return ListStandards(fd, list.out, list.capacity, list.count);
}

uint32_t ReadHeldTuner(int fd, uint32_t tunerIndex, void *context) {
    auto &reading = *static_cast<TvV4l2TunerReading *>(context);
    v4l2_tuner tuner{};
    tuner.index = tunerIndex;
    uint32_t failed = Request(fd, VIDIOC_G_TUNER, &tuner);
    if (failed != 0) return failed;
    v4l2_frequency frequency{};
    frequency.tuner = tunerIndex;
    failed = Request(fd, VIDIOC_G_FREQUENCY, &frequency);
    if (failed != 0) return failed;
    reading.frequencyHz = HzOfTunerUnits(frequency.frequency, tuner.capability);
    reading.rangeLowHz = HzOfTunerUnits(tuner.rangelow, tuner.capability);
    reading.rangeHighHz = HzOfTunerUnits(tuner.rangehigh, tuner.capability);
    reading.signal = tuner.signal;
    reading.afc = tuner.afc;
    reading.capability = tuner.capability;
    reading.rxsubchans = tuner.rxsubchans;
    reading.audmode = tuner.audmode;
    static_assert(sizeof reading.name >= sizeof tuner.name + 1);
    std::memcpy(reading.name, tuner.name, sizeof tuner.name);
    reading.name[sizeof tuner.name] = '\0';
    return 0;
}

uint32_t SetHeldAudioMode(int fd, uint32_t tunerIndex, void *context) {
    v4l2_tuner tuner{};
    tuner.index = tunerIndex;
    uint32_t failed = Request(fd, VIDIOC_G_TUNER, &tuner);
    if (failed != 0) return failed;
    tuner.audmode = *static_cast<const uint32_t *>(context);
    return Request(fd, VIDIOC_S_TUNER, &tuner);
}

}  // namespace
}  // namespace tvv4l2

extern "C" {

uint32_t TvV4l2ListStandards(TvV4l2Standard *standards, uint32_t capacity, uint32_t *count) {
    if (count == nullptr || (standards == nullptr && capacity != 0)) return EINVAL;
    tvv4l2::StandardList list{standards, capacity, 0};
    uint32_t failed = tvv4l2::WithHeldDevice(tvv4l2::ListHeldStandards, &list);
    *count = list.count;
    return failed;
}

uint32_t TvV4l2GetStandard(uint64_t *id) {
    if (id == nullptr) return EINVAL;
    return tvv4l2::WithHeldDevice(
        [](int fd, uint32_t, void *context) {
            v4l2_std_id standard = 0;
            uint32_t failed = tvv4l2::Request(fd, VIDIOC_G_STD, &standard);
            if (failed == 0) *static_cast<uint64_t *>(context) = standard;
            return failed;
        },
        id);
}

uint32_t TvV4l2SetStandard(uint64_t id) {
    return tvv4l2::WithHeldDevice(
        [](int fd, uint32_t, void *context) {
            v4l2_std_id standard = *static_cast<const uint64_t *>(context);
            return tvv4l2::Request(fd, VIDIOC_S_STD, &standard);
        },
        &id);
}

uint32_t TvV4l2ReadTuner(TvV4l2TunerReading *reading) {
    if (reading == nullptr) return EINVAL;
    *reading = TvV4l2TunerReading{};
    return tvv4l2::WithHeldDevice(tvv4l2::ReadHeldTuner, reading);
}

uint32_t TvV4l2SetAudioMode(uint32_t audmode) { return tvv4l2::WithHeldDevice(tvv4l2::SetHeldAudioMode, &audmode); }

}  // extern "C"
