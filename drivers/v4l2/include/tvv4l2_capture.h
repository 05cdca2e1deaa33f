/*
 * tvv4l2_capture.h - pictures from the V4L2 bus driver's device (optional
 * exports of tvbus16.so in lib/tvcore/v4l2/).
 *
 * A capture opens the node the bus driver chose at connect (TVV4L2_DEVICE,
 * TVV4L2_CARD, or the one device with a tuner; tvv4l2.h) once more, streams
 * from it with mmap buffers (read() where the device has no streaming I/O)
 * and hands each frame over as RGB24, whatever pixel format the device
 * delivers: the conversion is libv4lconvert's. The device's size is kept;
 * its pixel format is changed only when it delivers none that converts.
 *
 * A device that another program streams from is refused (EBUSY), with a
 * sentence that says so; so is a device without video capture. Every
 * refusal and failure comes as one sentence without its ending in `reason`
 * (cut to `reasonSize`, always terminated when reasonSize > 0).
 *
 * No thread is started; a capture is used by one thread at a time. The
 * system calls go through the bus driver's table (TvV4l2SetSysCalls) and,
 * for those the register file never makes, TvV4l2SetCaptureSysCalls.
 */
#ifndef TVV4L2_CAPTURE_H
#define TVV4L2_CAPTURE_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#include "tvv4l2.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TvV4l2Capture TvV4l2Capture;

/* How frames are taken from the device. */
#define TVV4L2_CAPTURE_MMAP 1u /* streaming I/O with driver buffers mapped */
#define TVV4L2_CAPTURE_READ 2u /* read(): the device has no streaming I/O */

/* The role the bus driver gave the current input (its card map). */
#define TVV4L2_ROLE_NONE 0u
#define TVV4L2_ROLE_TUNER 1u
#define TVV4L2_ROLE_COMPOSITE 2u
#define TVV4L2_ROLE_SVIDEO 3u

typedef struct TvV4l2CaptureFormat {
    uint32_t width;
    uint32_t height;
    uint32_t frameBytes;  /* width * height * 3: the RGB24 frame a grab fills */
    uint32_t pixelFormat; /* the device's own format (fourcc), before conversion */
    uint32_t method;      /* TVV4L2_CAPTURE_MMAP or TVV4L2_CAPTURE_READ */
} TvV4l2CaptureFormat;

typedef struct TvV4l2FrameInfo {
    uint32_t sequence;    /* the device's frame count (read(): counted here) */
    uint32_t input;       /* the V4L2 input on at the grab */
    uint32_t role;        /* TVV4L2_ROLE_* of that input */
    uint32_t locked;      /* 1: the tuner reports signal, or the input's status shows a picture */
    uint32_t frequencyHz; /* the tuner's frequency on a tuner input, else 0 */
    char inputName[33];   /* the input's name as the device reports it */
} TvV4l2FrameInfo;

/* Opens a capture on the bus driver's device and starts it. NULL, with the
 * reason, when the bus is not connected, the device is busy with another
 * program's stream, or it delivers nothing that converts to RGB24. */
TVV4L2_API TvV4l2Capture *TvV4l2CaptureOpen(TvV4l2CaptureFormat *format, char *reason, uint32_t reasonSize);

/* Waits for the next frame (up to 5 seconds) and converts it into `rgb`
 * (at least format.frameBytes bytes). Answers the bytes written (frameBytes),
 * or 0 with the reason. `info` may be NULL. */
TVV4L2_API uint32_t TvV4l2CaptureGrab(TvV4l2Capture *capture, uint8_t *rgb, uint32_t size, TvV4l2FrameInfo *info,
                                      char *reason, uint32_t reasonSize);

/* Stops the stream, unmaps and frees the buffers and closes the node.
 * NULL is allowed. */
TVV4L2_API void TvV4l2CaptureClose(TvV4l2Capture *capture);

/* The system calls only the capture makes. A member left NULL means the
 * real call. poll waits on one descriptor for POLLIN. */
typedef struct TvV4l2CaptureSysCalls {
    void *(*mmap)(void *address, size_t length, int protection, int flags, int fd, off_t offset);
    int (*munmap)(void *address, size_t length);
    ssize_t (*read)(int fd, void *buffer, size_t size);
    int (*poll)(int fd, int timeoutMs);
} TvV4l2CaptureSysCalls;

/* Replaces them (copied; NULL restores the real ones), as TvV4l2SetSysCalls. */
TVV4L2_API void TvV4l2SetCaptureSysCalls(const TvV4l2CaptureSysCalls *calls);

/* The export names, for a caller that looks them up. */
#define TVV4L2_CAPTURE_OPEN_NAME "TvV4l2CaptureOpen"
#define TVV4L2_CAPTURE_GRAB_NAME "TvV4l2CaptureGrab"
#define TVV4L2_CAPTURE_CLOSE_NAME "TvV4l2CaptureClose"

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVV4L2_CAPTURE_H */
