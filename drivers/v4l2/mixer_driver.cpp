// The V4L2 mixer driver (tvmixv4l2.so): each V4L2 device with audio controls
// is a mixer device with one destination line (the card's sound output) and
// one auxiliary source line, "TV Audio", whose volume control (0..65535) is
// the device's V4L2_CID_AUDIO_VOLUME, mapped linearly onto its range, and
// whose mute control is V4L2_CID_AUDIO_MUTE. Values and ranges are asked
// from the device at every request, so changes made elsewhere are seen.
//
// Which devices: the paths in TVMIXV4L2_DEVICES (comma-separated), or, when
// it is unset or empty, every /dev/videoN in ascending N that has either
// control. The list is made when the host counts the devices
// (MXDM_GETNUMDEVS). Each open opens the device node of its own.
//
// The line is mono: a request may carry 1 or 2 channels; a read gives every
// channel the one value, a set takes the first channel's value.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstring>
#include <mutex>

#include "kept_text.h"
#include "settings.h"
#include "sys_calls.h"
#include "tvhost/mixer_driver.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

constexpr std::size_t kMaxDevices = 16;
constexpr std::size_t kMaxOpens = 64;
constexpr std::size_t kPathSize = 256;
constexpr DWORD kDestinationLineId = 0xFFFF0000u;
constexpr DWORD kSourceLineId = 0x00010000u;
constexpr DWORD kVolumeControlId = 1;
constexpr DWORD kMuteControlId = 2;
constexpr DWORD kVolumeMax = 65535;

struct OpenSlot {
    DWORD_PTR instance = 0;  // 0: free
    UINT device = 0;
    int fd = -1;
};

struct MixerState {
    std::mutex lock;
    std::size_t deviceCount = 0;
    char refusal[160] = "";  // why the count found no device; "" when it found some
    char devices[kMaxDevices][kPathSize] = {};
    OpenSlot opens[kMaxOpens];
    DWORD_PTR nextInstance = 1;
};

MixerState &State() {
    static MixerState state;
    return state;
}

bool HasControl(int fd, uint32_t cid) {
    ControlRange range{};
    return QueryControl(fd, cid, range) == 0;
}

bool HasAudioControls(const char *path) {
    int fd = Sys().open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool any = HasControl(fd, V4L2_CID_AUDIO_VOLUME) || HasControl(fd, V4L2_CID_AUDIO_MUTE);
    Sys().close(fd);
    return any;
}

void AddDevice(MixerState &state, const char *path, std::size_t length) {
    if (state.deviceCount == kMaxDevices || length == 0 || length >= kPathSize) return;
    std::memcpy(state.devices[state.deviceCount], path, length);
    state.devices[state.deviceCount][length] = '\0';
    ++state.deviceCount;
}

void ListDevices(MixerState &state) {
    state.deviceCount = 0;
    state.refusal[0] = '\0';
    if (const char *setting = tvdrv::Setting("TVMIXV4L2_DEVICES")) {
        for (const char *start = setting;;) {
            while (*start == ' ') ++start;
            const char *comma = std::strchr(start, ',');
            std::size_t length = comma != nullptr ? static_cast<std::size_t>(comma - start) : std::strlen(start);
            while (length > 0 && start[length - 1] == ' ') --length;
            AddDevice(state, start, length);
            if (comma == nullptr) break;
            start = comma + 1;
        }
        if (state.deviceCount == 0)
            (void)snprintf(state.refusal, sizeof state.refusal, "TVMIXV4L2_DEVICES names no device path");
        return;
    }
    NodeList nodes = ListVideoNodes();
    for (std::size_t i = 0; i < nodes.count; ++i) {
        char path[kNodePathSize];
        NodePath(nodes.numbers[i], path);
        if (HasAudioControls(path)) AddDevice(state, path, std::strlen(path));
    }
    if (state.deviceCount == 0)
        (void)snprintf(state.refusal, sizeof state.refusal,
                       "no V4L2 device with audio controls (volume or mute) among %zu /dev/video node(s)",
                       nodes.count);
}

