/*
 * tvhost/drivers.h - choosing in code which bus driver, mixer drivers and
 * module directory the host uses, and asking which drivers are in use.
 *
 * Host extensions of the POSIX host (docs/host-settings.md, "Choosing in
 * code"). Each call beats the matching environment setting (TVHOST_PATH,
 * TVHOST_MIXERS); a choice cleared with NULL or "" leaves the setting, or
 * the installation's default, in force again. Every call is safe from any
 * thread, like the host's other services, and answers TRUE, or FALSE with
 * the reason in GetLastError().
 */
#ifndef TVHOST_DRIVERS_H
#define TVHOST_DRIVERS_H

#include <stdint.h>

#include "tvhost/win32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sizes of the text fields of TvHostDriverInfo, terminating zero included. */
#define TVHOST_DRIVER_NAME_SIZE 64u
#define TVHOST_DRIVER_PATH_SIZE 4096u
#define TVHOST_DRIVER_DEVICE_SIZE 256u

/* What the host says about a driver in use. Texts are zero-terminated and cut
 * short to fit their field. */
typedef struct TvHostDriverInfo {
    uint32_t cbStruct;    /* the caller sets sizeof(TvHostDriverInfo) */
    uint32_t localDevice; /* a mixer device's number within its driver; 0 for a bus driver */
    char name[TVHOST_DRIVER_NAME_SIZE];     /* bus: "sim", "i2cdev", "v4l2" ("" outside the module
                                               directory); mixer: the module's name, "tvmixalsa" */
    char path[TVHOST_DRIVER_PATH_SIZE];     /* the module file that is loaded, absolute */
    char device[TVHOST_DRIVER_DEVICE_SIZE]; /* the driver's own words for its device, e.g.
                                               "/dev/i2c-3 \"<adapter>\""; "" when it has none */
} TvHostDriverInfo;

/* Names the module directory: modules are then looked up there only, instead
 * of on TVHOST_PATH or in the installation's module directory, from the next
 * lookup on (modules already loaded stay). NULL or "" goes back to
 * TVHOST_PATH or the default. FALSE with ERROR_PATH_NOT_FOUND when `dir` is
 * no directory. */
__attribute__((visibility("default"))) BOOL TvHostSetModuleDirectory(const char *dir);

/* Chooses the bus driver that the next load of the library links to: a name
 * of the module directory's bus drivers ("sim" the simulated card at its top,
 * or the name of a directory below it holding one: "i2cdev", "v4l2"), or a
 * path (a name with a '/') to the driver's file. NULL or "" goes back to the
 * module path's choice. FALSE with ERROR_MOD_NOT_FOUND when there is no such
 * driver, ERROR_BUSY while a library's bus link stands (free the library
 * first), ERROR_INVALID_PARAMETER for a name that is "." or "..". */
__attribute__((visibility("default"))) BOOL TvHostChooseBusDriver(const char *driver);

/* Chooses the mixer drivers, in device order, as TVHOST_MIXERS does: module
 * names or paths, comma-separated. They load at the next mixer call. NULL or
 * "" goes back to TVHOST_MIXERS or the default. FALSE with
 * ERROR_MOD_NOT_FOUND when a named driver is not found (nothing is chosen),
 * ERROR_INVALID_PARAMETER for a list without a name, ERROR_BUSY while a mixer
 * handle is open. */
__attribute__((visibility("default"))) BOOL TvHostChooseMixerDrivers(const char *drivers);

/* The bus driver that the loaded library `library` (its LoadLibraryA handle)
 * is linked to. FALSE with ERROR_INVALID_PARAMETER for a NULL `info` or a
 * cbStruct below its size, ERROR_INVALID_HANDLE when `library` is not loaded,
 * ERROR_NOT_FOUND when its bus link does not stand. */
__attribute__((visibility("default"))) BOOL TvHostGetBusDriver(HMODULE library, TvHostDriverInfo *info);

/* The mixer driver serving mixer device `deviceId` (the library's TV sound is
 * on device 0), loading the mixer drivers if no mixer call has yet. FALSE with
 * ERROR_INVALID_PARAMETER as above, ERROR_NOT_FOUND when there is no such
 * device. */
__attribute__((visibility("default"))) BOOL TvHostGetMixerDriver(UINT deviceId, TvHostDriverInfo *info);

#ifdef __cplusplus
}
#endif

#endif /* TVHOST_DRIVERS_H */
