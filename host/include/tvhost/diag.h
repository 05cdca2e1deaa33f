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

/* Page regions from VirtualAlloc not yet released with VirtualFree. */
__attribute__((visibility("default"))) uint32_t TvHostLiveRegions(void);

/* ---- Loader (see docs/host-settings.md) ---------------------------------- */

/* Thread notifications. POSIX does not tell a library when threads start and
 * end, so a thread that should be announced to the loaded modules calls
 * TvHostThreadAttach() when it starts and TvHostThreadDetach() before it
 * ends. Each sends DLL_THREAD_ATTACH / DLL_THREAD_DETACH to the DllMain of
 * every loaded module (attach in load order, detach in reverse load order),
 * under the loader lock, and answers how many entry routines it called. */
__attribute__((visibility("default"))) uint32_t TvHostThreadAttach(void);
__attribute__((visibility("default"))) uint32_t TvHostThreadDetach(void);

/* Modules loaded through LoadLibraryA and not yet freed (each counted once,
 * whatever its load count). */
__attribute__((visibility("default"))) uint32_t TvHostLoadedModuleCount(void);

/* Why the calling thread's latest failed LoadLibraryA failed, in words (the
 * dynamic linker's message where it had one); "" before any failure. Valid
 * until the thread's next LoadLibraryA. */
__attribute__((visibility("default"))) const char *TvHostLastLoadError(void);

/* ---- Bus link ------------------------------------------------------------ */

/* Translation slots of the bus link: at most this many 16:16 values made by
 * SMapLS_IP_EBP_12 are live at once; beyond it the translation gives 0. */
#define TVHOST_TRANSLATION_SLOTS 8192u

/* 16:16 values made by SMapLS_IP_EBP_12 and not yet released. */
__attribute__((visibility("default"))) uint32_t TvHostLiveTranslations(void);

/* ---- Mixer ---------------------------------------------------------------- */

/* Mixer handles open in this process (mixerOpen without mixerClose). */
__attribute__((visibility("default"))) uint32_t TvHostOpenMixerHandles(void);

/* For tests, between their cases: closes every open mixer handle, lets the
 * mixer driver modules go, and makes the next mixer call load the drivers
 * that TVHOST_MIXERS names at that time (so a changed setting takes effect).
 * Handles opened before the reset are refused afterwards. No mixer call may
 * be running on another thread meanwhile. Not for applications: no Windows
 * service behaves like it. */
__attribute__((visibility("default"))) void TvHostMixerReset(void);

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_DIAG_H */