void CopyName(char *to, std::size_t size, const char *from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

DWORD ControlCount(int fd) {
    return (HasControl(fd, V4L2_CID_AUDIO_VOLUME) ? 1u : 0u) + (HasControl(fd, V4L2_CID_AUDIO_MUTE) ? 1u : 0u);
}

void FillLine(MIXERLINEA &out, bool source, int fd, UINT deviceId, const char *path) {
    out.dwDestination = 0;
    out.dwSource = 0;
    out.dwLineID = source ? kSourceLineId : kDestinationLineId;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (source ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwUser = 0;
    out.dwComponentType = source ? MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY : MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    out.cChannels = 1;
    out.cConnections = source ? 0 : 1;
    out.cControls = source ? ControlCount(fd) : 0;
    CopyName(out.szShortName, sizeof out.szShortName, source ? "TV" : "TV Sound");
    CopyName(out.szName, sizeof out.szName, source ? "TV Audio" : "TV Sound");
    out.Target.dwType = source ? MIXERLINE_TARGETTYPE_UNDEFINED : MIXERLINE_TARGETTYPE_WAVEOUT;
    out.Target.dwDeviceID = deviceId;
    out.Target.wMid = 0;
    out.Target.wPid = 0;
    out.Target.vDriverVersion = 0x0100;
    CopyName(out.Target.szPname, sizeof out.Target.szPname, path);
}

DWORD GetLineInfo(MIXERLINEA &line, DWORD query, int fd, UINT deviceId, const char *path) {
    bool source = false;
    switch (query) {
    case MIXER_GETLINEINFOF_DESTINATION:
        if (line.dwDestination != 0) return MIXERR_INVALLINE;
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        if (line.dwDestination != 0 || line.dwSource != 0) return MIXERR_INVALLINE;
        source = true;
        break;
    case MIXER_GETLINEINFOF_LINEID:
        if (line.dwLineID != kSourceLineId && line.dwLineID != kDestinationLineId) return MIXERR_INVALLINE;
        source = line.dwLineID == kSourceLineId;
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        if (line.dwComponentType != MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY &&
            line.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
            return MIXERR_INVALLINE;
        source = line.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
        break;
    case MIXER_GETLINEINFOF_TARGETTYPE:
        if (line.Target.dwType != MIXERLINE_TARGETTYPE_WAVEOUT) return MIXERR_INVALLINE;
        break;
    default:
        return MMSYSERR_INVALFLAG;
    }
    FillLine(line, source, fd, deviceId, path);
    return MMSYSERR_NOERROR;
}

// The description of one control, or false when the device lacks it.
bool FillControl(MIXERCONTROLA &out, int fd, DWORD controlId) {
    const bool volume = controlId == kVolumeControlId;
    ControlRange range{};
    if ((controlId != kVolumeControlId && controlId != kMuteControlId) ||
        QueryControl(fd, volume ? V4L2_CID_AUDIO_VOLUME : V4L2_CID_AUDIO_MUTE, range) != 0)
        return false;
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = controlId;
    out.dwControlType = volume ? MIXERCONTROL_CONTROLTYPE_VOLUME : MIXERCONTROL_CONTROLTYPE_MUTE;
    out.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    CopyName(out.szShortName, sizeof out.szShortName, volume ? "Volume" : "Mute");
    CopyName(out.szName, sizeof out.szName, volume ? "Volume" : "Mute");
    out.Bounds.dwMinimum = 0;
    out.Bounds.dwMaximum = volume ? kVolumeMax : 1;
    out.Metrics.cSteps = volume ? static_cast<DWORD>(int64_t{range.max} - range.min) : 0;
    return true;
}

MIXERCONTROLA &ControlSlot(MIXERLINECONTROLSA &request, DWORD index) {
    return *reinterpret_cast<MIXERCONTROLA *>(reinterpret_cast<char *>(request.pamxctrl) +
                                              std::size_t{index} * request.cbmxctrl);
}

DWORD GetLineControls(MIXERLINECONTROLSA &request, DWORD query, int fd) {
    if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
        if (!FillControl(ControlSlot(request, 0), fd, request.dwControlID)) return MIXERR_INVALCONTROL;
        request.dwLineID = kSourceLineId;
        return MMSYSERR_NOERROR;
    }
    if (request.dwLineID != kSourceLineId && request.dwLineID != kDestinationLineId) return MIXERR_INVALLINE;
    const bool source = request.dwLineID == kSourceLineId;
    if (query == MIXER_GETLINECONTROLSF_ALL) {
        if (request.cControls != (source ? ControlCount(fd) : 0)) return MMSYSERR_INVALPARAM;
        DWORD filled = 0;
        for (DWORD id : {kVolumeControlId, kMuteControlId})
            if (filled < request.cControls && FillControl(ControlSlot(request, filled), fd, id)) ++filled;
        return MMSYSERR_NOERROR;
    }
    if (query != MIXER_GETLINECONTROLSF_ONEBYTYPE) return MMSYSERR_INVALFLAG;
    if (!source) return MIXERR_INVALCONTROL;
    DWORD id = request.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME ? kVolumeControlId
               : request.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE ? kMuteControlId
                                                                         : 0;
    return id != 0 && FillControl(ControlSlot(request, 0), fd, id) ? MMSYSERR_NOERROR : MIXERR_INVALCONTROL;
}

char *ValueSlot(MIXERCONTROLDETAILS &details, DWORD index) {
    return static_cast<char *>(details.paDetails) + std::size_t{index} * details.cbDetails;
}

// Whether a details request is one the mixer serves: the value of one of
// its controls, in 1 or 2 channels of a DWORD each.
DWORD CheckRequest(const MIXERCONTROLDETAILS &details, DWORD query) {
    if (query != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_NOTSUPPORTED;
    if (details.cChannels != 1 && details.cChannels != 2) return MMSYSERR_INVALPARAM;
    if (details.cMultipleItems != 0 || details.cbDetails < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
    if (details.dwControlID != kVolumeControlId && details.dwControlID != kMuteControlId) return MIXERR_INVALCONTROL;
    return MMSYSERR_NOERROR;
}

// The V4L2 control behind a mixer control and its range; `result` is the
// mixer's answer when there is none.
struct DetailsTarget {
    DWORD result;
    uint32_t cid;
    ControlRange range;
};

DetailsTarget ControlFor(const MIXERCONTROLDETAILS &details, DWORD query, int fd) {
    DetailsTarget target{CheckRequest(details, query), 0, {}};
    if (target.result != MMSYSERR_NOERROR) return target;
    target.cid = details.dwControlID == kVolumeControlId ? V4L2_CID_AUDIO_VOLUME : V4L2_CID_AUDIO_MUTE;
    if (QueryControl(fd, target.cid, target.range) != 0) target.result = MIXERR_INVALCONTROL;
    return target;
}

DWORD GetControlDetails(MIXERCONTROLDETAILS &details, DWORD query, int fd) {
    const auto [result, cid, range] = ControlFor(details, query, fd);
    if (result != MMSYSERR_NOERROR) return result;
    int32_t value = 0;
    if (GetControl(fd, cid, value) != 0) return MMSYSERR_ERROR;
    DWORD out = cid == V4L2_CID_AUDIO_VOLUME ? ControlToLevel(value, kVolumeMax, range) : (value != 0 ? 1u : 0u);
    for (DWORD channel = 0; channel < details.cChannels; ++channel)
        std::memcpy(ValueSlot(details, channel), &out, sizeof out);
    return MMSYSERR_NOERROR;
}

DWORD SetControlDetails(MIXERCONTROLDETAILS &details, DWORD query, int fd) {
    const auto [result, cid, range] = ControlFor(details, query, fd);
    if (result != MMSYSERR_NOERROR) return result;
    DWORD raw = 0;
    std::memcpy(&raw, ValueSlot(details, 0), sizeof raw);
    int32_t value = 0;
    if (cid == V4L2_CID_AUDIO_VOLUME) {
        if (raw > kVolumeMax) return MIXERR_INVALVALUE;
        value = LevelToControl(raw, kVolumeMax, range);
    } else {
        value = raw != 0 ? 1 : 0;
    }
    return SetControl(fd, cid, value) == 0 ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}

OpenSlot *FindOpen(MixerState &state, DWORD_PTR instance) {
    for (OpenSlot &slot : state.opens)
        if (instance != 0 && slot.instance == instance) return &slot;
    return nullptr;
}

DWORD Open(MixerState &state, UINT deviceId, DWORD_PTR user) {
    if (user == 0) return MMSYSERR_INVALPARAM;
    OpenSlot *free = nullptr;
    for (OpenSlot &slot : state.opens)
        if (slot.instance == 0) {
            free = &slot;
            break;
        }
    if (free == nullptr) return MMSYSERR_NOMEM;
    int fd = Sys().open(state.devices[deviceId], O_RDWR | O_CLOEXEC);
    if (fd < 0) return MMSYSERR_NODRIVER;
    *free = OpenSlot{state.nextInstance++, deviceId, fd};
    *reinterpret_cast<DWORD_PTR *>(user) = free->instance;
    return MMSYSERR_NOERROR;
}

DWORD Answer(MixerState &state, UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2) {
    if (msg == MXDM_GETNUMDEVS) {
        ListDevices(state);
        return static_cast<DWORD>(state.deviceCount);
    }
    if (deviceId >= state.deviceCount) return MMSYSERR_BADDEVICEID;
    if (msg == MXDM_OPEN) return Open(state, deviceId, user);
    OpenSlot *open = FindOpen(state, user);
    if (open == nullptr || open->device != deviceId) return MMSYSERR_INVALHANDLE;
    const DWORD query = static_cast<DWORD>(param2);
    if (msg == MXDM_CLOSE) {
        Sys().close(open->fd);
        *open = OpenSlot{};
        return MMSYSERR_NOERROR;
    }
    if (param1 == 0) return MMSYSERR_INVALPARAM;
    switch (msg) {
    case MXDM_GETLINEINFO:
        return GetLineInfo(*reinterpret_cast<MIXERLINEA *>(param1), query, open->fd, deviceId,
                           state.devices[deviceId]);
    case MXDM_GETLINECONTROLS:
        return GetLineControls(*reinterpret_cast<MIXERLINECONTROLSA *>(param1), query, open->fd);
    case MXDM_GETCONTROLDETAILS:
        return GetControlDetails(*reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query, open->fd);
    case MXDM_SETCONTROLDETAILS:
        return SetControlDetails(*reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query, open->fd);
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}

// A device as its path and the card name it reports ("/dev/video0
// \"<card>\""); the path alone when it does not open now.
uint32_t DescribeDevice(const MixerState &state, UINT deviceId, char *text, uint32_t size) {
    if (deviceId >= state.deviceCount) return tvdrv::PutText("", text, size);
    const char *path = state.devices[deviceId];
    char words[kPathSize + 48];
    (void)snprintf(words, sizeof words, "%s", path);
    int fd = Sys().open(path, O_RDWR | O_CLOEXEC);
    if (fd >= 0) {
        v4l2_capability cap{};
        if (Request(fd, VIDIOC_QUERYCAP, &cap) == 0)
            (void)snprintf(words, sizeof words, "%s \"%.*s\"", path, static_cast<int>(sizeof cap.card),
                           reinterpret_cast<const char *>(cap.card));
        Sys().close(fd);
    }
    return tvdrv::PutText(words, text, size);
}

}  // namespace
}  // namespace tvv4l2

extern "C" uint32_t mxdRefusalReason(char *text, uint32_t size) {
    tvv4l2::MixerState &state = tvv4l2::State();
    std::lock_guard<std::mutex> guard(state.lock);
    return tvdrv::PutText(state.refusal, text, size);
}

extern "C" uint32_t mxdDescribeDevice(UINT deviceId, char *text, uint32_t size) {
    tvv4l2::MixerState &state = tvv4l2::State();
    std::lock_guard<std::mutex> guard(state.lock);
    return tvv4l2::DescribeDevice(state, deviceId, text, size);
}

extern "C" __attribute__((visibility("default"))) DWORD mxdMessage(UINT deviceId, UINT msg, DWORD_PTR user,
                                                                   DWORD_PTR param1, DWORD_PTR param2) {
    tvv4l2::MixerState &state = tvv4l2::State();
    std::lock_guard<std::mutex> guard(state.lock);
    return tvv4l2::Answer(state, deviceId, msg, user, param1, param2);
}
