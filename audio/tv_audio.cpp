// TV audio: the TV sound is the auxiliary source line of mixer device 0.
// InitTVAudio finds the line's volume and mute controls and records them in
// the caller's TvMixerLine; the four value calls go through that record.
//
// Three guards beyond the mixer's own checks:
//   - a null record is refused before any memory is touched;
//   - no call exchanges more than the two values its buffer holds, whatever
//     channelCount says;
//   - the read calls start from a zeroed buffer, so a failed read gives 0
//     rather than whatever the stack held.
#include <type_traits>

#include "audio/tv_audio.h"
#include "tvcore.h"

namespace tvcore {

uint32_t mixerOpened = 0;
HMIXER mixerHandleCopy = 0;

namespace {

// Values in a call's buffer: one per channel, left first.
constexpr DWORD kBufferChannels = 2;

// The record keeps the handle in a 32-bit word. HMIXER is that word on the
// host and on 32-bit Windows, and a pointer-sized handle elsewhere; this
// moves the value between the two, either way, without changing it.
template <typename To, typename From>
To Recast(From from) {
    if constexpr (std::is_pointer_v<To>)
        return reinterpret_cast<To>(static_cast<UINT_PTR>(from));
    else if constexpr (std::is_pointer_v<From>)
        return static_cast<To>(reinterpret_cast<UINT_PTR>(from));
    else
        return static_cast<To>(from);
}

HMIXEROBJ MixerOf(const TvMixerLine &line) { return Recast<HMIXEROBJ>(line.mixerHandle); }

// channelCount, limited to the channels the buffer holds.
DWORD ChannelsToExchange(const TvMixerLine &line) {
    return line.channelCount < kBufferChannels ? line.channelCount : kBufferChannels;
}

MIXERCONTROLDETAILS DetailsFor(DWORD controlId, DWORD channels, DWORD valueSize, void *values) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(MIXERCONTROLDETAILS);
    details.dwControlID = controlId;
    details.cChannels = channels;
    details.cMultipleItems = 0;
    details.cbDetails = valueSize;
    details.paDetails = values;
    return details;
}

// Sets `value` on every channel the line exchanges (the library always
// writes both channels the same).
template <typename Value>
MMRESULT SetOnEveryChannel(const TvMixerLine &line, DWORD controlId, Value value) {
    Value values[kBufferChannels] = {value, value};
    MIXERCONTROLDETAILS details = DetailsFor(controlId, ChannelsToExchange(line), sizeof(Value), values);
    return mixerSetControlDetails(MixerOf(line), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
}

// Asks the line for its one control of `controlType`.
MMRESULT FindControl(HMIXEROBJ mixer, DWORD lineId, DWORD controlType, MIXERCONTROLA &control) {
    MIXERLINECONTROLSA request{};
    request.cbStruct = sizeof(MIXERLINECONTROLSA);
    request.dwLineID = lineId;
    request.dwControlType = controlType;
    request.cControls = 1;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = &control;
    return mixerGetLineControlsA(mixer, &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE);
}

}  // namespace

}  // namespace tvcore

// The exports, at global scope under their C names.
using namespace tvcore;

extern "C" {

uint32_t TVCORE_CALL InitTVAudio(TvMixerLine *line) {
    if (line == nullptr) return 0;
    *line = TvMixerLine{};
    line->channelCount = kBufferChannels;

    if (mixerGetNumDevs() < 1) {
        OutputDebugStringA("No Mixers Found");
        return 0;
    }

    // The open writes the handle into the record's word, as if it were given
    // the word's address, whatever width HMIXER has.
    HMIXER handle = Recast<HMIXER>(line->mixerHandle);
    MMRESULT opened = mixerOpen(&handle, 0, 0, 0, CALLBACK_WINDOW);
    line->mixerHandle = Recast<uint32_t>(handle);
    if (opened != MMSYSERR_NOERROR) return 0;
    mixerHandleCopy = handle;
    mixerOpened = 1;

    HMIXEROBJ mixer = MixerOf(*line);
    MIXERLINEA auxLine{};
    auxLine.cbStruct = sizeof(MIXERLINEA);
    auxLine.dwDestination = 0;
    auxLine.dwSource = 0;
    auxLine.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    if (mixerGetLineInfoA(mixer, &auxLine, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return 0;

    MIXERCONTROLA control{};
    if (FindControl(mixer, auxLine.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, control) != MMSYSERR_NOERROR) return 0;
    line->volumeControlId = control.dwControlID;
    line->volumeMin = control.Bounds.dwMinimum;
    line->volumeMax = control.Bounds.dwMaximum;

    if (FindControl(mixer, auxLine.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, control) != MMSYSERR_NOERROR) return 0;
    line->muteControlId = control.dwControlID;
    return 1;
}

uint32_t TVCORE_CALL SetTVVol(TvMixerLine *line, uint32_t volume) {
    if (line == nullptr) return MMSYSERR_INVALPARAM;
    return SetOnEveryChannel(*line, line->volumeControlId, MIXERCONTROLDETAILS_UNSIGNED{volume});
}

uint32_t TVCORE_CALL GetTVVol(TvMixerLine *line) {
    if (line == nullptr) return 0;
    MIXERCONTROLDETAILS_UNSIGNED values[kBufferChannels] = {{0}, {0}};
    MIXERCONTROLDETAILS details =
        DetailsFor(line->volumeControlId, ChannelsToExchange(*line), sizeof(MIXERCONTROLDETAILS_UNSIGNED), values);
    mixerGetControlDetailsA(MixerOf(*line), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE);
    line->leftVolume = values[0].dwValue;
    line->rightVolume = values[1].dwValue;
    return line->leftVolume;
}

uint32_t TVCORE_CALL SetTVMute(TvMixerLine *line, uint32_t mute) {
    if (line == nullptr) return MMSYSERR_INVALPARAM;
    return SetOnEveryChannel(*line, line->muteControlId, MIXERCONTROLDETAILS_BOOLEAN{static_cast<LONG>(mute)});
}

uint32_t TVCORE_CALL GetTVMute(TvMixerLine *line) {
    if (line == nullptr) return 0;
    MIXERCONTROLDETAILS_BOOLEAN value = {0};
    MIXERCONTROLDETAILS details = DetailsFor(line->muteControlId, 1, sizeof(MIXERCONTROLDETAILS_BOOLEAN), &value);
    mixerGetControlDetailsA(MixerOf(*line), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE);
    return static_cast<uint32_t>(value.fValue);
}

}  // extern "C"

void tvcore::ReleaseTVAudio() {
    if (mixerOpened != 0) mixerClose(mixerHandleCopy);
}
