// The table of system calls the V4L2 drivers make, replaceable by tests
// through TvV4l2SetSysCalls. Each module has its own table.
#pragma once

#include "tvv4l2.h"

namespace tvv4l2 {

// The table in force, every member set (real calls where none was given).
const TvV4l2SysCalls &Sys();

}  // namespace tvv4l2
