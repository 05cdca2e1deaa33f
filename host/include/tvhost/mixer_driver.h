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

#include <stdint.h>

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

#if defined(_WIN32)
#  define MXD_DRIVER_API __declspec(dllexport)
#else
#  define MXD_DRIVER_API __attribute__((visibility("default")))
#endif

/* The entry every mixer driver module exports. */
MXD_DRIVER_API DWORD mxdMessage(UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2);

typedef DWORD (*MxdMessageProc)(UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1,
                                DWORD_PTR param2);

/* Exported by every mixer driver module under this name. */
#define MXD_ENTRY_NAME "mxdMessage"

/* A mixer driver's optional words, looked up by name like mxdMessage; a
 * driver without them still works. Each writes a NUL-terminated text, cut
 * short to fit `size` (nothing when `text` is NULL or `size` is 0), and
 * answers the text's full length without its terminator; 0 means nothing
 * to say. */

/* Device `deviceId` of this driver in words ("hw:1 \"<card>\""); 0 for a
 * device the driver does not serve. */
MXD_DRIVER_API uint32_t mxdDescribeDevice(UINT deviceId, char *text, uint32_t size);
/* Why the driver serves no device (MXDM_GETNUMDEVS answered 0) or refused
 * its load; 0 when it serves. */
MXD_DRIVER_API uint32_t mxdRefusalReason(char *text, uint32_t size);

typedef uint32_t (*MxdDescribeDeviceProc)(UINT deviceId, char *text, uint32_t size);
typedef uint32_t (*MxdRefusalReasonProc)(char *text, uint32_t size);

#define MXD_DESCRIBE_DEVICE_NAME "mxdDescribeDevice"
#define MXD_REFUSAL_REASON_NAME "mxdRefusalReason"

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_MIXER_DRIVER_H */
