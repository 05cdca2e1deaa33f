/*
 * tvcore.h - the exported interface of the TV-capture card support library.
 *
 * An application loads the module (tvcore.dll on Windows, tvcore.so through
 * the host loader elsewhere) and calls these functions. Every call runs on
 * the caller's thread, does its work synchronously, assumes one caller at a
 * time, never throws and never allocates.
 *
 * Families:
 *   TV parameters  SetTVParam, GetTVParam
 *   I2C access     I2C_Read, I2C_Write, I2C_WriteBlk
 *   TV audio       InitTVAudio, SetTVVol, GetTVVol, SetTVMute, GetTVMute
 *   Link data      thk_ThunkData32 (the library's half of the bus link)
 *
 * See docs/api.md for each call's arguments, results and refusals.
 */
#ifndef TVCORE_H
#define TVCORE_H

#include <stdint.h>

#include "tvcore_exports.h"

/* TVCORE_CALL is the calling convention of every exported function: __stdcall
 * on 32-bit Windows (the callee removes its arguments from the stack), the
 * platform's only convention elsewhere. */
#if defined(_WIN32) && !defined(_WIN64)
#  define TVCORE_CALL __stdcall
#else
#  define TVCORE_CALL
#endif

#if defined(_WIN32)
#  if defined(TVCORE_BUILDING_MODULE)
#    define TVCORE_API __declspec(dllexport)
#  else
#    define TVCORE_API __declspec(dllimport)
#  endif
#else
#  define TVCORE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- TV parameters ------------------------------------------------------ */

/* Parameter ids of SetTVParam / GetTVParam. */
enum {
    TV_PARAM_SOURCE = 1,     /* video source (write-only; GetTVParam answers 1) */
    TV_PARAM_CHANNEL = 2,    /* channel of the current plan */
    TV_PARAM_BRIGHTNESS = 3, /* 0..255 */
    TV_PARAM_CONTRAST = 4,   /* 0..255 */
    TV_PARAM_HUE = 5,        /* 0..255 */
    TV_PARAM_SATURATION = 6  /* 0..255 */
};

/* Values of TV_PARAM_SOURCE (only the low 8 bits of the value are used). */
enum {
    TV_SOURCE_COMPOSITE = 0,
    TV_SOURCE_SVIDEO = 1,
    TV_SOURCE_COMPOSITE_ALT = 2, /* same as TV_SOURCE_COMPOSITE */
    TV_SOURCE_TUNER_CABLE = 4,
    TV_SOURCE_TUNER_BROADCAST = 5
};

/* Result codes of SetTVParam / GetTVParam. */
enum {
    TV_OK = 0,
    TV_ERR_BAD_PARAM = -2, /* parameter id outside 1..6 */
    TV_ERR_BAD_VALUE = -3, /* value out of range, source not allowed, or channel not in the plan */
    TV_ERR_NO_LOCK = -4    /* tuner programmed, channel stored, but the decoder reports no lock */
};

/* Sets parameter `id` to `value`; answers a result code above. */
TVCORE_API int32_t TVCORE_CALL SetTVParam(uint32_t id, uint32_t value);

/* Reads parameter `id` (zero-extended), or TV_ERR_BAD_PARAM. */
TVCORE_API int32_t TVCORE_CALL GetTVParam(uint32_t id);

/* ---- I2C access --------------------------------------------------------- */

/* Device addresses in the 8-bit write form the card uses. */
enum {
    TV_I2C_DECODER = 0x88,
    TV_I2C_TUNER = 0xC2
};

/* Answer of the three I2C calls while the bus link is not connected (the
 * module was not loaded through its entry routine): nothing crosses, and a
 * read's low byte reads 0xFF like an idle bus. */
#define TV_I2C_NO_LINK 0xFFFFFFFFu

/* Reads one register; the register's byte is in the low 8 bits. Device and
 * register lose their bits above 15 before they cross the link. */
TVCORE_API uint32_t TVCORE_CALL I2C_Read(uint32_t device, uint32_t reg);

/* Writes the low 8 bits of `value` to one register; answers the bus
 * driver's result unchanged. */
TVCORE_API uint32_t TVCORE_CALL I2C_Write(uint32_t device, uint32_t reg, uint32_t value);

/* Sends `count` bytes to the device in order, with no register number in
 * front; answers the bus driver's result unchanged. */
