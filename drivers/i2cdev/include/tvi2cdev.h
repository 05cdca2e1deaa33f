/*
 * tvi2cdev.h - the i2c-dev bus driver (tvbus16.so in lib/tvcore/i2cdev/).
 *
 * This bus driver carries the library's three bus calls to a real I2C
 * adapter through the Linux kernel's i2c-dev interface (/dev/i2c-N, ioctl
 * I2C_RDWR). It exports the partner block thk_ThunkData16 like every bus
 * driver, and two extra functions for tests and tools: one replaces the
 * system calls it makes, one lists the adapters it can see.
 *
 * Choosing the adapter (read at connect, DLL_PROCESS_ATTACH):
 *   TVI2C_DEVICE    a device path, opened as given (/dev/i2c-3). Wins over
 *                   TVI2C_ADAPTER.
 *   TVI2C_ADAPTER   an adapter name as /sys/class/i2c-adapter/i2c-N/name
 *                   shows it. Adapters whose name equals the setting are
 *                   taken first; when none does, adapters whose name
 *                   contains it (case-sensitive). The setting must pick out
 *                   exactly one adapter; none or several is a refusal.
 *   neither         a refusal: the driver never guesses a bus, because the
 *                   same machine carries buses (memory SPD, monitor DDC,
 *                   SMBus) on which a stray write does harm.
 *   TVI2C_SYSFS_ROOT  for tests: the directory that stands for
 *                   /sys/class/i2c-adapter.
 * A setting that is set but empty counts as unset. A refusal, a device that
 * cannot be opened, or an adapter with neither plain I2C transfers
 * (I2C_FUNC_I2C) nor SMBus byte-data reads and writes makes connect answer
 * 0, so the library's load is refused as with a missing bus; the reason goes
 * as one line to the debug channel (OutputDebugStringA, shown with
 * TVHOST_DEBUG=stderr).
 *
 * Transfers. Plain I2C is used wherever the adapter offers it: each call is
 * one I2C_RDWR. An SMBus-only adapter gets one I2C_SMBUS transfer per call:
 * read-byte-data for a read, write-byte-data for a write, and an I2C-block
 * write (first byte as the command, the rest as data) for a block, which
 * then carries at most TVI2C_SMBUS_MAX_BLOCK bytes.
 *
 * Results of the bus calls. Bits 8..15 of every result carry an error class,
 * 0 when the call succeeded:
 *   read      success: the register byte (result <= 0xFF).
 *             failure: (class << 8) | 0xFF - the low byte reads 0xFF like an
 *             idle bus, so callers that look only at the low byte see what
 *             a missing device would give.
 *   write, writeBlk
 *             success: 0.  failure: class << 8.
 * Classes 1..0xEF are the errno value the kernel answered the transfer with
 * (e.g. 121 EREMOTEIO or 6 ENXIO: no acknowledge; 110 ETIMEDOUT; 11 EAGAIN:
 * arbitration lost); the bytes may have been partly sent. Classes 0xF0 and
 * above are the driver's own refusals, and nothing was sent. Nothing is
 * retried.
 */
#ifndef TVI2CDEV_H
#define TVI2CDEV_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TVI2C_API __attribute__((visibility("default")))

/* The error class of a result (0 on success). */
#define TVI2C_RESULT_CLASS(result) (((uint32_t)(result) >> 8) & 0xFFu)
/* Nonzero when a read's or a write's result reports a failure. */
#define TVI2C_RESULT_FAILED(result) (TVI2C_RESULT_CLASS(result) != 0u)
/* The result of a failed read, and of a failed write, for a class. */
#define TVI2C_READ_FAILURE(errorClass) ((((uint32_t)(errorClass) & 0xFFu) << 8) | 0xFFu)
#define TVI2C_WRITE_FAILURE(errorClass) (((uint32_t)(errorClass) & 0xFFu) << 8)

/* The driver's own error classes; nothing reached the bus. */
#define TVI2C_ERR_NOT_OPEN 0xF0u     /* no adapter open: not connected, or after detach */
#define TVI2C_ERR_BAD_DEVICE 0xF1u   /* device word above 0xFF: no 7-bit address */
#define TVI2C_ERR_BAD_REGISTER 0xF2u /* register word above 0xFF: registers are 8-bit */
#define TVI2C_ERR_NULL_BLOCK 0xF3u   /* the block pointer maps to NULL */
#define TVI2C_ERR_BAD_COUNT 0xF4u    /* block count 0, or above TVI2C_MAX_BLOCK */
#define TVI2C_ERR_SHORT 0xF5u        /* the kernel reports fewer messages done than sent */
#define TVI2C_ERR_BLOCK_TOO_LONG 0xF6u /* SMBus-only adapter: block above TVI2C_SMBUS_MAX_BLOCK */
#define TVI2C_ERR_NO_BLOCK_WRITE 0xF7u /* SMBus-only adapter without the transfer this block needs */
#define TVI2C_ERR_UNKNOWN 0xFEu      /* the transfer failed with an errno outside 1..0xEF */

/* The largest block one writeBlk sends: the kernel's i2c-dev refuses
 * messages longer than 8192 bytes. */
#define TVI2C_MAX_BLOCK 8192u
/* The largest block on an SMBus-only adapter: one command byte and the 32
 * data bytes of one I2C-block write. Longer blocks are refused, not split,
 * since a split block is two transactions to the device. */
#define TVI2C_SMBUS_MAX_BLOCK 33u

/* The system calls the driver makes. A member left NULL means the real call.
 * The directory calls walk the adapter directory; `dir` is whatever opendir
 * answered, and readdir answers the next entry's name or NULL at the end. */
typedef struct TvI2cSysCalls {
    int (*open)(const char *path, int flags);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void *buffer, size_t size);
    int (*ioctl)(int fd, unsigned long request, void *arg);
    void *(*opendir)(const char *path);
    const char *(*readdir)(void *dir);
    int (*closedir)(void *dir);
} TvI2cSysCalls;

/* Replaces the system calls (copied; NULL restores the real ones). For tests
 * and tools: call it while no bus call or connect runs, and before the
 * adapter is opened, since the open adapter is closed through the table in
 * force at detach. */
TVI2C_API void TvI2cSetSysCalls(const TvI2cSysCalls *calls);

/* Called once per adapter in ascending adapter number: the device path
 * (/dev/i2c-N) and the adapter's name ("" when unreadable). Answer nonzero
 * to go on, 0 to stop. */
typedef int (*TvI2cAdapterProc)(const char *devicePath, const char *name, void *context);

/* Lists the adapters in the adapter directory (TVI2C_SYSFS_ROOT or
 * /sys/class/i2c-adapter). Answers how many were passed to `proc` (which may
 * be NULL, to count), or -1 when the directory cannot be read. */
TVI2C_API int32_t TvI2cListAdapters(TvI2cAdapterProc proc, void *context);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVI2CDEV_H */
