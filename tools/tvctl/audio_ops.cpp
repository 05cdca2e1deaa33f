// TV audio as tvctl uses it (audio_ops.h): the record set up once per
// session, and the mixer's answers put into words.
#include "audio_ops.h"

#include <fmt/format.h>

#include "bus_words.h"
#include "commands.h"
#include "driver_alsa.h"

namespace tvctl {

namespace {

// " (<why>)" after a sentence, when the drivers said why; "" when not.
std::string Because(const std::string &why) { return why.empty() ? "" : " (" + why + ")"; }

// How to reach a TV sound line when the mixer in use has none.
std::string MixerChoices(const Session &session) {
    std::string text = "; --mixer sim uses the simulated mixer, TVHOST_MIXERS chooses the mixer drivers";
    if (NamesAlsaMixer(session.Host().mixers)) text += std::string(", ") + AlsaElementHint();
    text += "; TVHOST_DEBUG=stderr shows the library's own words";
    return text;
}

}  // namespace

std::string MixerKind(const Session &session) {
    const HostSetup &host = session.Host();
    const bool alsa = NamesAlsaMixer(host.mixers);
    const bool sim = host.mixers.find("tvmixsim") != std::string::npos;
    const bool v4l2 = host.mixers.find("tvmixv4l2") != std::string::npos;
    const char *name = host.mixers.find(',') != std::string::npos ? "the mixers"
                       : alsa                                       ? "the ALSA mixer"
                       : sim                                        ? "the simulated mixer"
                       : v4l2                                       ? "the V4L2 mixer"
                                                                    : "the mixer";
    switch (host.mixersFrom) {
        case MixerSource::Option: return fmt::format("{} (--mixer)", name);
        case MixerSource::Setting: return fmt::format("{} that TVHOST_MIXERS names ({})", name, host.mixers);
        case MixerSource::File: return fmt::format("{} (the settings file)", name);
        case MixerSource::Command: return name;
        case MixerSource::Default: break;
    }
    return fmt::format("{} (the installation's default mixer driver, {})", name, host.mixers);
}

bool EnsureAudio(Session &session, const TvCalls &tv, Reply &reply, const char *need) {
    TvMixerLine &line = session.audio;
    if (!session.audioTried) {
        session.audioTried = true;
        session.audioReady = tv.InitTVAudio(&line) == 1;
        if (line.mixerHandle == 0) {
            // Nothing was opened: no device, or the open failed.
            session.audioReady = false;
            reply.Fail(mixerGetNumDevs() < 1
                           ? fmt::format("no mixer device: {} has none{}{}", MixerKind(session),
                                         Because(MixerRefusals(session.Host().mixers)), MixerChoices(session))
                           : fmt::format("{} could not be opened (InitTVAudio answered 0 before finding the TV "
                                         "sound line){}",
                                         MixerKind(session), MixerChoices(session)));
            return false;
        }
        if (session.Host().mixersFrom == MixerSource::Option || session.Host().mixersFrom == MixerSource::File)
            Note(session, reply,
                 fmt::format("TV sound through {} for this run; a program that loads the library gets {}",
                             MixerKind(session), session.Host().libraryMixers));
        if (!session.audioReady)
            Note(session, reply,
                 line.volumeControlId == 0
                     ? fmt::format("{} has no auxiliary source line with a volume control: there is no TV sound "
                                   "line to control",
                                   MixerKind(session))
                     : fmt::format("the TV sound line of {} has a volume control but no mute control",
                                   MixerKind(session)));
    }
    // A record that InitTVAudio filled only in part still serves what it found.
    const std::string_view wanted = need != nullptr ? need : "";
    const char *missing = line.mixerHandle == 0        ? "no mixer was opened"
                          : line.volumeControlId == 0 ? "the mixer has no auxiliary source line with a volume control"
                          : line.muteControlId == 0 && wanted != "volume" ? "the TV sound line has no mute control"
                                                                          : nullptr;
    if (missing != nullptr) {
        reply.Fail(fmt::format("TV audio cannot be used{}: {} in {}{}", need ? fmt::format(" for {}", need) : "",
                               missing, MixerKind(session), MixerChoices(session)));
        return false;
    }
    return true;
}

bool SetVolume(Session &session, const TvCalls &tv, uint64_t volume, Reply &reply) {
    const TvMixerLine &line = session.audio;
    // The library passes the volume on unchanged; the mixer judges it.
    uint32_t result = volume <= 0xFFFFFFFFu ? tv.SetTVVol(&session.audio, static_cast<uint32_t>(volume))
                                            : static_cast<uint32_t>(MIXERR_INVALVALUE);
    if (result == MMSYSERR_NOERROR) return true;
    reply.Fail(result == MIXERR_INVALVALUE
                   ? fmt::format("volume {} is out of range ({}-{})", volume, line.volumeMin, line.volumeMax)
                   : fmt::format("the mixer refused volume {}: {}", volume, MixerResultName(result)));
    return false;
}

bool SetMute(Session &session, const TvCalls &tv, bool mute, Reply &reply) {
    uint32_t result = tv.SetTVMute(&session.audio, mute ? 1 : 0);
    if (result == MMSYSERR_NOERROR) return true;
    reply.Fail(fmt::format("the mixer refused to turn mute {}: {}", mute ? "on" : "off", MixerResultName(result)));
    return false;
}

}  // namespace tvctl
