// Module-wide state of TV audio and the duty the module's unload carries out.
#pragma once

#include <cstdint>

#include "tvhost/win32.h"

extern uint32_t mixerOpened;    // 1 once InitTVAudio has opened a mixer; never cleared
extern HMIXER mixerHandleCopy;  // the handle of the latest successful open; never cleared

// Unload duty: closes mixerHandleCopy when mixerOpened is set; the result is
// not looked at and nothing is cleared.
void ReleaseTVAudio();
