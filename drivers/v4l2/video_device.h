// The V4L2 requests both drivers make, through the system-call table, and
// the linear mapping between a register or mixer scale and a control's range.
#pragma once

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>

namespace tvv4l2 {

// One ioctl, repeated when a signal interrupts it: 0, or the error class of
// the errno it failed with (1..0xEF, else TVV4L2_ERR_UNKNOWN).
uint32_t Request(int fd, unsigned long request, void *arg);

// Input status bits (VIDIOC_ENUMINPUT) that mean the decoder has no picture
// to lock to. A lost colour carrier alone still leaves a picture.
constexpr uint32_t kNoPictureStatus = V4L2_IN_ST_NO_POWER | V4L2_IN_ST_NO_SIGNAL | V4L2_IN_ST_NO_H_LOCK |
                                      V4L2_IN_ST_NO_V_LOCK | V4L2_IN_ST_NO_STD_LOCK | V4L2_IN_ST_NO_SYNC |
                                      V4L2_IN_ST_NO_EQU | V4L2_IN_ST_NO_CARRIER;

// The capabilities of the opened node: device_caps when the driver reports
// them, else the capabilities of the whole device.
uint32_t NodeCaps(const v4l2_capability &cap);

struct ControlRange {
    int32_t min;
    int32_t max;
};

// The control's range as the device reports it now (ranges may change, for
// instance with the input). TVV4L2_ERR_NO_CONTROL when the device has no such
// control or has it disabled.
uint32_t QueryControl(int fd, uint32_t id, ControlRange &range);
uint32_t GetControl(int fd, uint32_t id, int32_t &value);
uint32_t SetControl(int fd, uint32_t id, int32_t value);

// A level 0..levelMax onto the range and back, linear, to the nearest value.
// Levels above levelMax and values outside the range are taken at the ends.
int32_t LevelToControl(uint32_t level, uint32_t levelMax, const ControlRange &range);
uint32_t ControlToLevel(int32_t value, uint32_t levelMax, const ControlRange &range);

// The video device nodes (/dev/videoN), in ascending N; at most kMaxNodes.
constexpr std::size_t kMaxNodes = 64;
constexpr std::size_t kNodePathSize = 32;
struct NodeList {
    std::size_t count;
    unsigned numbers[kMaxNodes];
};
NodeList ListVideoNodes();
void NodePath(unsigned number, char (&path)[kNodePathSize]);

}  // namespace tvv4l2
