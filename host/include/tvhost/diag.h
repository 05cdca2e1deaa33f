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

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_DIAG_H */
