// The library's half of the bus link: the exported block the host's connect
// step fills, and that step as the entry routine runs it. The bus calls go
// through the driver block it points at (i2c_access.cpp).
#include "bus/bus_link.h"

#include "tvcore.h"
#include "tvhost/thunk.h"

extern "C" {

TVCORE_API ThunkData32 thk_ThunkData32 = THUNK_DATA32_INIT;

}  // extern "C"

namespace tvcore {

BOOL ConnectBusLink(HINSTANCE instance, DWORD reason) {
    return ThunkConnect32(&thk_ThunkData32, "thk_ThunkData16", "tvbus16.dll", "tvcore.dll", instance, reason);
}

}  // namespace tvcore
