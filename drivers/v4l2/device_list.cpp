// TvV4l2ListDevices: every video node with a tuner and video capture, with
// what a user chooses a card by (its names, inputs and standards). Each node
// is opened for the question and closed again; no bus needs to be connected.
#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "sys_calls.h"
#include "tuner_units.h"
#include "tvv4l2_tuner.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

template <std::size_t N, std::size_t M>
void CopyName(char (&to)[N], const uint8_t (&from)[M]) {
    static_assert(N >= M + 1);
    std::memcpy(to, from, M);
    to[M] = '\0';
}

// Fills `info` from the open node; false when it is no TV tuner.
bool Describe(int fd, TvV4l2DeviceInfo &info) {
    v4l2_capability cap{};
    if (Request(fd, VIDIOC_QUERYCAP, &cap) != 0) return false;
    const uint32_t caps = NodeCaps(cap);
    if ((caps & V4L2_CAP_TUNER) == 0 || (caps & V4L2_CAP_VIDEO_CAPTURE) == 0) return false;
    CopyName(info.card, cap.card);
    CopyName(info.driver, cap.driver);
    CopyName(info.bus, cap.bus_info);
    for (uint32_t index = 0; index < 256; ++index) {
        v4l2_input input{};
        input.index = index;
        if (Request(fd, VIDIOC_ENUMINPUT, &input) != 0) break;
        if (info.inputCount < TVV4L2_MAX_LISTED_INPUTS) {
            CopyName(info.inputs[info.inputCount], input.name);
            info.inputTypes[info.inputCount] = input.type;
        }
        ++info.inputCount;
    }
    // A node whose standards cannot be listed is still listed, without them.
    if (ListStandards(fd, info.standards, TVV4L2_MAX_STANDARDS, info.standardCount) != 0) info.standardCount = 0;
    return true;
}

}  // namespace
}  // namespace tvv4l2

extern "C" uint32_t TvV4l2ListDevices(TvV4l2DeviceProc each, void *context) {
    if (each == nullptr) return 0;
    const tvv4l2::NodeList nodes = tvv4l2::ListVideoNodes();
    uint32_t given = 0;
    for (std::size_t i = 0; i < nodes.count; ++i) {
        TvV4l2DeviceInfo info{};
        char path[tvv4l2::kNodePathSize];
        tvv4l2::NodePath(nodes.numbers[i], path);
        int fd = tvv4l2::Sys().open(path, O_RDWR | O_CLOEXEC);
        if (fd < 0) continue;
        const bool tuner = tvv4l2::Describe(fd, info);
        tvv4l2::Sys().close(fd);
        if (!tuner) continue;
        (void)std::snprintf(info.path, sizeof info.path, "%s", path);
        ++given;
        if (each(&info, context) == 0) break;
    }
    return given;
}
