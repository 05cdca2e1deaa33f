// The connect step of the bus link, run by the entry routine at every
// notification the module receives.
#pragma once

#include "tvhost/win32.h"

// Connects (or re-checks, or at process detach releases) the link to the bus
// driver tvbus16.dll; true when the link stands.
BOOL ConnectBusLink(HINSTANCE instance, DWORD reason);
