// Layouts that callers and the mixer rely on, checked when the library is
// compiled: the application's TvMixerLine record everywhere, and on 32-bit
// Windows the sizes that the real headers give the mixer structures, which
// the library passes as cbStruct and the host layer reproduces.
#include <cstddef>

#include "tvcore.h"
#include "tvhost/win32.h"

static_assert(sizeof(TvMixerLine) == 32, "TvMixerLine is eight 32-bit words");
static_assert(offsetof(TvMixerLine, muteControlId) == 28, "TvMixerLine keeps its word order");
static_assert(sizeof(MIXERCONTROLA) == 148, "MIXERCONTROLA holds no pointer: 148 bytes everywhere");

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(MIXERLINEA) == 168, "MIXERLINEA on 32-bit Windows");
static_assert(sizeof(MIXERCONTROLA) == 148, "MIXERCONTROLA on 32-bit Windows");
static_assert(sizeof(MIXERLINECONTROLSA) == 24, "MIXERLINECONTROLSA on 32-bit Windows");
static_assert(sizeof(MIXERCONTROLDETAILS) == 24, "MIXERCONTROLDETAILS on 32-bit Windows");
static_assert(sizeof(MIXERCONTROLDETAILS_UNSIGNED) == 4 && sizeof(MIXERCONTROLDETAILS_BOOLEAN) == 4,
              "one mixer value is 4 bytes");
// A handle fits the record's 32-bit word on the platform the design targets.
static_assert(sizeof(HMIXER) == sizeof(uint32_t), "HMIXER is 32 bits on 32-bit Windows");
#endif
