#include "alsa_card.h"
#include "settings.h"

#include <strings.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace tvmixalsa {
namespace {

// The simple elements that become lines with their natural types, in line
// order; the first is the destination, the rest are its sources. The
// auxiliary source comes last.
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
};

void CopyName(char *to, size_t size, const std::string &from) {
    std::strncpy(to, from.c_str(), size - 1);
    to[size - 1] = '\0';
}

bool SameElement(snd_mixer_elem_t *elem, const ElementName &wanted) {
    return strcasecmp(snd_mixer_selem_get_name(elem), wanted.name.c_str()) == 0 &&
           snd_mixer_selem_get_index(elem) == wanted.index;
}

// The mixer's last element named `wanted`, or nullptr.
snd_mixer_elem_t *LastElement(snd_mixer_t *mixer, const ElementName &wanted) {
    snd_mixer_elem_t *found = nullptr;
    for (snd_mixer_elem_t *elem = snd_mixer_first_elem(mixer); elem != nullptr; elem = snd_mixer_elem_next(elem))
        if (SameElement(elem, wanted)) found = elem;
    return found;
}

// A request carries 1 or 2 channels on any line: applications exchange two
// (left, right) whatever the line has, so a mono element takes two as well,
// its one value standing for both.
DWORD CheckValueLayout(const MIXERCONTROLDETAILS &details, DWORD query) {
    if (query != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_NOTSUPPORTED;
    if (details.cChannels != 1 && details.cChannels != 2) return MMSYSERR_INVALPARAM;
    if (details.cMultipleItems != 0 || details.cbDetails < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

char *ValueSlot(MIXERCONTROLDETAILS &details, DWORD index) {
    return static_cast<char *>(details.paDetails) + std::size_t{index} * details.cbDetails;
}

// The element's channel `index` (0 left, 1 right); a mono element answers
// for both.
snd_mixer_selem_channel_id_t Channel(const AlsaLine &line, DWORD index) {
    return line.channels > 1 && index > 0 ? SND_MIXER_SCHN_FRONT_RIGHT : SND_MIXER_SCHN_FRONT_LEFT;
}

}  // namespace

ElementName AuxElementSetting() {
    ElementName wanted;
    const char *setting = tvdrv::Setting("TVMIXALSA_ELEMENT");
    if (setting == nullptr) return wanted;
    std::string text = setting;
    std::string::size_type comma = text.rfind(',');
    if (comma != std::string::npos) {
        char *end = nullptr;
        unsigned long index = std::strtoul(text.c_str() + comma + 1, &end, 10);
        if (end != text.c_str() + comma + 1 && *end == '\0' && index <= 0xFFFF) {
            wanted.index = static_cast<unsigned>(index);
            text.resize(comma);
        }
    }
    wanted.name = text;
    return wanted;
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

DWORD AlsaCard::Open(const std::string &device, const ElementName &aux) {
    device_ = device;
    snd_mixer_t *mixer = nullptr;
    if (snd_mixer_open(&mixer, 0) < 0) return MMSYSERR_NODRIVER;
    mixer_.reset(mixer);
    if (snd_mixer_attach(mixer, device.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
        snd_mixer_load(mixer) < 0) {
        mixer_.reset();
        return MMSYSERR_NODRIVER;
    }
    // Change events keep the simple-mixer layer's values current; reading
    // them must never wait when none are pending.
    snd_hctl_t *hctl = nullptr;
    if (snd_mixer_get_hctl(mixer, device.c_str(), &hctl) == 0) {
        snd_ctl_nonblock(snd_hctl_ctl(hctl), 1);
        snd_ctl_subscribe_events(snd_hctl_ctl(hctl), 1);
    }
    FindLines(aux);
    return MMSYSERR_NOERROR;
}

void AlsaCard::Refresh() {
    // The simple-mixer layer keeps the values it last saw; the card's change
    // events (another program's writes) bring them up to date.
    if (mixer_ != nullptr) snd_mixer_handle_events(mixer_.get());
}

bool AlsaCard::AddLine(snd_mixer_elem_t *elem, DWORD componentType, const char *name, const std::string &shortName) {
    AlsaLine line;
    line.isSource = componentType >= MIXERLINE_COMPONENTTYPE_SRC_FIRST;
    line.componentType = componentType;
    line.name = name;
    line.shortName = shortName;
    line.elem = elem;
    if (elem != nullptr) {
        line.channels = snd_mixer_selem_is_playback_mono(elem) ? 1 : 2;
        long min = 0, max = 0;
        if (snd_mixer_selem_has_playback_volume(elem) &&
            snd_mixer_selem_get_playback_volume_range(elem, &min, &max) == 0 && max > min) {
            line.range = CardRange{min, max};
            line.controls.push_back({nextControlId_++, MIXERCONTROL_CONTROLTYPE_VOLUME});
        }
        if (snd_mixer_selem_has_playback_switch(elem))
            line.controls.push_back({nextControlId_++, MIXERCONTROL_CONTROLTYPE_MUTE});
    }
    // A source line exists only where its element has a playback control;
    // the destination exists even without controls of its own.
    if (line.isSource && line.controls.empty()) return false;
    if (line.isSource) {
        line.source = static_cast<DWORD>(lines_.size() - 1);
        line.id = (line.source + 1) << 16;
    } else {
        line.id = 0xFFFF0000u;
    }
    lines_.push_back(std::move(line));
    return true;
}

void AlsaCard::FindLines(const ElementName &aux) {
    snd_mixer_elem_t *auxElem = LastElement(mixer_.get(), aux);
    for (const ElementLine &known : kElementLines) {
        snd_mixer_elem_t *found = LastElement(mixer_.get(), ElementName{known.element, 0});
        bool isSource = known.componentType >= MIXERLINE_COMPONENTTYPE_SRC_FIRST;
        // The chosen element is the auxiliary line instead of its natural one.
        if (isSource && found != nullptr && found == auxElem) continue;
        AddLine(found, known.componentType, known.name, known.element);
    }
    if (auxElem != nullptr)
        AddLine(auxElem, MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, "Auxiliary", snd_mixer_selem_get_name(auxElem));
}

const AlsaLine *AlsaCard::AuxLine() const {
    for (const AlsaLine &line : lines_)
        if (line.componentType == MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY) return &line;
    return nullptr;
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
    CopyName(out.Target.szPname, sizeof out.Target.szPname, device_);
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

static void FillControl(MIXERCONTROLA &out, const AlsaControl &control, const AlsaLine &line) {
    std::memset(&out, 0, sizeof out);
    out.cbStruct = sizeof out;
    out.dwControlID = control.id;
    out.dwControlType = control.type;
    out.fdwControl = line.channels == 1 ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    bool volume = control.type == MIXERCONTROL_CONTROLTYPE_VOLUME;
    const char *name = volume ? "Volume" : "Mute";
    CopyName(out.szShortName, sizeof out.szShortName, name);
    CopyName(out.szName, sizeof out.szName, name);
    out.Bounds.dwMinimum = 0;
    out.Bounds.dwMaximum = volume ? kScaleMax : 1;
    // The card's own steps, as many as the scale can tell apart.
    out.Metrics.cSteps = volume ? static_cast<DWORD>(line.range.Span() < kScaleMax ? line.range.Span() : kScaleMax) : 0;
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
        FillControl(slot(0), *control, *line);
        return MMSYSERR_NOERROR;
    }
    for (const AlsaLine &line : lines_) {
        if (line.id != request.dwLineID) continue;
        if (query == MIXER_GETLINECONTROLSF_ALL) {
            if (request.cControls != line.controls.size()) return MMSYSERR_INVALPARAM;
            for (DWORD i = 0; i < request.cControls; ++i) FillControl(slot(i), line.controls[i], line);
            return MMSYSERR_NOERROR;
        }
        if (query != MIXER_GETLINECONTROLSF_ONEBYTYPE) return MMSYSERR_INVALFLAG;
        for (const AlsaControl &control : line.controls)
            if (control.type == request.dwControlType) {
                FillControl(slot(0), control, line);
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

AlsaCard::DetailsTarget AlsaCard::TargetOf(const MIXERCONTROLDETAILS &details, DWORD query) const {
    const AlsaControl *control = nullptr;
    const AlsaLine *line = FindControl(details.dwControlID, &control);
    if (line == nullptr) return {MIXERR_INVALCONTROL, nullptr, false};
    return {CheckValueLayout(details, query), line, control->type == MIXERCONTROL_CONTROLTYPE_MUTE};
}

DWORD AlsaCard::GetControlDetails(MIXERCONTROLDETAILS &details, DWORD query) {
    const DetailsTarget target = TargetOf(details, query);
    if (target.result != MMSYSERR_NOERROR) return target.result;
    const AlsaLine *line = target.line;
    Refresh();
    DWORD out[2] = {0, 0};
    for (DWORD channel = 0; channel < details.cChannels; ++channel) {
        snd_mixer_selem_channel_id_t id = Channel(*line, channel);
        if (target.mute) {
            int on = 0;
            if (snd_mixer_selem_get_playback_switch(line->elem, id, &on) < 0) return MMSYSERR_ERROR;
            out[channel] = on ? 0u : 1u;
        } else {
            long card = 0;
            if (snd_mixer_selem_get_playback_volume(line->elem, id, &card) < 0) return MMSYSERR_ERROR;
            out[channel] = CardToScale(card, line->range);
        }
    }
    for (DWORD channel = 0; channel < details.cChannels; ++channel)
        std::memcpy(ValueSlot(details, channel), &out[channel], sizeof out[channel]);
    return MMSYSERR_NOERROR;
}

DWORD AlsaCard::SetControlDetails(MIXERCONTROLDETAILS &details, DWORD query) {
    const DetailsTarget target = TargetOf(details, query);
    if (target.result != MMSYSERR_NOERROR) return target.result;
    const AlsaLine *line = target.line;
    // A mono element takes the first value; the second is not looked at.
    DWORD raw[2] = {0, 0};
    for (DWORD channel = 0; channel < line->channels; ++channel) {
        std::memcpy(&raw[channel], ValueSlot(details, channel < details.cChannels ? channel : 0), sizeof(DWORD));
        if (!target.mute && raw[channel] > kScaleMax) return MIXERR_INVALVALUE;  // nothing written
    }
    // Another program's changes first, so that writing one channel keeps the
    // other channel's current value.
    Refresh();
    int written = 0;
    for (DWORD channel = 0; channel < line->channels && written >= 0; ++channel) {
        snd_mixer_selem_channel_id_t id = Channel(*line, channel);
        if (target.mute)
            written = snd_mixer_selem_set_playback_switch(line->elem, id, raw[channel] == 0 ? 1 : 0);
        else
            written = snd_mixer_selem_set_playback_volume(line->elem, id, ScaleToCard(raw[channel], line->range));
    }
    return written < 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

}  // namespace tvmixalsa
