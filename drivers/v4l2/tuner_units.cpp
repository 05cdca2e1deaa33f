#include "tuner_units.h"

#include <errno.h>
#include <linux/videodev2.h>

#include <cstring>

#include "video_device.h"

namespace tvv4l2 {

uint64_t HzOfTunerUnits(uint32_t units, uint32_t capability) {
    if ((capability & V4L2_TUNER_CAP_1HZ) != 0) return units;
    if ((capability & V4L2_TUNER_CAP_LOW) != 0) return uint64_t{units} * 125 / 2;
    return uint64_t{units} * 62500;
}

uint32_t ListStandards(int fd, TvV4l2Standard *out, uint32_t capacity, uint32_t &count) {
    count = 0;
    // A driver answers EINVAL past its last standard; a bound keeps a faulty
    // one from running on for ever.
    for (uint32_t index = 0; index < 256 && count < capacity; ++index) {
        v4l2_standard standard{};
        standard.index = index;
        uint32_t failed = Request(fd, VIDIOC_ENUMSTD, &standard);
        if (failed == EINVAL || failed == ENODATA || (failed == ENOTTY && index == 0)) return 0;
        if (failed != 0) return failed;
        TvV4l2Standard &into = out[count++];
        into.id = standard.id;
        static_assert(sizeof into.name >= sizeof standard.name + 1);
        std::memcpy(into.name, standard.name, sizeof standard.name);
        into.name[sizeof standard.name] = '\0';
    }
    return 0;
}

}  // namespace tvv4l2
