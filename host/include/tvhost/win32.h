/*
 * tvhost/win32.h - the Windows types, constants, structures and services
 * that the library calls.
 *
 * On a Windows compiler this header includes the real Windows headers, so the
 * library's sources compile unchanged there. Elsewhere it declares the same
 * names with their Windows widths and layouts; the host layer (libtvhost)
 * implements them on POSIX.
 *
 * Widths on the host: BYTE 8, WORD 16, DWORD/UINT/BOOL/LONG/MMRESULT 32 bits
 * (LONG is int32_t, never the host's long); DWORD_PTR is uintptr_t. HANDLE,
 * HMIXER and HWND are 32-bit values so that an application can keep them in
 * 32-bit words, exactly as on 32-bit Windows. HINSTANCE/HMODULE are opaque
 * pointers.
 */
#ifndef TVHOST_WIN32_H
#define TVHOST_WIN32_H

#if defined(_WIN32)

#include <windows.h>
#include <mmsystem.h>

#else /* the host layer */

#include <stddef.h>
#include <stdint.h>

#define TVHOST_API __attribute__((visibility("default")))
#define WINAPI
#define WINAPIV
#define CALLBACK

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Types ------------------------------------------------------------ */

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef int32_t LONG;
typedef char CHAR;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t UINT_PTR;
typedef size_t SIZE_T;
typedef void VOID;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef DWORD *LPDWORD;
typedef BYTE *LPBYTE;

typedef uint32_t HANDLE;
typedef uint32_t HWND;
typedef uint32_t HMIXER;
typedef uint32_t HMIXEROBJ;
typedef HMIXER *LPHMIXER;
typedef UINT MMRESULT;

/* The platform's own tag names (reserved spellings), kept for source
 * compatibility with code written against the real headers. */
typedef struct HINSTANCE__ *HINSTANCE; /* NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp) */
typedef HINSTANCE HMODULE;

typedef intptr_t (*FARPROC)(void);

typedef struct _SECURITY_ATTRIBUTES { /* NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp) */
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

/* never used; always NULL */
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED; /* NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp) */

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

/* ---- Module entry -------------------------------------------------------- */

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

TVHOST_API HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
TVHOST_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
TVHOST_API BOOL WINAPI FreeLibrary(HMODULE module);

/* ---- Errors ------------------------------------------------------------- */

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_INVALID_ACCESS 12u
#define ERROR_READ_FAULT 30u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_BUSY 170u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_TOO_MANY_POSTS 298u
#define ERROR_INVALID_ADDRESS 487u
#define ERROR_DLL_INIT_FAILED 1114u
#define ERROR_NOT_FOUND 1168u

TVHOST_API DWORD WINAPI GetLastError(void);
TVHOST_API void WINAPI SetLastError(DWORD code);

/* ---- Debug output ---------------------------------------------------------- */

TVHOST_API void WINAPI OutputDebugStringA(LPCSTR text);

/* ---- Handles, timed wait ---------------------------------------------------- */

#define INVALID_HANDLE_VALUE ((HANDLE)0xFFFFFFFFu)
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

TVHOST_API BOOL WINAPI CloseHandle(HANDLE handle);
TVHOST_API HANDLE WINAPI CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount,
                                          LONG maximumCount, LPCSTR name);
TVHOST_API BOOL WINAPI ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG *previousCount);
TVHOST_API DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
TVHOST_API void WINAPI Sleep(DWORD milliseconds);

/* ---- Files -------------------------------------------------------------- */

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u

/* The directory named by TVHOST_WINDIR (else the installation's configuration
 * directory), without a trailing separator. When it fits (size > length):
 * copied and terminated, answers the length without the terminator. Else, or
 * with a NULL buffer: answers the size needed including the terminator and
 * leaves the buffer untouched. Never writes past `size`. See docs/host-files.md. */
TVHOST_API UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
/* %s (NULL prints "(null)"), %c, %d/%i, %u, %x/%X, %p, %%, flags - 0 #, width,
 * .precision; "l"/"h" accepted (arguments are 32-bit as on Windows). At most
 * 1024 characters are written, then a terminator (1025 bytes at most);
 * answers the characters written. A NULL `out` answers 0 and writes nothing. */
TVHOST_API int WINAPIV wsprintfA(LPSTR out, LPCSTR format, ...);
/* Opens an existing regular file for reading only: GENERIC_READ, any
 * FILE_SHARE_* bits (not enforced), OPEN_EXISTING, flags 0 /
 * FILE_ATTRIBUTE_NORMAL / FILE_FLAG_SEQUENTIAL_SCAN, security NULL or not
 * inheritable; the template is ignored. A backslash separates directories.
 * Refusals (INVALID_HANDLE_VALUE): any access but GENERIC_READ (write,
 * execute, all) ERROR_ACCESS_DENIED; creating
 * dispositions, unknown flags or bad arguments ERROR_INVALID_PARAMETER;
 * missing file ERROR_FILE_NOT_FOUND; missing directory ERROR_PATH_NOT_FOUND;
 * a directory or other non-regular file ERROR_ACCESS_DENIED. */
