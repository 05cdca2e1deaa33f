/*
 * tvsim.h - the simulated card's own interface, for tests and tools.
 *
 * The simulated card is the default bus driver (tvbus16.so). Besides the
 * link block thk_ThunkData16 that the library connects to, it exports the
 * functions below so that a test or a tool can steer the card and see what
 * crossed the bus. Reach them by loading the same tvbus16.so with the host's
 * LoadLibraryA and looking the names up with GetProcAddress; the card is one
 * per process, shared with the link.
 * Every function is safe to call from any thread at any time.
 *
 * The card carries two devices:
 *   0x88  video decoder: 256 registers; reads answer the register, writes
 *         store the low 8 bits; status register 0x00 bit 6 reports lock
 *         (see docs/simulated-card.md for when).
 *   0xC2  tuner: takes a 4-byte block (divider high, divider low, control
 *         byte, band byte); a read answers its status byte (bit 6: the
 *         oscillator has settled).
 * No other address answers: writes fail with TVSIM_NO_ACK, reads give 0xFF.
 */
#ifndef TVSIM_H
#define TVSIM_H

#include <stdint.h>

/* Exported from the driver module; on Windows a DLL export (reach the
 * functions with GetProcAddress on tvbus16.dll). */
#if defined(_WIN32)
#  define TVSIM_API __declspec(dllexport)
#else
#  define TVSIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The driver's results (the answer of write and writeBlk) --------------- */

#define TVSIM_OK 0u          /* done */
#define TVSIM_NO_ACK 1u      /* no device answered at that address */
#define TVSIM_BAD_BLOCK 2u   /* the device does not take a transfer of that length */
#define TVSIM_BAD_POINTER 3u /* the block pointer did not translate (NULL or stale) */

/* The answer of a read that failed after the device answered (an injected
 * TVSIM_FAULT_READ): bit 8 marks the failure, and the low byte reads 0xFF
 * like an idle bus, so a caller that looks only at the byte sees what a
 * missing device gives. */
#define TVSIM_READ_FAILED 0x1FFu

/* ---- Transaction log -------------------------------------------------------- */

#define TVSIM_OP_READ 1u
#define TVSIM_OP_WRITE 2u
#define TVSIM_OP_BLOCK 3u

#define TVSIM_LOG_CAPACITY 4096u /* the newest this many transactions are kept */
#define TVSIM_LOG_BYTES 16u      /* bytes of a block kept in its entry */

typedef struct TvSimTransaction {
    uint64_t sequence; /* 0 for the first transaction after load or TvSimLogClear */
    uint64_t timeUs;   /* microseconds since the driver was loaded (monotonic clock) */
    uint32_t op;       /* TVSIM_OP_READ, TVSIM_OP_WRITE or TVSIM_OP_BLOCK */
    uint32_t device;   /* the address word as it crossed the link */
    uint32_t reg;      /* read and write: the register word as it crossed; block: 0 */
    uint32_t value;    /* write: the value word as it crossed; otherwise 0 */
    uint32_t count;    /* block: the byte count as it crossed; otherwise 0 */
    uint32_t result;   /* read: the answer (0..255); write and block: a TVSIM_ result */
    uint8_t bytes[TVSIM_LOG_BYTES]; /* block: its first bytes, as far as the device took them */
    uint32_t fault;    /* TVSIM_FAULT_NONE, or the injected fault that failed it */
} TvSimTransaction;

/* Transactions since load or the latest TvSimLogClear (held or not). */
TVSIM_API uint64_t TvSimLogTotal(void);

/* Copies held transactions with sequence >= `first`, oldest first, at most
 * `max` of them; answers how many were copied. A `first` that has already
 * left the ring starts at the oldest held one. NULL `out` copies nothing. */
TVSIM_API uint32_t TvSimLogRead(uint64_t first, TvSimTransaction *out, uint32_t max);

/* Forgets every transaction; the next one has sequence 0. Faults armed by
 * sequence number are disarmed with it (their numbering is gone). */
TVSIM_API void TvSimLogClear(void);

/* ---- The card ------------------------------------------------------------- */

/* Switches the card off and on: decoder registers at their power-on values,
 * tuner not programmed, and the state file (below) removed, so the user's
 * other processes find a card at power-on too. Stations, settle time, bus
 * availability and the log are kept. Answers 1; 0 when a state file is kept
 * and could not be removed. */
TVSIM_API int32_t TvSimPowerOn(void);

/* ---- The state file ---------------------------------------------------------
 * What the card holds (the decoder's registers, the tuner's last block) is
 * kept in a small per-user file, so that it outlives the process the way a
 * powered card keeps its registers: read when a process attaches the link,
 * written after each change under a lock (see docs/simulated-card.md for
 * where, and TVSIM_STATE to choose or turn it off). */

