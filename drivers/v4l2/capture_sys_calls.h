// The system calls only the capture makes (mapping buffers, read(), waiting
// for a frame), replaceable by tests through TvV4l2SetCaptureSysCalls. The
// capture's open, close and ioctl go through the bus driver's table.
#pragma once

#include "tvv4l2_capture.h"

namespace tvv4l2 {

// The table in force, every member set (real calls where none was given).
const TvV4l2CaptureSysCalls &CaptureSys();

}  // namespace tvv4l2
