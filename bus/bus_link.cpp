#include "bus/bus_link.h"

#include "tvcore.h"
#include "tvhost/thunk.h"

BOOL ConnectBusLink(HINSTANCE instance, DWORD reason) {
    return ThunkConnect32(&thk_ThunkData32, "thk_ThunkData16", "tvbus16.dll", "tvcore.dll", instance, reason);
}