TVHOST_API HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                     LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                                     DWORD flagsAndAttributes, HANDLE templateFile);
/* Synchronous read of up to `bytesToRead` bytes (short reads are continued
 * until that count or the end of the file); *bytesRead is the count, 0 at the
 * end of the file with TRUE. FALSE with ERROR_INVALID_HANDLE for a handle that
 * is no open file; ERROR_INVALID_PARAMETER for an overlapped request, a NULL
 * `bytesRead`, or a NULL buffer with a nonzero count; ERROR_READ_FAULT when
 * the system's read fails (*bytesRead then counts what arrived before). */
TVHOST_API BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
                                LPOVERLAPPED overlapped);

/* ---- Page memory -------------------------------------------------------- */

#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_DECOMMIT 0x00004000u
#define MEM_RELEASE 0x00008000u
#define PAGE_NOACCESS 0x01u
#define PAGE_READONLY 0x02u
#define PAGE_READWRITE 0x04u

/* Fresh zero-filled pages at an address the host chooses (a non-NULL
 * `address` is refused with ERROR_INVALID_PARAMETER). MEM_COMMIT and/or
 * MEM_RESERVE (reserved-only pages have no access); PAGE_NOACCESS,
 * PAGE_READONLY or PAGE_READWRITE; size rounded up to whole pages, 0 refused
 * (ERROR_INVALID_PARAMETER); no memory: NULL with ERROR_NOT_ENOUGH_MEMORY. */
TVHOST_API LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType,
                                      DWORD protect);
/* MEM_RELEASE: `address` must be a base VirtualAlloc answered and `size` 0
 * (else ERROR_INVALID_PARAMETER; an address of no region ERROR_INVALID_ADDRESS).
 * MEM_DECOMMIT: the pages touched by [address, address + size) of one region
 * (the whole region for size 0 at its base) lose their contents and access
 * but stay reserved. Anything else: ERROR_INVALID_PARAMETER. Memory the host
 * did not hand out is never unmapped. */
TVHOST_API BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);

/* ---- Multimedia mixer ------------------------------------------------------ */

#define MMSYSERR_NOERROR 0u
#define MMSYSERR_ERROR 1u
#define MMSYSERR_BADDEVICEID 2u
#define MMSYSERR_NOTENABLED 3u
#define MMSYSERR_ALLOCATED 4u
#define MMSYSERR_INVALHANDLE 5u
#define MMSYSERR_NODRIVER 6u
#define MMSYSERR_NOMEM 7u
#define MMSYSERR_NOTSUPPORTED 8u
#define MMSYSERR_BADERRNUM 9u
#define MMSYSERR_INVALFLAG 10u
#define MMSYSERR_INVALPARAM 11u
#define MIXERR_BASE 1024u
#define MIXERR_INVALLINE (MIXERR_BASE + 0u)
#define MIXERR_INVALCONTROL (MIXERR_BASE + 1u)
#define MIXERR_INVALVALUE (MIXERR_BASE + 2u)

#define CALLBACK_TYPEMASK 0x00070000u
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_WINDOW 0x00010000u
#define CALLBACK_TASK 0x00020000u
#define CALLBACK_FUNCTION 0x00030000u
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_EVENT 0x00050000u

#define MIXER_SHORT_NAME_CHARS 16
#define MIXER_LONG_NAME_CHARS 64
#define MAXPNAMELEN 32

#define MIXER_OBJECTF_HANDLE 0x80000000u
#define MIXER_OBJECTF_MIXER 0x00000000u
#define MIXER_OBJECTF_HMIXER (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER)
#define MIXER_OBJECTF_WAVEOUT 0x10000000u
#define MIXER_OBJECTF_HWAVEOUT (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEOUT)
#define MIXER_OBJECTF_WAVEIN 0x20000000u
#define MIXER_OBJECTF_HWAVEIN (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_WAVEIN)
#define MIXER_OBJECTF_MIDIOUT 0x30000000u
#define MIXER_OBJECTF_HMIDIOUT (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIDIOUT)
#define MIXER_OBJECTF_MIDIIN 0x40000000u
#define MIXER_OBJECTF_HMIDIIN (MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIDIIN)
#define MIXER_OBJECTF_AUX 0x50000000u

#define MIXER_GETLINEINFOF_DESTINATION 0x00000000u
#define MIXER_GETLINEINFOF_SOURCE 0x00000001u
#define MIXER_GETLINEINFOF_LINEID 0x00000002u
#define MIXER_GETLINEINFOF_COMPONENTTYPE 0x00000003u
#define MIXER_GETLINEINFOF_TARGETTYPE 0x00000004u
#define MIXER_GETLINEINFOF_QUERYMASK 0x0000000Fu

