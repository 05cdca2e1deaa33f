// The sound card's own view of the TV sound element, for the audio command:
// what ALSA holds (the card's value, range and dB figure), asked of the ALSA
// mixer driver itself so that it names the same card and element the mixer
// serves. Only when that driver is the session's one mixer driver.
#pragma once

#include <optional>
#include <string>

#include "session.h"
#include "tvmixalsa.h"

namespace tvctl {

// True when the session's mixer is the ALSA mixer driver alone.
bool AlsaMixerServes(const Session &session);

// The element of mixer device 0 (the one the library opens) as the card holds
// it; empty with `why` set when the driver cannot tell.
std::optional<TvMixAlsaElement> DescribeAlsaElement(const Session &session, std::string &why);

// "card hw:0, element 'Aux': 19 / 19 of 0..31 [-10.50dB / -10.50dB], switch on"
std::string DescribeCardLine(const TvMixAlsaElement &element);

}  // namespace tvctl
