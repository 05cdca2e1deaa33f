/*
 * tvv4l2_tuner.h - optional exports of the V4L2 bus driver (v4l2/tvbus16.so)
 * beside its bus calls: what the register map cannot carry. The TV standard
 * (VIDIOC_ENUMSTD, G_STD, S_STD), the tuner's audio mode and the sub-channels
 * it receives (VIDIOC_G_TUNER, S_TUNER), and the frequency read back from the
 * device (VIDIOC_G_FREQUENCY), all on the device the bus holds; and a listing
 * of every V4L2 device with a tuner, which needs no connected bus.
 *
 * Calls on the held device answer 0, or an error class as the bus calls use
 * them (tvv4l2.h): TVV4L2_ERR_NOT_OPEN when no device is held (the library
 * has not connected the bus), else the errno the request failed with (EINVAL
 * for a standard or mode the device does not take, ENOTTY/ENODATA for a
 * device without standards). They take the bus's lock, so they may run
 * beside the library's bus calls.
 */
#ifndef TVV4L2_TUNER_H
#define TVV4L2_TUNER_H

#include <stdint.h>

#include "tvv4l2.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TVV4L2_NAME_SIZE 33u     /* a card, bus or input name as V4L2 gives it, terminated */
#define TVV4L2_STD_NAME_SIZE 25u /* a standard's name (v4l2_standard.name), terminated */
#define TVV4L2_MAX_STANDARDS 64u
#define TVV4L2_MAX_LISTED_INPUTS 16u

/* One standard of the device, as VIDIOC_ENUMSTD gives it. */
typedef struct TvV4l2Standard {
    uint64_t id; /* v4l2_std_id: one or more V4L2_STD_* bits */
    char name[TVV4L2_STD_NAME_SIZE];
} TvV4l2Standard;

/* The device's standards in its order; `*count` of them (at most `capacity`,
 * more are left out). A device without standards answers 0 with *count 0. */
TVV4L2_API uint32_t TvV4l2ListStandards(TvV4l2Standard *standards, uint32_t capacity, uint32_t *count);
/* The standard the device is set to (VIDIOC_G_STD). */
TVV4L2_API uint32_t TvV4l2GetStandard(uint64_t *id);
/* Sets the standard (VIDIOC_S_STD); the device may narrow a group. */
TVV4L2_API uint32_t TvV4l2SetStandard(uint64_t id);

/* The tuner of the tuner input, read now. Frequencies in Hz whatever the
 * tuner's unit. */
typedef struct TvV4l2TunerReading {
    uint64_t frequencyHz;  /* VIDIOC_G_FREQUENCY */
    uint64_t rangeLowHz, rangeHighHz;
    uint32_t signal;       /* 0..65535 */
    int32_t afc;           /* negative: below the carrier, positive: above */
    uint32_t capability;   /* V4L2_TUNER_CAP_*: which audio modes it has */
    uint32_t rxsubchans;   /* V4L2_TUNER_SUB_*: what it receives now */
    uint32_t audmode;      /* V4L2_TUNER_MODE_* */
    char name[TVV4L2_NAME_SIZE];
} TvV4l2TunerReading;

TVV4L2_API uint32_t TvV4l2ReadTuner(TvV4l2TunerReading *reading);
/* Sets the tuner's audio mode (VIDIOC_S_TUNER, V4L2_TUNER_MODE_*). */
TVV4L2_API uint32_t TvV4l2SetAudioMode(uint32_t audmode);

/* A V4L2 device node with a tuner and video capture. */
typedef struct TvV4l2DeviceInfo {
    char path[32];
    char card[TVV4L2_NAME_SIZE];
    char driver[17];
    char bus[TVV4L2_NAME_SIZE];
    uint32_t inputCount; /* all of them; names of the first TVV4L2_MAX_LISTED_INPUTS */
    char inputs[TVV4L2_MAX_LISTED_INPUTS][TVV4L2_NAME_SIZE];
    uint32_t inputTypes[TVV4L2_MAX_LISTED_INPUTS]; /* V4L2_INPUT_TYPE_* */
    uint32_t standardCount;
    TvV4l2Standard standards[TVV4L2_MAX_STANDARDS];
} TvV4l2DeviceInfo;

/* Calls `each` for every /dev/videoN with a tuner and video capture, in
 * ascending N, until it answers 0; nodes that do not open are passed over.
 * Answers how many were given. */
typedef int (*TvV4l2DeviceProc)(const TvV4l2DeviceInfo *device, void *context);
TVV4L2_API uint32_t TvV4l2ListDevices(TvV4l2DeviceProc each, void *context);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVV4L2_TUNER_H */
