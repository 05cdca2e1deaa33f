/*
 * tvmixsim.h - the simulated mixer driver's own interface (tvmixsim.so).
 *
 * The driver serves the host's mixer functions like any mixer driver (its
 * entry is mxdMessage). Besides, it exports these calls so that tests and
 * tools can look behind it: the log of every message it answered, the values
 * its controls hold, and a way to rebuild it from its settings. A program
 * reaches them by loading the same module file that the host loads with
 * LoadLibraryA (which gives the one instance) and looking the names up with
 * GetProcAddress.
 *
 * Settings (environment, read at the first message and by
 * TvMixSimReconfigure; see docs/simulated-mixer.md):
 *   TVMIXSIM_DEVICES=n       devices 0..8 (default 1)
 *   TVMIXSIM_NO_AUX=1        no auxiliary source line
 *   TVMIXSIM_NO_VOLUME=1     the auxiliary line has no volume control
 *   TVMIXSIM_NO_MUTE=1       the auxiliary line has no mute control
 *   TVMIXSIM_VOLUME_MIN=n    lower bound of every volume control (default 0)
 *   TVMIXSIM_VOLUME_MAX=n    upper bound of every volume control (default 65535)
 *   TVMIXSIM_OPEN_RESULT=n   MXDM_OPEN answers n; nonzero makes every open fail
 *   TVMIXSIM_STATE=path|off  where the controls' values are kept between
 *                            processes (default: the user's runtime directory)
 */
#ifndef TVMIXSIM_H
#define TVMIXSIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TVMIXSIM_API __attribute__((visibility("default")))

/* Most calls kept in the log; later ones are counted but not kept. */
#define TVMIXSIM_LOG_CAPACITY 1024u
/* Values copied per control-details call. */
#define TVMIXSIM_MAX_VALUES 2u

/* One message as the driver received and answered it. Fields that do not
 * belong to the message are 0. */
typedef struct TvMixSimCall {
    uint32_t message;  /* MXDM_... */
    uint32_t deviceId; /* the device number the message carried */
    uint32_t flags;    /* param2: open flags, or the query bits (flags & 0xF) */
    uint32_t instance; /* the open the message came through (MXDM_OPEN: the new one) */
    uint32_t result;   /* what the driver answered */
    uint32_t cbStruct; /* of the structure param1 pointed at */
    /* MXDM_GETLINEINFO: the request's members */
    uint32_t destination, source, lineId, componentType;
    /* MXDM_GETLINECONTROLS: the request's members (lineId above) */
    uint32_t controlTypeOrId, cControls, cbmxctrl;
    /* MXDM_GET/SETCONTROLDETAILS: the request's members */
    uint32_t controlId, cChannels, cMultipleItems, cbDetails, detailsPresent;
    /* values the caller sent (set) or the driver returned (get); valueCount
     * is 0 when the request was refused before values were exchanged */
    uint32_t valueCount;
    uint32_t values[TVMIXSIM_MAX_VALUES];
    /* 1 when the answer was an injected failure (TvMixSimFailMessage): the
     * driver did nothing else with the message */
    uint32_t injected;
} TvMixSimCall;

/* Calls in the log (at most TVMIXSIM_LOG_CAPACITY). */
TVMIXSIM_API uint32_t TvMixSimCallCount(void);
/* Calls answered since the last clear, kept or not. */
TVMIXSIM_API uint32_t TvMixSimCallTotal(void);
/* Copies call `index` (0 = oldest); 1 when it exists, else 0 and *out untouched. */
TVMIXSIM_API int TvMixSimGetCall(uint32_t index, TvMixSimCall *out);
/* Empties the log. */
TVMIXSIM_API void TvMixSimClearCalls(void);

/* Sets a control's two channel values directly, bypassing bounds (as if the
 * user moved a slider per channel). 0, or MIXERR_INVALCONTROL for an unknown
 * device or control. */
TVMIXSIM_API uint32_t TvMixSimSetChannelValues(uint32_t device, uint32_t controlId, uint32_t left,
                                               uint32_t right);
/* Reads a control's two channel values; 0, or MIXERR_INVALCONTROL. */
TVMIXSIM_API uint32_t TvMixSimGetChannelValues(uint32_t device, uint32_t controlId, uint32_t values[2]);

/* Opens not yet closed. */
TVMIXSIM_API uint32_t TvMixSimOpenCount(void);

/* Reads the settings again and rebuilds the devices: values return to their
 * defaults (or to what the state file holds, when one is kept), the log is emptied, every open is forgotten (its instance is
 * refused from then on), and armed failures are cleared. The host keeps the
 * device count it asked at load, so call TvHostMixerReset() afterwards when
 * the device count changed. */
TVMIXSIM_API void TvMixSimReconfigure(void);

/* Puts every control back to its starting value and removes the state file
 * (the user's other processes then start from those values too). Answers 1;
 * 0 when a state file is kept and could not be removed. */
TVMIXSIM_API int TvMixSimResetValues(void);

/* Copies the state file's path to `out` (NUL-terminated, cut to `size`);
 * answers the path's length, 0 when no state file is kept. */
TVMIXSIM_API uint32_t TvMixSimStatePath(char *out, uint32_t size);

/* ---- Fault injection -------------------------------------------------------- */

/* Failures armed at once. */
#define TVMIXSIM_MAX_FAULTS 16u

/* Makes a coming message fail once: after `skip` more messages `message`
 * (MXDM_...; 0 matches every message) have been answered normally, the next
 * one answers `result` and does nothing else: an open makes no instance, a
 * query fills nothing, a read returns no values, a set changes nothing. For
 * MXDM_GETNUMDEVS `result` is the device count answered. The call is logged
 * with `injected` 1. Answers 1; 0 when TVMIXSIM_MAX_FAULTS are armed. */
TVMIXSIM_API int TvMixSimFailMessage(uint32_t message, uint32_t skip, uint32_t result);

/* Disarms every armed failure and sets the count of injected ones to 0. */
TVMIXSIM_API void TvMixSimClearFaults(void);

/* Messages answered with an injected failure since load, the last
 * TvMixSimClearFaults or TvMixSimReconfigure. */
TVMIXSIM_API uint32_t TvMixSimFaultsInjected(void);

#ifdef __cplusplus
}
#endif

#endif /* TVMIXSIM_H */
