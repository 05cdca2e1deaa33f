/*
 * tvcore_exports.h - every name the library module exports, listed once.
 *
 * Each list is an X-macro: it calls the macro it is given once per export.
 *
 *   TVCORE_EXPORTED_FUNCTIONS(FUNCTION)
 *       FUNCTION(name, return type, argument bytes, (parameters))
 *       for each function of the application interface, in the order of
 *       tvcore.h. "argument bytes" is what the arguments take on the 32-bit
 *       stack, the n of the function's stdcall name on 32-bit Windows
 *       (Name@n); the library's build checks it against the declaration.
 *   TVCORE_EXPORTED_DATA(DATA)
 *       DATA(name) for each exported variable.
 *   TVCORE_EXPORTED_ENTRY(ENTRY)
 *       ENTRY(name, argument bytes) for the module's entry routine.
 *
 * tvcore.h's PFN_<name> pointer types come from the first list. The build
 * writes the module's export lists (the linker version script tvcore.map and
 * the Windows module definition tvcore.def) from this file, reading it as
 * text: keep one entry per line, in exactly the forms above.
 */
#ifndef TVCORE_EXPORTS_H
#define TVCORE_EXPORTS_H

#define TVCORE_EXPORTED_FUNCTIONS(FUNCTION)                                           \
    FUNCTION(SetTVParam, int32_t, 8, (uint32_t id, uint32_t value))                   \
    FUNCTION(GetTVParam, int32_t, 4, (uint32_t id))                                   \
    FUNCTION(I2C_Read, uint32_t, 8, (uint32_t device, uint32_t reg))                  \
    FUNCTION(I2C_Write, uint32_t, 12, (uint32_t device, uint32_t reg, uint32_t value)) \
    FUNCTION(I2C_WriteBlk, uint32_t, 12, (uint32_t device, const uint8_t *bytes, uint32_t count)) \
    FUNCTION(InitTVAudio, uint32_t, 4, (TvMixerLine *line))                           \
    FUNCTION(SetTVVol, uint32_t, 8, (TvMixerLine *line, uint32_t volume))             \
    FUNCTION(GetTVVol, uint32_t, 4, (TvMixerLine *line))                              \
    FUNCTION(SetTVMute, uint32_t, 8, (TvMixerLine *line, uint32_t mute))              \
    FUNCTION(GetTVMute, uint32_t, 4, (TvMixerLine *line))

#define TVCORE_EXPORTED_DATA(DATA) \
    DATA(thk_ThunkData32)

#define TVCORE_EXPORTED_ENTRY(ENTRY) \
    ENTRY(DllMain, 12)

#endif /* TVCORE_EXPORTS_H */
