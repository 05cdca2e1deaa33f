/*
 * tvhost/diag.h - host-layer counters for tests, tools and leak checks.
 * These are host extensions; nothing like them exists on Windows.
 */
#ifndef TVHOST_DIAG_H
#define TVHOST_DIAG_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kernel-object handles (semaphores, files) open in this process. */
__attribute__((visibility("default"))) uint32_t TvHostOpenHandleCount(void);

/* ---- Mixer ---------------------------------------------------------------- */

/* Mixer handles open in this process (mixerOpen without mixerClose). */
__attribute__((visibility("default"))) uint32_t TvHostOpenMixerHandles(void);

/* For tests and tools: closes every open mixer handle, lets the mixer driver
 * modules go, and makes the next mixer call load the drivers that
 * TVHOST_MIXERS names at that time (so a changed setting takes effect).
 * Handles opened before the reset are refused afterwards. Not for
 * applications: no Windows service behaves like it. */
__attribute__((visibility("default"))) void TvHostMixerReset(void);

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_DIAG_H */
