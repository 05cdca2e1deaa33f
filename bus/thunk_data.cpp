// The library's half of the bus link. The connect step fills it; the bus
// calls go through the driver block it points at.
#include "tvcore.h"
#include "tvhost/thunk.h"

extern "C" {

TVCORE_API ThunkData32 thk_ThunkData32 = THUNK_DATA32_INIT;

}  // extern "C"