#define MIXER_GETLINECONTROLSF_ALL 0x00000000u
#define MIXER_GETLINECONTROLSF_ONEBYID 0x00000001u
#define MIXER_GETLINECONTROLSF_ONEBYTYPE 0x00000002u
#define MIXER_GETLINECONTROLSF_QUERYMASK 0x0000000Fu

#define MIXER_GETCONTROLDETAILSF_VALUE 0x00000000u
#define MIXER_GETCONTROLDETAILSF_LISTTEXT 0x00000001u
#define MIXER_GETCONTROLDETAILSF_QUERYMASK 0x0000000Fu
#define MIXER_SETCONTROLDETAILSF_VALUE 0x00000000u
#define MIXER_SETCONTROLDETAILSF_CUSTOM 0x00000001u
#define MIXER_SETCONTROLDETAILSF_QUERYMASK 0x0000000Fu

#define MIXERLINE_LINEF_ACTIVE 0x00000001u
#define MIXERLINE_LINEF_DISCONNECTED 0x00008000u
#define MIXERLINE_LINEF_SOURCE 0x80000000u

#define MIXERLINE_COMPONENTTYPE_DST_FIRST 0x00000000u
#define MIXERLINE_COMPONENTTYPE_DST_UNDEFINED (MIXERLINE_COMPONENTTYPE_DST_FIRST + 0)
#define MIXERLINE_COMPONENTTYPE_DST_DIGITAL (MIXERLINE_COMPONENTTYPE_DST_FIRST + 1)
#define MIXERLINE_COMPONENTTYPE_DST_LINE (MIXERLINE_COMPONENTTYPE_DST_FIRST + 2)
#define MIXERLINE_COMPONENTTYPE_DST_MONITOR (MIXERLINE_COMPONENTTYPE_DST_FIRST + 3)
#define MIXERLINE_COMPONENTTYPE_DST_SPEAKERS (MIXERLINE_COMPONENTTYPE_DST_FIRST + 4)
#define MIXERLINE_COMPONENTTYPE_DST_HEADPHONES (MIXERLINE_COMPONENTTYPE_DST_FIRST + 5)
#define MIXERLINE_COMPONENTTYPE_DST_TELEPHONE (MIXERLINE_COMPONENTTYPE_DST_FIRST + 6)
#define MIXERLINE_COMPONENTTYPE_DST_WAVEIN (MIXERLINE_COMPONENTTYPE_DST_FIRST + 7)
#define MIXERLINE_COMPONENTTYPE_DST_VOICEIN (MIXERLINE_COMPONENTTYPE_DST_FIRST + 8)
#define MIXERLINE_COMPONENTTYPE_DST_LAST (MIXERLINE_COMPONENTTYPE_DST_FIRST + 8)
#define MIXERLINE_COMPONENTTYPE_SRC_FIRST 0x00001000u
#define MIXERLINE_COMPONENTTYPE_SRC_UNDEFINED (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 0)
#define MIXERLINE_COMPONENTTYPE_SRC_DIGITAL (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 1)
#define MIXERLINE_COMPONENTTYPE_SRC_LINE (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 2)
#define MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 3)
#define MIXERLINE_COMPONENTTYPE_SRC_SYNTHESIZER (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 4)
#define MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 5)
#define MIXERLINE_COMPONENTTYPE_SRC_TELEPHONE (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 6)
#define MIXERLINE_COMPONENTTYPE_SRC_PCSPEAKER (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 7)
#define MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 8)
#define MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 9)
#define MIXERLINE_COMPONENTTYPE_SRC_ANALOG (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 10)
#define MIXERLINE_COMPONENTTYPE_SRC_LAST (MIXERLINE_COMPONENTTYPE_SRC_FIRST + 10)

#define MIXERLINE_TARGETTYPE_UNDEFINED 0u
#define MIXERLINE_TARGETTYPE_WAVEOUT 1u
#define MIXERLINE_TARGETTYPE_WAVEIN 2u
#define MIXERLINE_TARGETTYPE_MIDIOUT 3u
#define MIXERLINE_TARGETTYPE_MIDIIN 4u
#define MIXERLINE_TARGETTYPE_AUX 5u

#define MIXERCONTROL_CONTROLF_UNIFORM 0x00000001u
#define MIXERCONTROL_CONTROLF_MULTIPLE 0x00000002u
#define MIXERCONTROL_CONTROLF_DISABLED 0x80000000u