/* Copies the state file's path to `out` (NUL-terminated, cut to `size`);
 * answers the path's length, 0 when no state file is kept. */
TVSIM_API uint32_t TvSimStatePath(char *out, uint32_t size);

/* Takes what the state file holds now, when another process has changed the
 * card since this one last read or wrote the file: a program that shows the
 * card for long (a viewer) calls it before each look, as reads are otherwise
 * answered from the process's own copy. Answers 1 when the file was read, 0
 * when no state file is kept. */
TVSIM_API int32_t TvSimRefresh(void);

/* Restores the built-in setup: the default stations, the default settle
 * time, the bus available, no faults armed, 640x480 frames. The card itself
 * and the log are kept. */
TVSIM_API void TvSimRestoreDefaults(void);

#define TVSIM_MAX_STATIONS 256u

/* Replaces the stations on the air: picture carriers in MHz, each above 0
 * and below 1000, taken to the nearest 62.5 kHz. Answers 1; answers 0 and
 * keeps the old list when count exceeds TVSIM_MAX_STATIONS, a carrier is out
 * of range, or `mhz` is NULL with a nonzero count. (NULL, 0) empties the air. */
TVSIM_API int32_t TvSimSetStations(const double *mhz, uint32_t count);

/* Copies up to `max` station carriers (MHz) to `out`; answers how many
 * stations there are. */
TVSIM_API uint32_t TvSimGetStations(double *out, uint32_t max);

/* Time the tuner needs after a block before the decoder can lock, in ms. */
TVSIM_API void TvSimSetSettleMs(uint32_t milliseconds);
TVSIM_API uint32_t TvSimGetSettleMs(void);

/* 0: the driver's connect answers 0 (the bus is not there), so the link
 * cannot stand; nonzero: it answers 1. Transfers themselves are not
 * affected. */
TVSIM_API void TvSimSetBusAvailable(int32_t available);

/* ---- Fault injection ------------------------------------------------------- */

/* A transaction that meets an armed fault fails once, the way a real bus
 * fails, and is logged with its fault; nothing is retried by the card. */
#define TVSIM_FAULT_NONE 0u
#define TVSIM_FAULT_NO_ACK 1u /* the device does not acknowledge: a write or block
                                 answers TVSIM_NO_ACK and changes nothing (the block
                                 is not read); a read answers 0xFF */
#define TVSIM_FAULT_READ 2u   /* a read fails after the device answered: it answers
                                 TVSIM_READ_FAILED; writes and blocks pass */
#define TVSIM_FAULT_FOREVER 0xFFFFFFFFu /* TvSimFailDevice: until cleared */
#define TVSIM_MAX_FAULTS 16u            /* armed at once, of each kind */

/* Fails the transaction whose log sequence number is `sequence` (the next
 * transaction has sequence TvSimLogTotal()). It is used up when that
 * transaction comes, also when the fault does not apply to it (a read fault
 * meeting a write). Answers 1; 0 for an unknown fault or when
 * TVSIM_MAX_FAULTS are armed. */
TVSIM_API int32_t TvSimFailTransaction(uint64_t sequence, uint32_t fault);

/* Fails the next `count` transactions to `device` (the address word as it
 * crosses) that the fault applies to; TVSIM_FAULT_FOREVER fails them until
 * cleared, 0 disarms the device. Replaces an earlier fault on the same
 * device. A sequence fault wins over a device fault on the same
 * transaction. Answers 1; 0 for an unknown fault or when TVSIM_MAX_FAULTS
 * devices are armed. */
TVSIM_API int32_t TvSimFailDevice(uint32_t device, uint32_t fault, uint32_t count);

/* Disarms every fault and sets the count of injected failures to 0. */
TVSIM_API void TvSimClearFaults(void);

/* Transactions failed by an injected fault since load or TvSimClearFaults. */
TVSIM_API uint64_t TvSimFaultsInjected(void);

/* ---- Read-only inspectors (not logged) -------------------------------------- */

/* Copies the decoder's 256 stored register bytes. Register 0x00 holds the
 * stored byte; a bus read of it answers bit 6 as computed at that moment. */
TVSIM_API void TvSimDecoderRegisters(uint8_t out[256]);

/* What a bus read of decoder register 0x00 would answer now. */
TVSIM_API uint8_t TvSimDecoderStatus(void);

#define TVSIM_BAND_NONE 0u
#define TVSIM_BAND_LOW 1u  /* band byte 0x01: carriers below 160 MHz */
#define TVSIM_BAND_MID 2u  /* band byte 0x02: 160 MHz up to below 454 MHz */
#define TVSIM_BAND_HIGH 3u /* band byte 0x08: 454 MHz and above */

