// The simulated mixer driver: answers the host's mixer messages from the
// devices that sim_model builds, and logs every message for tests.
//
// Control values: a volume outside its control's bounds is refused with
// MIXERR_INVALVALUE and changes nothing; a mute value is stored as 0 or 1
// (nonzero is on). cChannels must be 1 (every channel gets the value; a read
// gives the first channel) or the line's 2 channels; cbDetails must hold a
// 4-byte value and is the stride between values.
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "include/tvmixsim.h"
#include "kept_text.h"
#include "message_faults.h"
#include "sim_model.h"
#include "state_file.h"
#include "tvhost/mixer_driver.h"

namespace tvmixsim {
namespace {

// Opens are kept in a fixed table, and the log has its room from the start,
// so that no message allocates memory once the driver is configured: the
// library's calls are proven allocation-free through this driver. An
// instance lives in the slot its value names; a new open takes the next
// instance value whose slot is free.
constexpr uint32_t kMaxOpens = 2048;

struct OpenSlot {
    DWORD_PTR instance = 0;  // 0: the slot is free
    uint32_t device = 0;
};

struct SimState {
    std::mutex lock;  // the driver's own; the host calls it from any thread
    bool configured = false;
    SimConfig config;
    std::vector<SimDevice> devices;
    std::array<OpenSlot, kMaxOpens> opens{};
    uint32_t openCount = 0;
    DWORD_PTR nextInstance = 1;
    std::vector<TvMixSimCall> log;
    uint32_t total = 0;
    MessageFaults faults;
    tvsimstate::StateFile file;  // the controls' values, shared with the user's other processes
};

SimState &State() {
    static SimState state;
    return state;
}

// The state file: a count, then per control its device, id, type and two
// channel values, 32-bit little-endian words each.
constexpr char kStateMagic[8] = {'T', 'V', 'M', 'I', 'X', 'S', 'M', '1'};
constexpr size_t kWordsPerControl = 5;
constexpr size_t kMaxStoredControls = 128;  // 8 devices of 13 controls fit
constexpr size_t kStateBytes = 4 * (1 + kWordsPerControl * kMaxStoredControls);

void PutWord(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetWord(const uint8_t *at) {
    return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}

void SaveValues(SimState &state) {
    uint8_t bytes[kStateBytes];
    uint32_t count = 0;
    for (uint32_t device = 0; device < state.devices.size(); ++device)
        for (const SimLine &line : state.devices[device].lines)
            for (const SimControl &control : line.controls) {
                if (count == kMaxStoredControls) break;
                uint8_t *at = bytes + 4 + 4 * kWordsPerControl * count++;
                const uint32_t words[kWordsPerControl] = {device, control.id, control.type, control.values[0],
                                                          control.values[1]};
                for (size_t w = 0; w < kWordsPerControl; ++w) PutWord(at + 4 * w, words[w]);
            }
    PutWord(bytes, count);
    state.file.Save(bytes, 4 + 4 * kWordsPerControl * count);
}

// Every control at the value it starts with: a volume in the middle of its
// bounds, mute off (as sim_model builds them), without building anything.
void StartingValues(SimState &state) {
    for (SimDevice &device : state.devices)
        for (SimLine &line : device.lines)
            for (SimControl &control : line.controls) {
                const DWORD start = control.type == MIXERCONTROL_CONTROLTYPE_MUTE
                                        ? 0
                                        : control.min + (control.max - control.min) / 2;
                control.values[0] = control.values[1] = start;
            }
}

// Takes the values a stored payload holds for controls this setup has (same
// device, id and type, a volume within its bounds); others are left as they
// are, as the settings may have changed since. False when the payload is not
// a mixer's values.
bool TakeValues(SimState &state, const uint8_t *bytes, size_t size) {
    const uint32_t count = size >= 4 ? GetWord(bytes) : 0;
    if (size < 4 || count > kMaxStoredControls || size != 4 + 4 * kWordsPerControl * count) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t *at = bytes + 4 + 4 * kWordsPerControl * i;
        const uint32_t device = GetWord(at), id = GetWord(at + 4), type = GetWord(at + 8);
        const DWORD values[kChannels] = {GetWord(at + 12), GetWord(at + 16)};
        if (device >= state.devices.size()) continue;
        SimControl *control = state.devices[device].FindControl(id);
        if (control == nullptr || control->type != type) continue;
        const bool mute = type == MIXERCONTROL_CONTROLTYPE_MUTE;
        bool fits = true;
        for (DWORD value : values)
            fits = fits && (mute ? value <= 1 : value >= control->min && value <= control->max);
        if (fits) std::memcpy(control->values, values, sizeof values);
    }
    return true;
}

// Brings the values up to what the file holds. A file that has gone was
// removed by a reset: every control starts again. Answers whether the file
// must be written now (it was unusable).
bool LoadValues(SimState &state) {
    return state.file.Refresh<kStateBytes>(
        [&] { StartingValues(state); }, [&](const uint8_t *bytes, size_t size) { return TakeValues(state, bytes, size); },
        "it does not hold a mixer's values");
}

// Builds the devices from the settings; the caller holds the lock.
void Configure(SimState &state) {
    state.config = ReadSimConfig();
    state.devices.clear();
    for (uint32_t i = 0; i < state.config.devices; ++i) state.devices.push_back(BuildDevice(state.config, i));
    state.opens.fill(OpenSlot{});
    state.openCount = 0;
    state.log.clear();
    state.log.reserve(TVMIXSIM_LOG_CAPACITY);
    state.total = 0;
    state.faults.Clear();
    state.configured = true;
    state.file.Configure("TVMIXSIM_STATE", "simmixer.state", "simulated mixer", kStateMagic);
    if (state.file.Enabled()) {
        tvsimstate::StateFile::Guard fileLock(state.file);
        if (LoadValues(state)) SaveValues(state);
    }
}

// A change of control values, made as one read-modify-write of the state
// file under its lock: first the values other processes set, then this
// change, then the file. The caller holds the driver's lock.
template <typename Change>
DWORD ChangeValues(SimState &state, Change change) {
    if (!state.file.Enabled()) return change();
    tvsimstate::StateFile::Guard fileLock(state.file);
    LoadValues(state);
    DWORD result = change();
    if (result == MMSYSERR_NOERROR) SaveValues(state);
    return result;
}

void CopyName(char *to, size_t size, const char *from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

void FillLine(MIXERLINEA &out, SimDevice &device, const SimLine &line, uint32_t deviceId) {
    out.dwDestination = line.destination;
    out.dwSource = line.source == kNoSource ? 0 : line.source;
    out.dwLineID = line.id;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (line.source == kNoSource ? 0 : MIXERLINE_LINEF_SOURCE);
    out.dwUser = 0;
    out.dwComponentType = line.componentType;
    out.cChannels = kChannels;
    out.cConnections = line.source == kNoSource ? device.ConnectionCount(line.destination) : 0;
    out.cControls = static_cast<DWORD>(line.controls.size());
    CopyName(out.szShortName, sizeof out.szShortName, line.shortName);
    CopyName(out.szName, sizeof out.szName, line.name);
    out.Target.dwType = line.targetType;
    out.Target.dwDeviceID = deviceId;
    out.Target.wMid = 0;
    out.Target.wPid = 0;
    out.Target.vDriverVersion = 0x0100;
    CopyName(out.Target.szPname, sizeof out.Target.szPname, "Simulated Mixer");
}

void FillControl(MIXERCONTROLA &out, const SimControl &control) {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = control.id;
    out.dwControlType = control.type;
    bool volume = control.type == MIXERCONTROL_CONTROLTYPE_VOLUME;
    CopyName(out.szShortName, sizeof out.szShortName, volume ? "Volume" : "Mute");
    CopyName(out.szName, sizeof out.szName, volume ? "Volume" : "Mute");
    out.Bounds.dwMinimum = control.min;
    out.Bounds.dwMaximum = control.max;
    out.Metrics.cSteps = volume ? control.max - control.min : 0;
}

DWORD GetLineInfo(SimDevice &device, uint32_t deviceId, MIXERLINEA &line, DWORD query, TvMixSimCall &entry) {
    entry.cbStruct = line.cbStruct;
    entry.destination = line.dwDestination;
    entry.source = line.dwSource;
    entry.lineId = line.dwLineID;
    entry.componentType = line.dwComponentType;
    const SimLine *found = nullptr;
    switch (query) {
    case MIXER_GETLINEINFOF_DESTINATION:
        found = device.FindDestination(line.dwDestination);
        break;
    case MIXER_GETLINEINFOF_SOURCE:
        found = device.FindSource(line.dwDestination, line.dwSource);
        break;
    case MIXER_GETLINEINFOF_LINEID:
        found = device.FindLine(line.dwLineID);
        break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        for (const SimLine &candidate : device.lines)
            if (candidate.componentType == line.dwComponentType) {
                found = &candidate;
                break;
            }
        break;
    case MIXER_GETLINEINFOF_TARGETTYPE:
        for (const SimLine &candidate : device.lines)
            if (candidate.targetType == line.Target.dwType) {
                found = &candidate;
                break;
            }
        break;
    default:
        return MMSYSERR_INVALFLAG;
    }
    if (found == nullptr) return MIXERR_INVALLINE;
    FillLine(line, device, *found, deviceId);
    return MMSYSERR_NOERROR;
}

// The caller's stride between descriptions and between values: the offset is
// worked out in the address width, so no 32-bit product wraps around.
MIXERCONTROLA &ControlSlot(MIXERLINECONTROLSA &request, DWORD index) {
    return *reinterpret_cast<MIXERCONTROLA *>(reinterpret_cast<char *>(request.pamxctrl) +
                                              std::size_t{index} * request.cbmxctrl);
}

DWORD GetLineControls(SimDevice &device, MIXERLINECONTROLSA &request, DWORD query, TvMixSimCall &entry) {
    entry.cbStruct = request.cbStruct;
    entry.lineId = request.dwLineID;
    entry.controlTypeOrId = request.dwControlType;
    entry.cControls = request.cControls;
    entry.cbmxctrl = request.cbmxctrl;
    if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
        SimLine *line = nullptr;
        SimControl *control = device.FindControl(request.dwControlID, &line);
        if (control == nullptr) return MIXERR_INVALCONTROL;
        request.dwLineID = line->id;
        FillControl(ControlSlot(request, 0), *control);
        return MMSYSERR_NOERROR;
    }
    SimLine *line = device.FindLine(request.dwLineID);
    if (line == nullptr) return MIXERR_INVALLINE;
    if (query == MIXER_GETLINECONTROLSF_ALL) {
        if (request.cControls != line->controls.size()) return MMSYSERR_INVALPARAM;
        for (DWORD i = 0; i < request.cControls; ++i) FillControl(ControlSlot(request, i), line->controls[i]);
        return MMSYSERR_NOERROR;
    }
    if (query != MIXER_GETLINECONTROLSF_ONEBYTYPE) return MMSYSERR_INVALFLAG;
    for (const SimControl &control : line->controls)
        if (control.type == request.dwControlType) {
            FillControl(ControlSlot(request, 0), control);
            return MMSYSERR_NOERROR;
        }
    return MIXERR_INVALCONTROL;
}

DWORD *ValueSlot(MIXERCONTROLDETAILS &details, DWORD index) {
    return reinterpret_cast<DWORD *>(static_cast<char *>(details.paDetails) + std::size_t{index} * details.cbDetails);
}

DWORD ReadValue(MIXERCONTROLDETAILS &details, DWORD index) {
    DWORD value = 0;
    std::memcpy(&value, ValueSlot(details, index), sizeof value);
    return value;
}

void WriteValue(MIXERCONTROLDETAILS &details, DWORD index, DWORD value) {
    std::memcpy(ValueSlot(details, index), &value, sizeof value);
}

// Checks the members of a details request that say how many values cross and
// where they lie, before any value is touched.
DWORD CheckValueLayout(const MIXERCONTROLDETAILS &details, DWORD query) {
    if (query != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_NOTSUPPORTED;  // no list or custom controls
    if (details.cChannels != 1 && details.cChannels != kChannels) return MMSYSERR_INVALPARAM;
    if (details.cbDetails < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

void NoteDetails(const MIXERCONTROLDETAILS &details, TvMixSimCall &entry) {
    entry.cbStruct = details.cbStruct;
    entry.controlId = details.dwControlID;
    entry.cChannels = details.cChannels;
    entry.cMultipleItems = details.cMultipleItems;
    entry.cbDetails = details.cbDetails;
    entry.detailsPresent = details.paDetails != nullptr;
}

DWORD GetControlDetails(SimDevice &device, MIXERCONTROLDETAILS &details, DWORD query, TvMixSimCall &entry) {
    NoteDetails(details, entry);
    DWORD result = CheckValueLayout(details, query);
    if (result != MMSYSERR_NOERROR) return result;
    if (details.cMultipleItems != 0) return MMSYSERR_INVALPARAM;
    SimControl *control = device.FindControl(details.dwControlID);
    if (control == nullptr) return MIXERR_INVALCONTROL;
    for (DWORD i = 0; i < details.cChannels; ++i) {
        WriteValue(details, i, control->values[i]);
        entry.values[i] = control->values[i];
    }
    entry.valueCount = details.cChannels;
    return MMSYSERR_NOERROR;
}

DWORD SetControlDetails(SimDevice &device, MIXERCONTROLDETAILS &details, DWORD query, TvMixSimCall &entry) {
    NoteDetails(details, entry);
    DWORD result = CheckValueLayout(details, query);
    if (result != MMSYSERR_NOERROR) return result;
    DWORD values[kChannels] = {0, 0};
    for (DWORD i = 0; i < details.cChannels; ++i) entry.values[i] = values[i] = ReadValue(details, i);
    entry.valueCount = details.cChannels;
    if (details.cMultipleItems != 0) return MMSYSERR_INVALPARAM;
    SimControl *control = device.FindControl(details.dwControlID);
    if (control == nullptr) return MIXERR_INVALCONTROL;
    if (details.cChannels == 1) values[1] = values[0];
    bool mute = control->type == MIXERCONTROL_CONTROLTYPE_MUTE;
    for (DWORD value : values)
        if (!mute && (value < control->min || value > control->max)) return MIXERR_INVALVALUE;
    for (DWORD i = 0; i < kChannels; ++i) control->values[i] = mute ? (values[i] != 0) : values[i];
    return MMSYSERR_NOERROR;
}

DWORD Answer(SimState &state, UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2,
             TvMixSimCall &entry) {
    if (msg == MXDM_GETNUMDEVS) return static_cast<DWORD>(state.devices.size());
    if (deviceId >= state.devices.size()) return MMSYSERR_BADDEVICEID;
    if (msg == MXDM_OPEN) {
        if (user == 0) return MMSYSERR_INVALPARAM;
        if (state.config.openResult != MMSYSERR_NOERROR) return state.config.openResult;
        if (state.openCount == kMaxOpens) return MMSYSERR_NOMEM;
        DWORD_PTR instance = state.nextInstance;
        while (state.opens[instance % kMaxOpens].instance != 0) ++instance;
        state.nextInstance = instance + 1;
        state.opens[instance % kMaxOpens] = OpenSlot{instance, deviceId};
        ++state.openCount;
        *reinterpret_cast<DWORD_PTR *>(user) = instance;
        entry.instance = static_cast<uint32_t>(instance);
        return MMSYSERR_NOERROR;
    }
    entry.instance = static_cast<uint32_t>(user);
    OpenSlot &open = state.opens[user % kMaxOpens];
    if (user == 0 || open.instance != user || open.device != deviceId) return MMSYSERR_INVALHANDLE;
    SimDevice &device = state.devices[deviceId];
    DWORD query = static_cast<DWORD>(param2);
    switch (msg) {
    case MXDM_CLOSE:
        open = OpenSlot{};
        --state.openCount;
        return MMSYSERR_NOERROR;
    case MXDM_GETLINEINFO:
        if (param1 == 0) return MMSYSERR_INVALPARAM;
        return GetLineInfo(device, deviceId, *reinterpret_cast<MIXERLINEA *>(param1), query, entry);
    case MXDM_GETLINECONTROLS:
        if (param1 == 0) return MMSYSERR_INVALPARAM;
        return GetLineControls(device, *reinterpret_cast<MIXERLINECONTROLSA *>(param1), query, entry);
    case MXDM_GETCONTROLDETAILS:
        if (param1 == 0) return MMSYSERR_INVALPARAM;
        // A read answers what the user's other processes set since, as a
        // real card's mixer does.
        if (state.file.Enabled()) {
            tvsimstate::StateFile::Guard fileLock(state.file);
            LoadValues(state);
        }
        return GetControlDetails(device, *reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query, entry);
    case MXDM_SETCONTROLDETAILS:
        if (param1 == 0) return MMSYSERR_INVALPARAM;
        return ChangeValues(state, [&] {
            return SetControlDetails(device, *reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query, entry);
        });
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}

SimControl *FindControl(SimState &state, uint32_t device, uint32_t controlId) {
    if (device >= state.devices.size()) return nullptr;
    return state.devices[device].FindControl(controlId);
}

}  // namespace
}  // namespace tvmixsim

using namespace tvmixsim;

extern "C" {

__attribute__((visibility("default"))) DWORD mxdMessage(UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1,
                                                        DWORD_PTR param2) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    TvMixSimCall entry{};
    entry.message = msg;
    entry.deviceId = deviceId;
    entry.flags = static_cast<uint32_t>(param2);
    DWORD result = 0;
    if (state.faults.Take(msg, result)) {
        entry.injected = 1;
        if (msg != MXDM_OPEN) entry.instance = static_cast<uint32_t>(user);
    } else {
        result = Answer(state, deviceId, msg, user, param1, param2, entry);
    }
    entry.result = result;
    ++state.total;
    if (state.log.size() < TVMIXSIM_LOG_CAPACITY) state.log.push_back(entry);
    return result;
}

uint32_t mxdDescribeDevice(UINT deviceId, char *text, uint32_t size) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    if (deviceId >= state.devices.size()) return tvdrv::PutText("", text, size);
    char words[48];
    (void)snprintf(words, sizeof words, "simulated mixer device %u", deviceId);
    return tvdrv::PutText(words, text, size);
}

uint32_t mxdRefusalReason(char *text, uint32_t size) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    return tvdrv::PutText(state.devices.empty() ? "TVMIXSIM_DEVICES=0: the simulated mixer serves no device" : "",
                          text, size);
}

uint32_t TvMixSimCallCount(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return static_cast<uint32_t>(state.log.size());
}

uint32_t TvMixSimCallTotal(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.total;
}

int TvMixSimGetCall(uint32_t index, TvMixSimCall *out) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (out == nullptr || index >= state.log.size()) return 0;
    *out = state.log[index];
    return 1;
}

void TvMixSimClearCalls(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.log.clear();
    state.total = 0;
}

uint32_t TvMixSimSetChannelValues(uint32_t device, uint32_t controlId, uint32_t left, uint32_t right) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    return ChangeValues(state, [&]() -> DWORD {
        SimControl *control = FindControl(state, device, controlId);
        if (control == nullptr) return MIXERR_INVALCONTROL;
        control->values[0] = left;
        control->values[1] = right;
        return MMSYSERR_NOERROR;
    });
}

uint32_t TvMixSimGetChannelValues(uint32_t device, uint32_t controlId, uint32_t values[2]) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    SimControl *control = FindControl(state, device, controlId);
    if (control == nullptr || values == nullptr) return MIXERR_INVALCONTROL;
    values[0] = control->values[0];
    values[1] = control->values[1];
    return MMSYSERR_NOERROR;
}

uint32_t TvMixSimOpenCount(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.openCount;
}

int TvMixSimFailMessage(uint32_t message, uint32_t skip, uint32_t result) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    return state.faults.Arm(message, skip, result) ? 1 : 0;
}

void TvMixSimClearFaults(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.faults.Clear();
}

uint32_t TvMixSimFaultsInjected(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.faults.Injected();
}

int TvMixSimResetValues(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    StartingValues(state);
    tvsimstate::StateFile::Guard fileLock(state.file);
    return state.file.Remove() ? 1 : 0;
}

uint32_t TvMixSimStatePath(char *out, uint32_t size) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.configured) Configure(state);
    return state.file.CopyPath(out, size);
}

void TvMixSimReconfigure(void) {
    SimState &state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    Configure(state);
}

}  // extern "C"