#define MIXERCONTROL_CT_CLASS_MASK 0xF0000000u
#define MIXERCONTROL_CT_CLASS_SWITCH 0x20000000u
#define MIXERCONTROL_CT_CLASS_FADER 0x50000000u
#define MIXERCONTROL_CT_SC_SWITCH_BOOLEAN 0x00000000u
#define MIXERCONTROL_CT_SC_SWITCH_BUTTON 0x01000000u
#define MIXERCONTROL_CT_UNITS_BOOLEAN 0x00010000u
#define MIXERCONTROL_CT_UNITS_UNSIGNED 0x00030000u
#define MIXERCONTROL_CONTROLTYPE_BOOLEAN \
    (MIXERCONTROL_CT_CLASS_SWITCH | MIXERCONTROL_CT_SC_SWITCH_BOOLEAN | MIXERCONTROL_CT_UNITS_BOOLEAN)
#define MIXERCONTROL_CONTROLTYPE_ONOFF (MIXERCONTROL_CONTROLTYPE_BOOLEAN + 1)
#define MIXERCONTROL_CONTROLTYPE_MUTE (MIXERCONTROL_CONTROLTYPE_BOOLEAN + 2)
#define MIXERCONTROL_CONTROLTYPE_FADER (MIXERCONTROL_CT_CLASS_FADER | MIXERCONTROL_CT_UNITS_UNSIGNED)
#define MIXERCONTROL_CONTROLTYPE_VOLUME (MIXERCONTROL_CONTROLTYPE_FADER + 1)
#define MIXERCONTROL_CONTROLTYPE_BASS (MIXERCONTROL_CONTROLTYPE_FADER + 2)
#define MIXERCONTROL_CONTROLTYPE_TREBLE (MIXERCONTROL_CONTROLTYPE_FADER + 3)

typedef struct tagMIXERLINEA {
    DWORD cbStruct;
    DWORD dwDestination;
    DWORD dwSource;
    DWORD dwLineID;
    DWORD fdwLine;
    DWORD_PTR dwUser;
    DWORD dwComponentType;
    DWORD cChannels;
    DWORD cConnections;
    DWORD cControls;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    struct {
        DWORD dwType;
        DWORD dwDeviceID;
        WORD wMid;
        WORD wPid;
        UINT vDriverVersion;
        CHAR szPname[MAXPNAMELEN];
    } Target;
} MIXERLINEA, *LPMIXERLINEA;

typedef struct tagMIXERCONTROLA {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD dwControlType;
    DWORD fdwControl;
    DWORD cMultipleItems;
    CHAR szShortName[MIXER_SHORT_NAME_CHARS];
    CHAR szName[MIXER_LONG_NAME_CHARS];
    union {
        struct {
            LONG lMinimum;
            LONG lMaximum;
        };
        struct {
            DWORD dwMinimum;
            DWORD dwMaximum;
        };
        DWORD dwReserved[6];
    } Bounds;
    union {
        DWORD cSteps;
        DWORD cbCustomData;
        DWORD dwReserved[6];
    } Metrics;
} MIXERCONTROLA, *LPMIXERCONTROLA;

typedef struct tagMIXERLINECONTROLSA {
    DWORD cbStruct;
    DWORD dwLineID;
    union {
        DWORD dwControlID;
        DWORD dwControlType;
    };
    DWORD cControls;
    DWORD cbmxctrl;
    LPMIXERCONTROLA pamxctrl;
} MIXERLINECONTROLSA, *LPMIXERLINECONTROLSA;

typedef struct tMIXERCONTROLDETAILS {
    DWORD cbStruct;
    DWORD dwControlID;
    DWORD cChannels;
    union {
        HWND hwndOwner;
        DWORD cMultipleItems;
    };
    DWORD cbDetails;
    LPVOID paDetails;
} MIXERCONTROLDETAILS, *LPMIXERCONTROLDETAILS;

typedef struct tMIXERCONTROLDETAILS_UNSIGNED {
    DWORD dwValue;
} MIXERCONTROLDETAILS_UNSIGNED;

typedef struct tMIXERCONTROLDETAILS_BOOLEAN {
    LONG fValue;
} MIXERCONTROLDETAILS_BOOLEAN;

TVHOST_API UINT WINAPI mixerGetNumDevs(void);
TVHOST_API MMRESULT WINAPI mixerOpen(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback,
                                     DWORD_PTR instance, DWORD openFlags);
TVHOST_API MMRESULT WINAPI mixerClose(HMIXER mixer);
TVHOST_API MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ mixer, LPMIXERLINEA line, DWORD flags);
TVHOST_API MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ mixer, LPMIXERLINECONTROLSA controls,
                                                 DWORD flags);
TVHOST_API MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details,
                                                   DWORD flags);
TVHOST_API MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details,
                                                  DWORD flags);

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
static_assert(sizeof(MIXERCONTROLA) == 148, "MIXERCONTROLA is 148 bytes everywhere");
#endif

#endif /* !_WIN32 */

#endif /* TVHOST_WIN32_H */