TVCORE_API uint32_t TVCORE_CALL I2C_WriteBlk(uint32_t device, const uint8_t *bytes, uint32_t count);

/* ---- TV audio ------------------------------------------------------------ */

/* The application's record of the TV sound line: eight 32-bit words. */
typedef struct TvMixerLine {
    uint32_t mixerHandle;     /* the open mixer device (HMIXER) */
    uint32_t leftVolume;      /* first channel's value from the latest GetTVVol */
    uint32_t rightVolume;     /* second channel's value from the latest GetTVVol */
    uint32_t volumeMin;       /* the volume control's lower bound */
    uint32_t volumeMax;       /* the volume control's upper bound */
    uint32_t channelCount;    /* channels exchanged with the mixer (2; at most 2 are ever exchanged) */
    uint32_t volumeControlId; /* the line's volume control */
    uint32_t muteControlId;   /* the line's mute control */
} TvMixerLine;

/* Guards of the audio calls, beyond what the mixer itself checks:
 *   - A NULL record is refused before any memory is touched: InitTVAudio,
 *     GetTVVol and GetTVMute answer 0, SetTVVol and SetTVMute answer
 *     MMSYSERR_INVALPARAM (11); no mixer call is made.
 *   - channelCount above 2 never exchanges more than the two values a call's
 *     buffer holds: min(channelCount, 2) channels are sent. 0 and 1 are sent
 *     as they are (the mixer answers 0 channels with an error; 1 sets every
 *     channel to the value and reads back only the left one).
 *   - The read calls start from a zeroed buffer, so a read the mixer refuses
 *     gives 0 (and GetTVVol stores 0 in leftVolume and rightVolume), never
 *     stale memory. */

/* Clears the record, sets channelCount to 2, opens mixer device 0 into
 * mixerHandle, and finds the auxiliary source line with its volume and mute
 * controls; answers 1 when all were found, else 0. Writes "No Mixers Found"
 * to the debug output when there is no mixer. A failure after the open leaves
 * the mixer open (it is closed at unload). */
TVCORE_API uint32_t TVCORE_CALL InitTVAudio(TvMixerLine *line);
/* Sets both channels to `volume`, passed unchanged (no clamping to the
 * bounds); answers the mixer's result code. */
TVCORE_API uint32_t TVCORE_CALL SetTVVol(TvMixerLine *line, uint32_t volume);
/* Reads both channels into leftVolume/rightVolume; answers leftVolume. */
TVCORE_API uint32_t TVCORE_CALL GetTVVol(TvMixerLine *line);
/* Sets the mute control of both channels to `mute`; answers the mixer's result code. */
TVCORE_API uint32_t TVCORE_CALL SetTVMute(TvMixerLine *line, uint32_t mute);
/* Reads the first channel's mute value (one channel, whatever channelCount holds). */
TVCORE_API uint32_t TVCORE_CALL GetTVMute(TvMixerLine *line);

/* ---- Pointer types ----------------------------------------------------------- */

/* One pointer type per exported function, PFN_<name>, carrying TVCORE_CALL;
 * e.g. PFN_SetTVParam is int32_t (TVCORE_CALL *)(uint32_t id, uint32_t value).
 * They are made from the export list in tvcore_exports.h. An application
 * that finds the calls with GetProcAddress declares its pointers with these.
 * A pointer written without the convention compiles everywhere but, on 32-bit
 * Windows, calls the function as __cdecl: caller and callee then both remove
 * the arguments, and every call leaves the caller's stack pointer off by the
 * arguments' size. */
/* NOLINTBEGIN(bugprone-macro-parentheses): a result type and a parameter list,
 * which parentheses would break */
#define TVCORE_PFN_TYPEDEF(name, result, argumentBytes, parameters) \
    typedef result (TVCORE_CALL *PFN_##name) parameters;
/* NOLINTEND(bugprone-macro-parentheses) */
TVCORE_EXPORTED_FUNCTIONS(TVCORE_PFN_TYPEDEF)
#undef TVCORE_PFN_TYPEDEF

/* ---- Link data ------------------------------------------------------------ */

/* The library's half of the bus link; it begins with the signature "LS01".
 * Its layout belongs to the host's link (tvhost/thunk.h). */
struct ThunkData32;
extern TVCORE_API struct ThunkData32 thk_ThunkData32;

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVCORE_H */
