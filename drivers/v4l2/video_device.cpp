#include "video_device.h"

#include <errno.h>
#include <stdio.h>

#include <algorithm>
#include <cstring>

#include "sys_calls.h"
#include "tvv4l2.h"

namespace tvv4l2 {
namespace {

constexpr uint32_t kLastErrnoClass = 0xEF;
constexpr char kNodePrefix[] = "video";
constexpr std::size_t kNodePrefixLength = sizeof(kNodePrefix) - 1;
constexpr std::size_t kMaxNumberDigits = 6;

uint32_t ErrnoClass(int error) {
    return error >= 1 && static_cast<uint32_t>(error) <= kLastErrnoClass ? static_cast<uint32_t>(error)
                                                                           : TVV4L2_ERR_UNKNOWN;
}

bool NodeNumber(const char *entry, unsigned *number) {
    if (std::strncmp(entry, kNodePrefix, kNodePrefixLength) != 0) return false;
    const char *digits = entry + kNodePrefixLength;
    std::size_t length = std::strlen(digits);
    if (length == 0 || length > kMaxNumberDigits) return false;
    unsigned value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
        value = value * 10 + static_cast<unsigned>(digits[i] - '0');
    }
    *number = value;
    return true;
}

}  // namespace

uint32_t Request(int fd, unsigned long request, void *arg) {
    for (;;) {
        errno = 0;
        if (Sys().ioctl(fd, request, arg) >= 0) return 0;
        if (errno != EINTR) return ErrnoClass(errno);
    }
}

uint32_t NodeCaps(const v4l2_capability &cap) {
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
}

uint32_t QueryControl(int fd, uint32_t id, ControlRange &range) {
    v4l2_queryctrl query{};
    query.id = id;
    uint32_t failed = Request(fd, VIDIOC_QUERYCTRL, &query);
    if (failed == EINVAL || (failed == 0 && (query.flags & V4L2_CTRL_FLAG_DISABLED) != 0))
        return TVV4L2_ERR_NO_CONTROL;
    if (failed != 0) return failed;
    range = ControlRange{query.minimum, std::max(query.minimum, query.maximum)};
    return 0;
}

uint32_t GetControl(int fd, uint32_t id, int32_t &value) {
    v4l2_control control{};
    control.id = id;
    uint32_t failed = Request(fd, VIDIOC_G_CTRL, &control);
    if (failed == 0) value = control.value;
    return failed;
}

uint32_t SetControl(int fd, uint32_t id, int32_t value) {
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return Request(fd, VIDIOC_S_CTRL, &control);
}

int32_t LevelToControl(uint32_t level, uint32_t levelMax, const ControlRange &range) {
    const int64_t span = int64_t{range.max} - range.min;
    if (levelMax == 0 || span <= 0) return range.min;
    const int64_t taken = std::min(level, levelMax);
    return static_cast<int32_t>(range.min + (taken * span + levelMax / 2) / levelMax);
}

uint32_t ControlToLevel(int32_t value, uint32_t levelMax, const ControlRange &range) {
    const int64_t span = int64_t{range.max} - range.min;
    if (span <= 0) return 0;
    const int64_t offset = int64_t{std::clamp(value, range.min, range.max)} - range.min;
    return static_cast<uint32_t>((offset * levelMax + span / 2) / span);
}

NodeList ListVideoNodes() {
    NodeList list{};
    void *dir = Sys().opendir("/dev");
    if (dir == nullptr) return list;
    while (const char *entry = Sys().readdir(dir)) {
        unsigned number = 0;
        if (list.count < kMaxNodes && NodeNumber(entry, &number)) list.numbers[list.count++] = number;
    }
    Sys().closedir(dir);
    std::sort(list.numbers, list.numbers + list.count);
    return list;
}

void NodePath(unsigned number, char (&path)[kNodePathSize]) {
    (void)snprintf(path, sizeof path, "/dev/video%u", number);  // six digits at most: always fits
}

}  // namespace tvv4l2
