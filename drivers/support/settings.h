// A driver's settings: environment variables, read when the driver needs
// them (at connect, or when the host counts a mixer driver's devices).
#pragma once

namespace tvdrv {

// The setting's value; null when it is unset or empty (set but empty counts
// as unset for every driver setting).
const char *Setting(const char *name);

}  // namespace tvdrv
