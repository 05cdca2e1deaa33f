// Everything tvctl knows of the ALSA mixer driver (tvmixalsa.so,
// tvmixalsa.h): the sound card's own view of the TV sound element (its value,
// range and dB figure, asked of the driver itself so that it names the same
// card and element the mixer serves), its settings, and its volume scale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "session.h"
#include "tvmixalsa.h"

namespace tvctl {

// Whether a list of mixer drivers (TVHOST_MIXERS' form) names the ALSA one.
bool NamesAlsaMixer(const std::string &mixers);

// How to name the ALSA element that carries the TV sound, for a hint.
const char *AlsaElementHint();

// True when the session's mixer is the ALSA mixer driver alone.
bool AlsaMixerServes(const Session &session);

// The element of mixer device 0 (the one the library opens) as the card holds
// it; empty with `why` set when the driver cannot tell.
std::optional<TvMixAlsaElement> DescribeAlsaElement(const Session &session, std::string &why);

// "card hw:0, element 'Aux': 19 / 19 of 0..31 [-10.50dB / -10.50dB], switch on"
std::string DescribeCardLine(const TvMixAlsaElement &element);

// --card and --element as the driver's settings (TVMIXALSA_DEVICES,
// TVMIXALSA_ELEMENT; a bare number N is the card hw:N). Answers whether they
// differ from the settings in force (then the host must count the devices
// again); an empty one is left alone.
bool AlsaSettingsDiffer(const std::string &card, const std::string &element);
void UseAlsaCard(const std::string &card, const std::string &element);

// A change of volume by `up` or down that would leave the card on the step it
// is on moves it one step of its own; `target` is the library's volume
// (0-65535), answered changed or as it was.
uint64_t AtLeastOneAlsaStep(const Session &session, uint64_t target, bool up);

}  // namespace tvctl
