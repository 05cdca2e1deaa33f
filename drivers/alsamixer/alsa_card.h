// One ALSA control device seen as a mixer device: a destination line
// ("Master") and source lines for the usual simple elements, each with a
// volume control (the element's "Playback Volume") and a mute control (its
// "Playback Switch", mute = switch off). Values are read from and written to
// the control device at every request, so changes made by other programs
// are always seen.
#pragma once

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

#include "tvhost/win32.h"

namespace tvmixalsa {

struct AlsaControl {
    DWORD id = 0;    // unique within the device, never 0
    DWORD type = 0;  // MIXERCONTROL_CONTROLTYPE_VOLUME or _MUTE
    snd_ctl_elem_id_t *elem = nullptr;  // the ALSA element (owned)
    unsigned elementChannels = 1;       // values the element holds
    long min = 0, max = 1;              // the element's range (0..1 for a switch)
};

struct AlsaLine {
    DWORD id = 0;
    DWORD destination = 0;
    DWORD source = 0;
    bool isSource = false;
    DWORD componentType = 0;
    DWORD channels = 1;  // 1 or 2
    std::string shortName, name;
    std::vector<AlsaControl> controls;
};

class AlsaCard {
public:
    ~AlsaCard();

    // Opens the control device `name` (e.g. "hw:0") and finds its lines.
    // Answers MMSYSERR_NOERROR, or MMSYSERR_NODRIVER when it cannot be opened.
    DWORD Open(const std::string &name);

    DWORD GetLineInfo(MIXERLINEA &line, DWORD query, UINT deviceId) const;
    DWORD GetLineControls(MIXERLINECONTROLSA &request, DWORD query) const;
    DWORD GetControlDetails(MIXERCONTROLDETAILS &details, DWORD query);
    DWORD SetControlDetails(MIXERCONTROLDETAILS &details, DWORD query);

private:
    void FindLines();
    bool AddControl(AlsaLine &line, const std::string &element, DWORD type);
    const AlsaLine *FindControl(DWORD controlId, const AlsaControl **found) const;
    void FillLine(MIXERLINEA &out, const AlsaLine &line, UINT deviceId) const;

    std::string name_;
    snd_ctl_t *ctl_ = nullptr;
    std::vector<AlsaLine> lines_;  // the destination first, then the sources
    DWORD nextControlId_ = 1;
};

// True when the control device `name` opens and has mixer elements.
bool HasMixerElements(const std::string &name);

}  // namespace tvmixalsa
