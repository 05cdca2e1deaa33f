// Frames from the V4L2 bus driver's device, through the driver's capture
// exports (tvv4l2_capture.h), so tvctl takes the picture of the very device
// the library's bus drives.
#pragma once

#include <memory>
#include <string>

#include "frame_source.h"
#include "tvhost/win32.h"

namespace tvctl {

// Whether the bus module offers the capture exports.
bool V4l2CaptureOffered(HMODULE busModule);

// A capture on the bus driver's device (`device`: its words, for sentences);
// null with `reply` failed when the driver refuses it (a busy device, a
// format that does not convert...).
std::unique_ptr<FrameSource> OpenV4l2Frames(HMODULE busModule, const std::string &device, Reply &reply);

}  // namespace tvctl
