#include "alsa_card.h"

#include <cstddef>
#include <cstring>

namespace tvmixalsa {
namespace {

// The simple elements that become lines, in line order; the first is the
// destination, the rest are its sources.
struct ElementLine {
    const char *element;
    DWORD componentType;
    const char *name;
};
constexpr ElementLine kElementLines[] = {
    {"Master", MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, "Master"},
    {"PCM", MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, "Wave"},
    {"CD", MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, "CD Audio"},
    {"Line", MIXERLINE_COMPONENTTYPE_SRC_LINE, "Line In"},
    {"Mic", MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, "Microphone"},
    {"Aux", MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Auxiliary"},
};

void CopyName(char *to, size_t size, const std::string &from) {
    std::strncpy(to, from.c_str(), size - 1);
    to[size - 1] = '\0';
}

DWORD ClampToDword(long value) {
    if (value < static_cast<long>(INT32_MIN)) return static_cast<DWORD>(INT32_MIN);
    if (value > static_cast<long>(UINT32_MAX)) return UINT32_MAX;
    return static_cast<DWORD>(value);
}

// A value as the caller sent it, read in the control's number space: signed
// when its range reaches below 0, unsigned otherwise.
long ValueOf(DWORD raw, const AlsaControl &control) {
    return control.min < 0 ? static_cast<long>(static_cast<LONG>(raw)) : static_cast<long>(raw);
}

DWORD CheckValueLayout(const MIXERCONTROLDETAILS &details, DWORD query, const AlsaLine &line) {
    if (query != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_NOTSUPPORTED;
    if (details.cChannels != 1 && details.cChannels != line.channels) return MMSYSERR_INVALPARAM;
    if (details.cMultipleItems != 0 || details.cbDetails < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

char *ValueSlot(MIXERCONTROLDETAILS &details, DWORD index) {
    return static_cast<char *>(details.paDetails) + std::size_t{index} * details.cbDetails;
}

}  // namespace

AlsaCard::~AlsaCard() {
    for (AlsaLine &line : lines_)
        for (AlsaControl &control : line.controls) snd_ctl_elem_id_free(control.elem);
    if (ctl_ != nullptr) snd_ctl_close(ctl_);
}

bool HasMixerElements(const std::string &name) {
    snd_ctl_t *ctl = nullptr;
    if (snd_ctl_open(&ctl, name.c_str(), 0) < 0) return false;
    snd_ctl_elem_list_t *list = nullptr;
    bool any = false;
    if (snd_ctl_elem_list_malloc(&list) == 0) {
        any = snd_ctl_elem_list(ctl, list) == 0 && snd_ctl_elem_list_get_count(list) > 0;
        snd_ctl_elem_list_free(list);
    }
    snd_ctl_close(ctl);
    return any;
}

DWORD AlsaCard::Open(const std::string &name) {
    name_ = name;
    if (snd_ctl_open(&ctl_, name.c_str(), 0) < 0) {
        ctl_ = nullptr;
        return MMSYSERR_NODRIVER;
    }
    FindLines();
    return MMSYSERR_NOERROR;
}

bool AlsaCard::AddControl(AlsaLine &line, const std::string &element, DWORD type) {
    snd_ctl_elem_info_t *info = nullptr;
    if (snd_ctl_elem_info_malloc(&info) < 0) return false;
    snd_ctl_elem_info_set_interface(info, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_info_set_name(info, element.c_str());
    bool volume = type == MIXERCONTROL_CONTROLTYPE_VOLUME;
    snd_ctl_elem_type_t wanted = volume ? SND_CTL_ELEM_TYPE_INTEGER : SND_CTL_ELEM_TYPE_BOOLEAN;
    bool usable = snd_ctl_elem_info(ctl_, info) == 0 && snd_ctl_elem_info_get_type(info) == wanted &&
                  snd_ctl_elem_info_is_readable(info) && snd_ctl_elem_info_is_writable(info) &&
                  snd_ctl_elem_info_get_count(info) > 0;
    AlsaControl control;
    if (usable && snd_ctl_elem_id_malloc(&control.elem) == 0) {
        snd_ctl_elem_info_get_id(info, control.elem);
        control.id = nextControlId_++;
        control.type = type;
        control.elementChannels = snd_ctl_elem_info_get_count(info);
        control.min = volume ? snd_ctl_elem_info_get_min(info) : 0;
        control.max = volume ? snd_ctl_elem_info_get_max(info) : 1;
        if (control.elementChannels > 1 && line.channels < 2) line.channels = 2;
        line.controls.push_back(control);
    } else {
        usable = false;
    }
    snd_ctl_elem_info_free(info);
    return usable;
}

void AlsaCard::FindLines() {
    DWORD source = 0;
    for (const ElementLine &known : kElementLines) {
        AlsaLine line;
        line.isSource = known.componentType >= MIXERLINE_COMPONENTTYPE_SRC_FIRST;
        line.componentType = known.componentType;
        line.shortName = known.element;
        line.name = known.name;
        std::string element = known.element;
        bool found = AddControl(line, element + " Playback Volume", MIXERCONTROL_CONTROLTYPE_VOLUME);
        found = AddControl(line, element + " Playback Switch", MIXERCONTROL_CONTROLTYPE_MUTE) || found;
        if (line.isSource) {
            if (!found) continue;  // a source line exists only where the card has the element
            line.source = source++;
            line.id = ((line.source + 1) << 16);
        } else {
            line.id = 0xFFFF0000u;  // the destination exists even without its own controls
        }
        lines_.push_back(std::move(line));
    }
}

void AlsaCard::FillLine(MIXERLINEA &out, const AlsaLine &line, UINT deviceId) const {
    out.dwDestination = 0;
    out.dwSource = line.source;
    out.dwLineID = line.id;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (line.isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwUser = 0;
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections = line.isSource ? 0 : static_cast<DWORD>(lines_.size() - 1);
    out.cControls = static_cast<DWORD>(line.controls.size());
    CopyName(out.szShortName, sizeof out.szShortName, line.shortName);
    CopyName(out.szName, sizeof out.szName, line.name);
    out.Target.dwType = line.isSource ? MIXERLINE_TARGETTYPE_UNDEFINED : MIXERLINE_TARGETTYPE_WAVEOUT;
    out.Target.dwDeviceID = deviceId;
    out.Target.wMid = 0;
    out.Target.wPid = 0;
    out.Target.vDriverVersion = 0x0100;
    CopyName(out.Target.szPname, sizeof out.Target.szPname, name_);
}

DWORD AlsaCard::GetLineInfo(MIXERLINEA &line, DWORD query, UINT deviceId) const {
    const AlsaLine *found = nullptr;
    for (const AlsaLine &candidate : lines_) {
        bool match = false;
        switch (query) {
        case MIXER_GETLINEINFOF_DESTINATION:
            match = !candidate.isSource && line.dwDestination == 0;
            break;
        case MIXER_GETLINEINFOF_SOURCE:
            match = candidate.isSource && line.dwDestination == 0 && candidate.source == line.dwSource;
            break;
        case MIXER_GETLINEINFOF_LINEID:
            match = candidate.id == line.dwLineID;
            break;
        case MIXER_GETLINEINFOF_COMPONENTTYPE:
            match = candidate.componentType == line.dwComponentType;
            break;
        case MIXER_GETLINEINFOF_TARGETTYPE:
            match = !candidate.isSource && line.Target.dwType == MIXERLINE_TARGETTYPE_WAVEOUT;
            break;
        default:
            return MMSYSERR_INVALFLAG;
        }
        if (match) {
            found = &candidate;
            break;
        }
    }
    if (found == nullptr) return MIXERR_INVALLINE;
    FillLine(line, *found, deviceId);
    return MMSYSERR_NOERROR;
}

static void FillControl(MIXERCONTROLA &out, const AlsaControl &control) {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = control.id;
    out.dwControlType = control.type;
    out.fdwControl = control.elementChannels == 1 ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    const char *name = control.type == MIXERCONTROL_CONTROLTYPE_VOLUME ? "Volume" : "Mute";
    CopyName(out.szShortName, sizeof out.szShortName, name);
    CopyName(out.szName, sizeof out.szName, name);
    out.Bounds.dwMinimum = ClampToDword(control.min);
    out.Bounds.dwMaximum = ClampToDword(control.max);
    out.Metrics.cSteps = control.type == MIXERCONTROL_CONTROLTYPE_VOLUME ? ClampToDword(control.max - control.min) : 0;
}

DWORD AlsaCard::GetLineControls(MIXERLINECONTROLSA &request, DWORD query) const {
    auto slot = [&request](DWORD index) -> MIXERCONTROLA & {
        return *reinterpret_cast<MIXERCONTROLA *>(reinterpret_cast<char *>(request.pamxctrl) +
                                                  std::size_t{index} * request.cbmxctrl);
    };
    if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
        const AlsaControl *control = nullptr;
        const AlsaLine *line = FindControl(request.dwControlID, &control);
        if (line == nullptr) return MIXERR_INVALCONTROL;
        request.dwLineID = line->id;
        FillControl(slot(0), *control);
        return MMSYSERR_NOERROR;
    }
    for (const AlsaLine &line : lines_) {
        if (line.id != request.dwLineID) continue;
        if (query == MIXER_GETLINECONTROLSF_ALL) {
            if (request.cControls != line.controls.size()) return MMSYSERR_INVALPARAM;
            for (DWORD i = 0; i < request.cControls; ++i) FillControl(slot(i), line.controls[i]);
            return MMSYSERR_NOERROR;
        }
        if (query != MIXER_GETLINECONTROLSF_ONEBYTYPE) return MMSYSERR_INVALFLAG;
        for (const AlsaControl &control : line.controls)
            if (control.type == request.dwControlType) {
                FillControl(slot(0), control);
                return MMSYSERR_NOERROR;
            }
        return MIXERR_INVALCONTROL;
    }
    return MIXERR_INVALLINE;
}

const AlsaLine *AlsaCard::FindControl(DWORD controlId, const AlsaControl **found) const {
    for (const AlsaLine &line : lines_)
        for (const AlsaControl &control : line.controls)
            if (control.id == controlId) {
                *found = &control;
                return &line;
            }
    return nullptr;
}

DWORD AlsaCard::GetControlDetails(MIXERCONTROLDETAILS &details, DWORD query) {
    const AlsaControl *control = nullptr;
    const AlsaLine *line = FindControl(details.dwControlID, &control);
    if (line == nullptr) return MIXERR_INVALCONTROL;
    DWORD result = CheckValueLayout(details, query, *line);
    if (result != MMSYSERR_NOERROR) return result;
    snd_ctl_elem_value_t *value = nullptr;
    if (snd_ctl_elem_value_malloc(&value) < 0) return MMSYSERR_NOMEM;
    snd_ctl_elem_value_set_id(value, control->elem);
    if (snd_ctl_elem_read(ctl_, value) < 0) {
        snd_ctl_elem_value_free(value);
        return MMSYSERR_ERROR;
    }
    bool mute = control->type == MIXERCONTROL_CONTROLTYPE_MUTE;
    for (DWORD channel = 0; channel < details.cChannels; ++channel) {
        // A mono element serves every channel of its line.
        unsigned index = channel < control->elementChannels ? channel : 0;
        DWORD out = mute ? (snd_ctl_elem_value_get_boolean(value, index) ? 0u : 1u)
                         : ClampToDword(snd_ctl_elem_value_get_integer(value, index));
        std::memcpy(ValueSlot(details, channel), &out, sizeof out);
    }
    snd_ctl_elem_value_free(value);
    return MMSYSERR_NOERROR;
}

DWORD AlsaCard::SetControlDetails(MIXERCONTROLDETAILS &details, DWORD query) {
    const AlsaControl *control = nullptr;
    const AlsaLine *line = FindControl(details.dwControlID, &control);
    if (line == nullptr) return MIXERR_INVALCONTROL;
    DWORD result = CheckValueLayout(details, query, *line);
    if (result != MMSYSERR_NOERROR) return result;
    bool mute = control->type == MIXERCONTROL_CONTROLTYPE_MUTE;
    long values[2] = {0, 0};
    for (DWORD channel = 0; channel < 2; ++channel) {
        DWORD raw = 0;
        std::memcpy(&raw, ValueSlot(details, channel < details.cChannels ? channel : 0), sizeof raw);
        values[channel] = mute ? (raw == 0 ? 1 : 0) : ValueOf(raw, *control);  // mute on = switch off
        if (!mute && (values[channel] < control->min || values[channel] > control->max)) return MIXERR_INVALVALUE;
    }
    snd_ctl_elem_value_t *value = nullptr;
    if (snd_ctl_elem_value_malloc(&value) < 0) return MMSYSERR_NOMEM;
    snd_ctl_elem_value_set_id(value, control->elem);
    for (unsigned index = 0; index < control->elementChannels; ++index) {
        long wanted = values[index < 2 ? index : 1];
        if (mute)
            snd_ctl_elem_value_set_boolean(value, index, wanted);
        else
            snd_ctl_elem_value_set_integer(value, index, wanted);
    }
    int written = snd_ctl_elem_write(ctl_, value);
    snd_ctl_elem_value_free(value);
    return written < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

}  // namespace tvmixalsa
