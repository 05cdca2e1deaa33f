/*
 * tune - selects the card's tuner with the cable channel plan and tunes one
 * channel, the way a TV application uses the library:
 *
 *   LoadLibraryA("tvcore.dll")       loads the library (it connects the bus)
 *   GetProcAddress(..., "SetTVParam") finds the exported calls
 *   SetTVParam(TV_PARAM_SOURCE, ...)  selects the input
 *   SetTVParam(TV_PARAM_CHANNEL, n)   tunes: 0 locked, -4 tuned without lock
 *   FreeLibrary(...)                  unloads it
 *
 * Usage: tune [channel]   (cable channel 1..125, default 7)
 * Exit status: 0 when the channel was tuned (locked or not), 1 otherwise.
 */
#include <stdio.h>
#include <stdlib.h>

#include "tvcore.h"
#include "tvhost/win32.h"

/* What a result code of SetTVParam means. */
static const char *Meaning(int32_t result) {
    switch (result) {
        case TV_OK: return "locked";
        case TV_ERR_BAD_PARAM: return "unknown parameter";
        case TV_ERR_BAD_VALUE: return "value refused";
        case TV_ERR_NO_LOCK: return "tuned, but no signal lock";
        default: return "unexpected result";
    }
}

int main(int argc, char **argv) {
    unsigned long channel = 7;
    if (argc > 1) {
        char *end = NULL;
        channel = strtoul(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || channel > 255) {
            fprintf(stderr, "usage: %s [channel]\n", argv[0]);
            return 2;
        }
    }

    HMODULE tv = LoadLibraryA("tvcore.dll");
    if (tv == NULL) {
        fprintf(stderr, "tune: cannot load tvcore.dll (error %u)\n", (unsigned)GetLastError());
        return 1;
    }
    /* Each export is cast to its pointer type from tvcore.h, which carries
     * the calling convention, through the generic function type. */
    PFN_SetTVParam setParam = (PFN_SetTVParam)(void (*)(void))GetProcAddress(tv, "SetTVParam");
    PFN_GetTVParam getParam = (PFN_GetTVParam)(void (*)(void))GetProcAddress(tv, "GetTVParam");
    if (setParam == NULL || getParam == NULL) {
        fprintf(stderr, "tune: tvcore.dll lacks SetTVParam/GetTVParam\n");
        FreeLibrary(tv);
        return 1;
    }

    int32_t source = setParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE);
    printf("source: tuner, cable plan: %d (%s)\n", (int)source, source == TV_OK ? "ok" : Meaning(source));
    int32_t result = setParam(TV_PARAM_CHANNEL, (uint32_t)channel);
    printf("channel %lu: %d (%s)\n", channel, (int)result, Meaning(result));
    printf("current channel: %d\n", (int)getParam(TV_PARAM_CHANNEL));

    FreeLibrary(tv);
    return (result == TV_OK || result == TV_ERR_NO_LOCK) ? 0 : 1;
}
