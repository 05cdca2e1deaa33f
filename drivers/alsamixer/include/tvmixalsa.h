/* The ALSA mixer driver's own interface, beside its mixer driver entry: what
 * the card itself holds for the auxiliary element, for tools that show a
 * user the card's values next to the mixer's (tvctl's audio command). */
#ifndef TVMIXALSA_H
#define TVMIXALSA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TvMixAlsaElement {
    char device[64];    /* the ALSA device, e.g. "hw:0" */
    char element[64];   /* the simple element as the card names it, e.g. "Aux" */
    uint32_t index;     /* the element's index (amixer's "Aux,1") */
    uint32_t channels;  /* 1 or 2 */
    int32_t hasVolume;  /* a playback volume with a usable range */
    int32_t hasSwitch;  /* a playback switch (the mute control) */
    int32_t hasDb;      /* ALSA knows the volume's dB figures */
    int32_t switchOn[2];
    int64_t min, max;   /* the card's volume range */
    int64_t value[2];   /* the card's volume, per channel */
    uint32_t scale[2];  /* the same on the mixer's 0..65535 scale */
    int64_t dbMin, dbMax, db[2]; /* hundredths of a dB (when hasDb) */
} TvMixAlsaElement;

/* Fills `out` for device `device` of this driver (its number among the
 * driver's devices, as the host counted them) and the element named by
 * TVMIXALSA_ELEMENT. Answers 0; -1 when there is no such device or `out` is
 * NULL; -2 when the device does not open; -3 when it has no such element
 * (`out->device` and `out->element` are filled even then). */
__attribute__((visibility("default"))) int TvMixAlsaDescribe(uint32_t device, TvMixAlsaElement *out);

#ifdef __cplusplus
}
#endif

#endif /* TVMIXALSA_H */
