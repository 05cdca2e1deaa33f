/*
 * tvhost/thunk.h - the link between the library (32-bit side) and a bus
 * driver module (16-bit side), as the host provides it.
 *
 * The connect step loads the bus driver module named as the 16-bit side
 * (tvbus16.dll, so the file tvbus16.so on the module path), finds its
 * exported block thk_ThunkData16, checks it, and asks the driver's connect
 * entry. The library's own block, thk_ThunkData32, then points at the
 * driver's three bus calls. A block pointer crosses the link as a 16:16 value
 * that is valid for one call only.
 *
 * Bus drivers include this header, define `ThunkData16 thk_ThunkData16` with
 * default visibility, and use MapSL() to reach a block.
 */
#ifndef TVHOST_THUNK_H
#define TVHOST_THUNK_H

#include <stdint.h>

#include "tvhost/win32.h"

#if defined(_WIN32)
#  if defined(TVHOST_BUILDING_LINK)
#    define TVHOST_LINK_API __declspec(dllexport)
#  else
#    define TVHOST_LINK_API
#  endif
#else
#  define TVHOST_LINK_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The bus driver's exported block ("thk_ThunkData16"). */
typedef struct ThunkData16 {
    char signature[4];   /* 'L','S','0','1' */
    uint32_t entryCount; /* 3: the three bus calls; connect has its own fixed slot */
    /* index 0 */ uint32_t (*read)(uint16_t device, uint16_t reg);
    /* index 1 */ uint32_t (*write)(uint16_t device, uint16_t reg, uint16_t value);
    /* index 2 */ uint32_t (*writeBlk)(uint16_t device, uint32_t block1616, uint32_t count);
    /* may be NULL */ int32_t (*connect)(uint32_t reason); /* nonzero: the bus is available */
} ThunkData16;

#define THUNK_SIGNATURE "LS01"
#define THUNK_ENTRY_COUNT 3u

/* The library's block ("thk_ThunkData32"). It begins with "LS01"; the rest is
 * the link's own, filled by ThunkConnect32. */
typedef struct ThunkData32 {
    char signature[4];          /* 'L','S','0','1' */
    uint32_t linked;            /* nonzero while the link stands */
    const ThunkData16 *partner; /* the driver's block while linked, else NULL */
    void *module16;             /* the driver module (host-private) */
} ThunkData32;

/* A block initialised as the library defines it: signature set, not linked. */
#define THUNK_DATA32_INIT { { 'L', 'S', '0', '1' }, 0u, NULL, NULL }

/* Connects (or re-checks, or at DLL_PROCESS_DETACH releases) the link.
 * Answers nonzero when the link stands. */
TVHOST_LINK_API BOOL WINAPI ThunkConnect32(void *block32, LPCSTR partnerBlock, LPCSTR module16,
                                           LPCSTR module32, HINSTANCE instance, DWORD reason);

/* A flat pointer becomes a 16:16 value for one call; NULL becomes 0, and so
 * does any pointer when every translation slot is in use. */
TVHOST_LINK_API DWORD WINAPI SMapLS_IP_EBP_12(const void *flat);
/* Releases a value made by SMapLS_IP_EBP_12; 0 and unknown values are ignored. */
TVHOST_LINK_API void WINAPI SUnMapLS_IP_EBP_12(DWORD block1616);
/* For drivers: the flat pointer of a live 16:16 value; NULL for 0 or an
 * unknown or released value. */
TVHOST_LINK_API void *WINAPI MapSL(DWORD block1616);

/* A bus driver's optional words, looked up by name in the driver module
 * (GetProcAddress with the names below); a driver without them still works,
 * it just has nothing to say. Each writes a NUL-terminated text, cut short
 * to fit `size` (nothing when `text` is NULL or `size` is 0), and answers the
 * text's full length without its terminator; 0 means nothing to say. They
 * allocate nothing and may be asked from any thread. */
#if defined(_WIN32)
#  define TVBUS_DRIVER_API __declspec(dllexport)
#else
#  define TVBUS_DRIVER_API __attribute__((visibility("default")))
#endif

/* The device the driver drives now ("/dev/i2c-3 \"<adapter>\""); 0 when
 * it drives none. */
TVBUS_DRIVER_API uint32_t tvbusDescribeDevice(char *text, uint32_t size);
/* Why the last connect answered 0; 0 when it did not refuse. */
TVBUS_DRIVER_API uint32_t tvbusRefusalReason(char *text, uint32_t size);
/* What `result` of bus call `call` (TVBUS_CALL_*) means, for any result the
 * call can give, success included. */
TVBUS_DRIVER_API uint32_t tvbusDescribeResult(uint32_t call, uint32_t result, char *text, uint32_t size);

typedef uint32_t (*TvbusDescribeDeviceProc)(char *text, uint32_t size);
typedef uint32_t (*TvbusRefusalReasonProc)(char *text, uint32_t size);
typedef uint32_t (*TvbusDescribeResultProc)(uint32_t call, uint32_t result, char *text, uint32_t size);

#define TVBUS_DESCRIBE_DEVICE_NAME "tvbusDescribeDevice"
#define TVBUS_REFUSAL_REASON_NAME "tvbusRefusalReason"
#define TVBUS_DESCRIBE_RESULT_NAME "tvbusDescribeResult"

/* The bus calls, by their index in ThunkData16. */
#define TVBUS_CALL_READ 0u
#define TVBUS_CALL_WRITE 1u
#define TVBUS_CALL_WRITE_BLK 2u

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TVHOST_THUNK_H */
