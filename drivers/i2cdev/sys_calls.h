// The table of system calls the driver makes, replaceable by tests and
// tools through TvI2cSetSysCalls.
#pragma once

#include "tvi2cdev.h"

namespace tvi2c {

// The table in force, every member set (real calls where none was given).
const TvI2cSysCalls &Sys();

}  // namespace tvi2c
