// TV audio as tvctl uses it: the record set up once per session, and the
// mixer's answers put into words. Shared by the audio command and the tour.
#pragma once

#include <cstdint>
#include <string>

#include "console.h"
#include "session.h"

namespace tvctl {

// The mixer in use in words, and where it was chosen ("the ALSA mixer (the
// installation's default mixer driver, tvmixalsa)").
std::string MixerKind(const Session &session);

// Runs InitTVAudio on the session's record the first time; false, with
// `reply` failed and explained, when the TV sound line cannot be used for
// `need` ("volume" or "mute"; nullptr: both).
bool EnsureAudio(Session &session, const TvCalls &tv, Reply &reply, const char *need);

// Sets the volume; false with `reply` failed when the mixer refuses.
bool SetVolume(Session &session, const TvCalls &tv, uint64_t volume, Reply &reply);

// Sets the mute; false with `reply` failed when the mixer refuses.
bool SetMute(Session &session, const TvCalls &tv, bool mute, Reply &reply);

}  // namespace tvctl
