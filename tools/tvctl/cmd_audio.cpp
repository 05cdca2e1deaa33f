// audio init|volume [V]|mute [on|off]: the TV sound line of the system mixer.
#include <fmt/format.h>

#include "audio_ops.h"
#include "bus_words.h"
#include "commands.h"
#include "numbers.h"

namespace tvctl {

namespace {

bool Contains(const std::vector<std::string> &lines, const char *text) {
    for (const std::string &line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

const char *MixerKind(const Session &session) {
    if (!session.Options().host.mixerGiven && !session.Host().mixers.empty() &&
        session.Host().mixers.find("tvmixsim") == std::string::npos &&
        session.Host().mixers.find("tvmixalsa") == std::string::npos)
        return "the mixer named by TVHOST_MIXERS";
    return session.Host().mixers.find("tvmixalsa") != std::string::npos ? "the ALSA mixer" : "the simulated mixer";
}

}  // namespace

bool EnsureAudio(Session &session, const TvCalls &tv, Reply &reply, const char *need) {
    TvMixerLine &line = session.audio;
    if (!session.audioTried) {
        session.audioTried = true;
        session.TakeDebugLines();
        session.audioReady = tv.InitTVAudio(&line) == 1;
        std::vector<std::string> debug = session.TakeDebugLines();
        if (line.mixerHandle == 0) {
            // Nothing was opened: no device, or the open failed.
            session.audioReady = false;
            if (Contains(debug, "No Mixers Found") || mixerGetNumDevs() < 1)
                reply.Fail(fmt::format("no mixer device: {} has none (InitTVAudio wrote \"No Mixers Found\")",
                                       MixerKind(session)));
            else
                reply.Fail(fmt::format("{} could not be opened (InitTVAudio answered 0 before finding the TV "
                                       "sound line)",
                                       MixerKind(session)));
            return false;
        }
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
        reply.Fail(fmt::format("TV audio cannot be used{}: {}", need ? fmt::format(" for {}", need) : "", missing));
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
    if (result == MIXERR_INVALVALUE)
        reply.Fail(fmt::format("volume {} is out of range ({}-{})", volume, line.volumeMin, line.volumeMax));
    else
        reply.Fail(fmt::format("the mixer refused volume {}: {}", volume, MixerResultName(result)));
    return false;
}

bool SetMute(Session &session, const TvCalls &tv, bool mute, Reply &reply) {
    uint32_t result = tv.SetTVMute(&session.audio, mute ? 1 : 0);
    if (result == MMSYSERR_NOERROR) return true;
    reply.Fail(fmt::format("the mixer refused to turn mute {}: {}", mute ? "on" : "off", MixerResultName(result)));
    return false;
}

namespace {

class AudioCommand : public Command {
public:
    explicit AudioCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        app.footer("TV sound is the auxiliary source line of the system mixer (the simulated mixer unless\n"
                   "--mixer alsa). The line is looked up once per session with InitTVAudio; volume and mute then\n"
                   "use it. Volumes go to the mixer unchanged; a volume outside the control's range is refused.");
        // The sub-apps live only as long as the parse; the choice is kept here.
        auto chosen = [this](CLI::App *sub) { sub->callback([this, sub] { sub_ = sub->get_name(); }); return sub; };
        chosen(app.add_subcommand("init", "find the TV sound line and show its controls"));
        CLI::App *volume = chosen(app.add_subcommand("volume", "set the volume of both channels, or show it: audio volume [V]"));
        volume->add_option("volume", volumeText_, "the new volume (within the control's range)");
        CLI::App *mute = chosen(app.add_subcommand("mute", "turn mute on or off, or show it: audio mute [on|off]"));
        mute->add_option("state", muteText_, "on or off")->check(CLI::IsMember({"on", "off"}));
    }
    std::string Name() const override { return "audio " + sub_; }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        std::optional<uint64_t> volume;
        if (sub_ == "volume" && !volumeText_.empty()) {
            volume = ParseNumber(volumeText_);
            if (!volume) return reply.Fail(fmt::format("volume \"{}\" is not a number", volumeText_));
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        const bool first = !session.audioTried;
        const char *need = sub_ == "init" ? nullptr : sub_ == "volume" ? "volume" : "mute";
        bool usable = EnsureAudio(session, *tv, reply, need);
        const TvMixerLine &line = session.audio;
        reply.data["volumeMin"] = line.volumeMin;
        reply.data["volumeMax"] = line.volumeMax;
        reply.data["volumeControlId"] = line.volumeControlId;
        reply.data["muteControlId"] = line.muteControlId;
        if (!usable) return;
        const Console &out = session.Out();
        if (sub_ == "init") {
            out.Print("TV sound line {}: volume control {} (range {}-{}), mute control {}",
                      first ? "found" : "(found earlier)", line.volumeControlId, line.volumeMin, line.volumeMax,
                      line.muteControlId);
            return;
        }
        if (sub_ == "volume") {
            if (volume) {
                if (!SetVolume(session, *tv, *volume, reply)) return;
                reply.data["set"] = *volume;
                out.Print("volume set to {} (both channels)", *volume);
                return;
            }
            uint32_t left = tv->GetTVVol(&session.audio);
            reply.data["left"] = left;
            reply.data["right"] = line.rightVolume;
            out.Print("volume {} / {} (left / right; range {}-{})", left, line.rightVolume, line.volumeMin,
                      line.volumeMax);
            return;
        }
        if (!muteText_.empty()) {
            bool mute = muteText_ == "on";
            if (!SetMute(session, *tv, mute, reply)) return;
            reply.data["mute"] = mute;
            out.Print("mute {}", mute ? "on" : "off");
            return;
        }
        uint32_t mute = tv->GetTVMute(&session.audio);
        reply.data["mute"] = mute != 0;
        out.Print("mute {}", mute ? "on" : "off");
    }

private:
    std::string sub_;  // the audio command chosen
    std::string volumeText_, muteText_;
};

}  // namespace

std::vector<CommandEntry> AudioCommands() {
    return {{"audio", "TV sound: audio init | audio volume [V] | audio mute [on|off]",
             [](CLI::App &app) { return std::make_unique<AudioCommand>(app); }}};
}

}  // namespace tvctl
