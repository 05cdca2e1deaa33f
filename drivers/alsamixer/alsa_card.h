// One ALSA card seen as a mixer device, through alsa-lib's simple-mixer
// layer (the elements `amixer` shows: "Master", "PCM", "Line", "Aux", ...),
// which groups a driver's controls into elements whatever it calls them
// ("Aux Playback Volume", "Aux Volume", "Line Volume"). Lines: the
// destination "Master", the sources PCM, CD, Line and Mic with their natural
// types, and the auxiliary source: the element named by TVMIXALSA_ELEMENT
// (default "Aux"), which takes the place of its natural line when it is one
// of those. On each line the volume control is the element's playback volume
// on the 0..65535 scale (tvmixalsa_scale.h) and the mute control its playback
// switch (mute = switch off).
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tvhost/win32.h"
#include "tvmixalsa_scale.h"

namespace tvmixalsa {

struct AlsaControl {
    DWORD id = 0;    // unique within the device, never 0
    DWORD type = 0;  // MIXERCONTROL_CONTROLTYPE_VOLUME or _MUTE
};

struct AlsaLine {
    DWORD id = 0;
    DWORD source = 0;
    bool isSource = false;
    DWORD componentType = 0;
    DWORD channels = 1;  // 1 or 2
    std::string shortName, name;
    snd_mixer_elem_t *elem = nullptr;  // owned by the card's mixer
    CardRange range;                   // the playback volume's range
    std::vector<AlsaControl> controls;
};

// The auxiliary element's name as the setting gives it: "NAME" or
// "NAME,INDEX" as amixer writes it; "Aux" when unset or empty.
struct ElementName {
    std::string name = "Aux";
    unsigned index = 0;
};
ElementName AuxElementSetting();

class AlsaCard {
public:
    // Opens the ALSA device `device` (e.g. "hw:0") as a simple mixer and
    // finds its lines, with `aux` as the auxiliary source. Answers
    // MMSYSERR_NOERROR, or MMSYSERR_NODRIVER when it cannot be opened.
    DWORD Open(const std::string &device, const ElementName &aux);

    DWORD GetLineInfo(MIXERLINEA &line, DWORD query, UINT deviceId) const;
    DWORD GetLineControls(MIXERLINECONTROLSA &request, DWORD query) const;
    DWORD GetControlDetails(MIXERCONTROLDETAILS &details, DWORD query);
    DWORD SetControlDetails(MIXERCONTROLDETAILS &details, DWORD query);

    // The auxiliary source line, or nullptr when the card has no such element.
    const AlsaLine *AuxLine() const;
    // Takes in changes other programs made to the card since the last call.
    void Refresh();

private:
    void FindLines(const ElementName &aux);
    bool AddLine(snd_mixer_elem_t *elem, DWORD componentType, const char *name, const std::string &shortName);
    const AlsaLine *FindControl(DWORD controlId, const AlsaControl **found) const;
    // The line and the kind of control a details request names, once the
    // request's value layout is checked; `result` is the mixer's answer when
    // it cannot be served.
    struct DetailsTarget {
        DWORD result;
        const AlsaLine *line;
        bool mute;
    };
    DetailsTarget TargetOf(const MIXERCONTROLDETAILS &details, DWORD query) const;
    void FillLine(MIXERLINEA &out, const AlsaLine &line, UINT deviceId) const;

    struct CloseMixer {
        void operator()(snd_mixer_t *mixer) const { snd_mixer_close(mixer); }
    };

    std::string device_;
    std::unique_ptr<snd_mixer_t, CloseMixer> mixer_;
    std::vector<AlsaLine> lines_;  // the destination first, then the sources
    DWORD nextControlId_ = 1;
};

// True when the control device `name` opens and has mixer elements.
bool HasMixerElements(const std::string &name);

}  // namespace tvmixalsa