typedef struct TvSimTuner {
    uint32_t programmed;   /* 0 until the first accepted block */
    uint8_t block[4];      /* the last accepted block */
    uint32_t divider;      /* block bytes 0..1 */
    uint32_t control;      /* block byte 2 (0x8E: 62.5 kHz steps) */
    uint32_t bandByte;     /* block byte 3 */
    uint32_t band;         /* TVSIM_BAND_ decoded from the band byte; NONE if not exactly one band bit */
    double oscillatorMHz;  /* divider / 16 */
    double carrierMHz;     /* oscillatorMHz - 45.75: the picture carrier tuned */
    uint32_t station;      /* 1 when a station is on that carrier */
    uint32_t bandFits;     /* 1 when `band` is the band of that carrier */
    uint32_t settled;      /* 1 once the settle time has passed since the block */
} TvSimTuner;

/* Copies the tuner's state; answers out's `programmed`. NULL: answers 0. */
TVSIM_API uint32_t TvSimTunerState(TvSimTuner *out);

/* ---- The picture -------------------------------------------------------------
 * The card's video as its decoder would deliver it, made from its registers:
 * the input the multiplexer selects (register 0x01 bits 6..5, and the S-video
 * bit 6 of control register 0x0B), the tuner's lock, and the picture controls
 * (brightness 0x0A, contrast 0x0C with bit 2 of 0x0B, saturation 0x0D and 0x0E
 * with bits 1 and 0 of 0x0B, hue 0x0F). See docs/simulated-card.md. */

/* Pixel formats, named by the four-character codes that video capture
 * interfaces use for them. */
#define TVSIM_FOURCC(a, b, c, d) \
    ((uint32_t)(a) | ((uint32_t)(b) << 8) | ((uint32_t)(c) << 16) | ((uint32_t)(d) << 24))
#define TVSIM_FORMAT_RGB24 TVSIM_FOURCC('R', 'G', 'B', '3') /* bytes R, G, B per pixel */
#define TVSIM_FORMAT_YUYV TVSIM_FOURCC('Y', 'U', 'Y', 'V')  /* Y0 U Y1 V per pixel pair, 4:2:2 */

#define TVSIM_INPUT_NONE 0u      /* the multiplexer is on a pin with nothing wired: black */
#define TVSIM_INPUT_TUNER 1u     /* field 0x20: the tuner (a test card on a station, else snow) */
#define TVSIM_INPUT_COMPOSITE 2u /* field 0x60: the composite jack */
#define TVSIM_INPUT_SVIDEO 3u    /* S-video bit set, field 0x20: the S-video jack */

#define TVSIM_FRAME_RATE_NUM 30000u /* frames per second: 30000/1001 */
#define TVSIM_FRAME_RATE_DEN 1001u
#define TVSIM_DEFAULT_WIDTH 640u
#define TVSIM_DEFAULT_HEIGHT 480u

typedef struct TvSimFrameInfo {
    uint64_t frameNumber;
    uint64_t timeUs;     /* the frame's start: frameNumber * 1001000 / 30 microseconds */
    double carrierMHz;   /* the tuner's picture carrier; 0 until the tuner has taken a block */
    uint32_t format;     /* TVSIM_FORMAT_ */
    uint32_t width;      /* pixels */
    uint32_t height;     /* lines */
    uint32_t bytesPerLine;
    uint32_t size;       /* bytes of the whole frame: bytesPerLine * height */
    uint32_t input;      /* TVSIM_INPUT_ shown */
    uint32_t locked;     /* 1 when a signal is shown: the tuner locked on a station, or a
                            jack's picture; 0 for snow or black */
} TvSimFrameInfo;

/* Renders frame `frameNumber` of the card's video into `buffer` in `format`
 * (lines top to bottom, no padding) and answers the bytes written. The
 * picture depends only on the registers, the tuner's lock and the frame
 * number: the same state and number give the same bytes. With a NULL
 * buffer nothing is rendered and the answer is the size a frame needs.
 * Answers 0 for an unknown format or a `size` below a frame's. `info`
 * (may be NULL) is filled whenever the format is known. The registers are
 * copied under the card's lock and the frame is rendered outside it; nothing
 * is allocated and nothing is logged. */
TVSIM_API uint32_t TvSimFrame(uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size,
                              TvSimFrameInfo *info);

/* The size of the frames TvSimFrame renders: width even, 16..2048; height
 * 16..2048. Answers 1; 0 (and keeps the size) for others.
 * TvSimRestoreDefaults sets 640x480 again. */
TVSIM_API int32_t TvSimSetFrameSize(uint32_t width, uint32_t height);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVSIM_H */
