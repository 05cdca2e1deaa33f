// The multimedia mixer functions, served by the mixer driver modules.
//
// Each function checks its request the way Windows does before any driver
// sees it, in this order: flags (object type and query bits), the structure
// (pointer, cbStruct, member buffers), then the object (an open handle or a
// device number in range). Only well-formed requests reach a driver, with
// param2 = flags & 0xF. A request by device number is served by a temporary
// open (flags 0), the request, and a close.
//
// No host lock is held while a driver runs: a request holds a reference to
// its open instead, so a concurrent mixerClose cannot pull the open out from
// under it. The drivers stay loaded until TvHostMixerReset, which no mixer
// call may overlap.
#include <memory>

#include "mixer_table.h"

namespace tvhost {
namespace {

constexpr DWORD kObjectTypeMask = 0xF0000000u;
constexpr DWORD kQueryMask = 0x0000000Fu;

// The device a request addresses, and the open it goes through.
struct Target {
    std::shared_ptr<OpenMixer> open;  // the caller's open, or a temporary one
    bool temporary = false;
};

// Checks the object-type bits and that no bits beyond the object type and
// the query are set; the query must not exceed `lastQuery`.
MMRESULT CheckFlags(DWORD flags, DWORD lastQuery) {
    DWORD type = flags & kObjectTypeMask;
    if (type != MIXER_OBJECTF_HMIXER && type != MIXER_OBJECTF_MIXER) return MMSYSERR_INVALFLAG;
    if ((flags & ~(kObjectTypeMask | kQueryMask)) != 0) return MMSYSERR_INVALFLAG;
    if ((flags & kQueryMask) > lastQuery) return MMSYSERR_INVALFLAG;
    return MMSYSERR_NOERROR;
}

// Opens device `deviceId` (host numbering) through its driver.
MMRESULT OpenDevice(UINT deviceId, DWORD openFlags, std::shared_ptr<OpenMixer> &open) {
    UINT localId = 0;
    MixerDriver *driver = CurrentMixerDrivers().Locate(deviceId, localId);
    if (driver == nullptr) return MMSYSERR_BADDEVICEID;
    DWORD_PTR instance = 0;
    DWORD result = driver->message(localId, MXDM_OPEN, reinterpret_cast<DWORD_PTR>(&instance), 0, openFlags);
    if (result != MMSYSERR_NOERROR) return result;
    open = MakeOpenMixer();
    open->driver = driver;
    open->localId = localId;
    open->deviceId = deviceId;
    open->instance = instance;
    return MMSYSERR_NOERROR;
}

// Resolves the object of a query: an open handle (MIXER_OBJECTF_HMIXER) or
// a device number (MIXER_OBJECTF_MIXER, opened for the one request). The
// object type says which the value is; a handle given as a device number is
// out of the device range and refused, never taken as the handle.
MMRESULT Resolve(HMIXEROBJ object, DWORD flags, Target &target) {
    if ((flags & kObjectTypeMask) == MIXER_OBJECTF_HMIXER) {
        target.open = FindOpenMixer(object);
        return target.open ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    }
    target.temporary = true;
    return OpenDevice(object, 0, target.open);
}

// Sends one well-formed request to the target's driver.
MMRESULT Send(HMIXEROBJ object, DWORD flags, UINT message, void *structure) {
    Target target;
    MMRESULT result = Resolve(object, flags, target);
    if (result != MMSYSERR_NOERROR) return result;
    OpenMixer &open = *target.open;
    result = open.driver->message(open.localId, message, open.instance, reinterpret_cast<DWORD_PTR>(structure),
                                  flags & kQueryMask);
    if (target.temporary) open.Close();
    return result;
}

MMRESULT CheckDetails(const MIXERCONTROLDETAILS *details) {
    if (details == nullptr || details->cbStruct < sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
    if (details->paDetails == nullptr || details->cbDetails == 0) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

}  // namespace
}  // namespace tvhost

using namespace tvhost;

extern "C" {

UINT WINAPI mixerGetNumDevs(void) { return CurrentMixerDrivers().deviceCount; }

// Opens a device by number (MIXER_OBJECTF_MIXER), or the device of an open
// handle (MIXER_OBJECTF_HMIXER).
// The host delivers no mixer notifications, so a callback kind is accepted
// only when it names nothing to notify: CALLBACK_NULL, or CALLBACK_WINDOW,
// CALLBACK_THREAD or CALLBACK_EVENT with 0 (Windows answers these with
// success too). A nonzero window, thread or event could never be notified
// (MMSYSERR_INVALPARAM); function callbacks are not offered for mixers
// (MMSYSERR_INVALFLAG). The handle is written only on success.
MMRESULT WINAPI mixerOpen(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance,
                          DWORD openFlags) {
    (void)instance;  // only a callback would receive it, and none is called
    if (mixer == nullptr) return MMSYSERR_INVALPARAM;
    DWORD type = openFlags & kObjectTypeMask;
    if (type != MIXER_OBJECTF_HMIXER && type != MIXER_OBJECTF_MIXER) return MMSYSERR_INVALFLAG;
    if ((openFlags & ~(kObjectTypeMask | CALLBACK_TYPEMASK)) != 0) return MMSYSERR_INVALFLAG;
    switch (openFlags & CALLBACK_TYPEMASK) {
    case CALLBACK_NULL:
        break;
    case CALLBACK_WINDOW:
    case CALLBACK_THREAD:
    case CALLBACK_EVENT:
        if (callback != 0) return MMSYSERR_INVALPARAM;
        break;
    default:
        return MMSYSERR_INVALFLAG;
    }
    if (type == MIXER_OBJECTF_HMIXER) {
        std::shared_ptr<OpenMixer> existing = FindOpenMixer(deviceId);
        if (!existing) return MMSYSERR_INVALHANDLE;
        deviceId = existing->deviceId;
    }
    std::shared_ptr<OpenMixer> open;
    MMRESULT result = OpenDevice(deviceId, openFlags, open);
    if (result != MMSYSERR_NOERROR) return result;
    HMIXER handle = AddOpenMixer(open);
    if (handle == 0) return MMSYSERR_NOMEM;  // the open is closed as it goes
    *mixer = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerClose(HMIXER mixer) {
    std::shared_ptr<OpenMixer> open = TakeOpenMixer(mixer);
    if (!open) return MMSYSERR_INVALHANDLE;
    // A request still running on another thread keeps the open; it is closed
    // when that request ends, and this close reports success.
    if (open.use_count() > 1) return MMSYSERR_NOERROR;
    return open->Close();
}

MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ mixer, LPMIXERLINEA line, DWORD flags) {
    MMRESULT result = CheckFlags(flags, MIXER_GETLINEINFOF_TARGETTYPE);
    if (result != MMSYSERR_NOERROR) return result;
    if (line == nullptr || line->cbStruct < sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;
    result = Send(mixer, flags, MXDM_GETLINEINFO, line);
    // The driver's instance data is not the caller's: Windows answers a line
    // with it cleared, whether or not the driver wrote it.
    if (result == MMSYSERR_NOERROR) line->dwUser = 0;
    return result;
}

MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ mixer, LPMIXERLINECONTROLSA controls, DWORD flags) {
    MMRESULT result = CheckFlags(flags, MIXER_GETLINECONTROLSF_ONEBYTYPE);
    if (result != MMSYSERR_NOERROR) return result;
    if (controls == nullptr || controls->cbStruct < sizeof(MIXERLINECONTROLSA)) return MMSYSERR_INVALPARAM;
    if (controls->pamxctrl == nullptr || controls->cbmxctrl < sizeof(MIXERCONTROLA)) return MMSYSERR_INVALPARAM;
    // One control by id or by type fills exactly one description.
    if ((flags & kQueryMask) != MIXER_GETLINECONTROLSF_ALL && controls->cControls != 1) return MMSYSERR_INVALPARAM;
    if (controls->cControls == 0) return MMSYSERR_INVALPARAM;
    return Send(mixer, flags, MXDM_GETLINECONTROLS, controls);
}

MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags) {
    MMRESULT result = CheckFlags(flags, MIXER_GETCONTROLDETAILSF_LISTTEXT);
    if (result != MMSYSERR_NOERROR) return result;
    if ((result = CheckDetails(details)) != MMSYSERR_NOERROR) return result;
    return Send(mixer, flags, MXDM_GETCONTROLDETAILS, details);
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags) {
    MMRESULT result = CheckFlags(flags, MIXER_SETCONTROLDETAILSF_CUSTOM);
    if (result != MMSYSERR_NOERROR) return result;
    if ((result = CheckDetails(details)) != MMSYSERR_NOERROR) return result;
    return Send(mixer, flags, MXDM_SETCONTROLDETAILS, details);
}

}  // extern "C"
