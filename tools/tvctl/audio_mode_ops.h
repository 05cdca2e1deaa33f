// The tuner's audio mode (mono, stereo, the first or second language, SAP)
// and the sub-channels it receives, through the V4L2 tuner's audmode and
// rxsubchans. Cards on the other buses have no audio mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "session.h"

namespace tvctl {

// Every mode name a user may type, in the order help lists them.
const std::vector<std::string> &AudioModeNames();
// The V4L2_TUNER_MODE_* a name stands for (sap is lang2), case ignored.
std::optional<uint32_t> ParseAudioMode(std::string_view name);
// A mode's name ("lang2" for V4L2_TUNER_MODE_LANG2, which is also SAP).
std::string AudioModeWords(uint32_t mode);
// The received sub-channels (V4L2_TUNER_SUB_*) as names: "mono stereo".
std::vector<std::string> SubchannelNames(uint32_t rxsubchans);

// audio mode [NAME]: sets the mode when `name` is given, then shows it and
// what the tuner receives; refused in a sentence on a bus without one.
void RunAudioMode(Session &session, const std::string &name, Reply &reply);

}  // namespace tvctl
