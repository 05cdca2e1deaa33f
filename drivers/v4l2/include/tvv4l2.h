/*
 * tvv4l2.h - the V4L2 bus driver (tvbus16.so in lib/tvcore/v4l2/) and the
 * V4L2 mixer driver (tvmixv4l2.so in lib/tvcore/).
 *
 * The bus driver keeps a register file for the card's video decoder (0x88)
 * and tuner (0xC2) and turns what the library writes into requests to a
 * Video4Linux2 device (/dev/videoN): the input, the picture controls and the
 * tuner frequency. docs/v4l2.md explains the mapping register by register.
 * Both modules export, besides their driver entry, TvV4l2SetSysCalls, which
 * replaces the system calls they make (for tests and tools). The bus
 * driver's picture: tvv4l2_capture.h.
 *
 * Bus driver settings (read at connect, DLL_PROCESS_ATTACH; set but empty
 * counts as unset):
 *   TVV4L2_DEVICE   a device path (/dev/video0), opened as given. Wins over
 *                   TVV4L2_CARD.
 *   TVV4L2_CARD     the card name as VIDIOC_QUERYCAP reports it (v4l2-ctl
 *                   --info shows it as "Card type"). Devices whose name equals
 *                   it are taken first, else those whose name contains it.
 *   neither         every /dev/videoN with a tuner and video capture fits.
 *   With TVV4L2_CARD or neither, exactly one device must fit; none or several
 *   is a refusal that names them.
 *   TVV4L2_BOARD    "standard" or "alternative": how the decoder's input
 *                   multiplexer is wired. Unset: the board file vidcfg.ini in
 *                   the host's Windows directory decides, exactly as for the
 *                   library.
 *   TVV4L2_INPUTS   which V4L2 input stands for the card's tuner, composite and
 *                   S-video inputs, when the names do not say it:
 *                   "tuner=0,composite=Webcam 0,svideo=none". A value is an
 *                   input number, an input name (letter case ignored) or
 *                   "none". Unnamed roles are learnt: the tuner is the first
 *                   input of tuner type; composite the first input whose name
 *                   contains "composite" or "cvbs"; S-video the first whose
 *                   name contains "s-video", "svideo", "s video" or "y/c".
 * The device must report V4L2_CAP_TUNER and have an input of tuner type;
 * otherwise, and on any refusal, connect answers 0 (the library's load is
 * refused) and one line on the debug channel says why.
 *
 * Results of the bus calls, as with the i2c-dev driver: bits 8..15 carry an
 * error class, 0 on success.
 *   read   success: the register byte (result <= 0xFF).
 *          a missing device: (TVV4L2_ERR_NO_DEVICE << 8) | 0xFF.
 *          a V4L2 request failed: (class << 8) | the stored register byte,
 *          with the status register's lock bit cleared, so a failed lock
 *          query never reads as lock.
 *   write, writeBlk
 *          success: 0.  failure: class << 8. The register file keeps the
 *          value written even when the device refused it.
 * Classes 1..0xEF are the errno a V4L2 request failed with; 0xF0 and above
 * are the driver's own.
 */
#ifndef TVV4L2_H
#define TVV4L2_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TVV4L2_API __attribute__((visibility("default")))

#define TVV4L2_RESULT_CLASS(result) (((uint32_t)(result) >> 8) & 0xFFu)
#define TVV4L2_WRITE_FAILURE(errorClass) (((uint32_t)(errorClass) & 0xFFu) << 8)
#define TVV4L2_READ_FAILURE(errorClass, lowByte) ((((uint32_t)(errorClass) & 0xFFu) << 8) | ((uint32_t)(lowByte) & 0xFFu))

/* No device answers at the address (the same class a kernel I2C adapter
 * gives: ENXIO, no acknowledge). Only 0x88 and 0xC2 answer (their read forms
 * 0x89 and 0xC3 too). */
#define TVV4L2_ERR_NO_DEVICE 6u
#define TVV4L2_ERR_NOT_OPEN 0xF0u     /* no device open: not connected, or after detach */
#define TVV4L2_ERR_BAD_REGISTER 0xF2u /* register word above 0xFF */
#define TVV4L2_ERR_NULL_BLOCK 0xF3u   /* the block pointer maps to NULL */
#define TVV4L2_ERR_BAD_COUNT 0xF4u    /* tuner block not 4 bytes; decoder block empty or past 0xFF */
#define TVV4L2_ERR_RANGE 0xF6u        /* frequency below 0 or outside the tuner's range: not tuned */
#define TVV4L2_ERR_NO_INPUT 0xF7u     /* the multiplexer value names no input of this board or device */
#define TVV4L2_ERR_NO_CONTROL 0xF8u   /* the device has no such picture control: stored only */
#define TVV4L2_ERR_UNKNOWN 0xFEu      /* a request failed with an errno outside 1..0xEF */

/* The system calls the drivers make. A member left NULL means the real call.
 * `dir` is whatever opendir answered; readdir answers the next entry's name
 * or NULL at the end. */
typedef struct TvV4l2SysCalls {
    int (*open)(const char *path, int flags);
    int (*close)(int fd);
    int (*ioctl)(int fd, unsigned long request, void *arg);
    void *(*opendir)(const char *path);
    const char *(*readdir)(void *dir);
    int (*closedir)(void *dir);
} TvV4l2SysCalls;

/* Replaces the system calls (copied; NULL restores the real ones). Call it
 * while no other call into the module runs, and before a device is opened. */
TVV4L2_API void TvV4l2SetSysCalls(const TvV4l2SysCalls *calls);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVV4L2_H */
