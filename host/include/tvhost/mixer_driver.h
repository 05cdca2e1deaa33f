/*
 * tvhost/mixer_driver.h - the entry that a mixer driver module exports.
 *
 * The host's mixer functions (mixerGetNumDevs, mixerOpen, ...) are served by
 * the driver modules listed in TVHOST_MIXERS, in device order. The host checks
 * handles, device numbers, flags and structure sizes first and passes only
 * well-formed requests on. A driver answers unknown messages with
 * MMSYSERR_NOTSUPPORTED.
 */
#ifndef TVHOST_MIXER_DRIVER_H
#define TVHOST_MIXER_DRIVER_H

#include "tvhost/win32.h"

#define MXDM_GETNUMDEVS 1u        /* result: number of devices of this driver */
#define MXDM_OPEN 3u              /* user: DWORD_PTR* for the instance value; param2: open flags */
#define MXDM_CLOSE 4u             /* user: instance value */
#define MXDM_GETLINEINFO 5u       /* param1: MIXERLINEA*; param2: flags & 0xF */
#define MXDM_GETLINECONTROLS 6u   /* param1: MIXERLINECONTROLSA*; param2: flags & 0xF */
#define MXDM_GETCONTROLDETAILS 7u /* param1: MIXERCONTROLDETAILS*; param2: flags & 0xF */
#define MXDM_SETCONTROLDETAILS 8u /* param1: MIXERCONTROLDETAILS*; param2: flags & 0xF */

#ifdef __cplusplus
extern "C" {
#endif

typedef DWORD (*MxdMessageProc)(UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1,
                                DWORD_PTR param2);

/* Exported by every mixer driver module under this name. */
#define MXD_ENTRY_NAME "mxdMessage"

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_MIXER_DRIVER_H */
