// audio init|volume [V|P%|+P%|-P%]|mute [on|off|toggle]: the TV sound line of the
// system mixer, and with the ALSA mixer what the sound card itself holds.
#include <fmt/format.h>

#include "audio_mode_ops.h"
#include "audio_ops.h"
#include "commands.h"
#include "driver_alsa.h"
#include "volume_words.h"

namespace tvctl {

namespace {

// Fills the card's part of the answer when the ALSA mixer serves; its line.
std::string RecordCard(Session &session, Reply &reply) {
    std::string why;
    std::optional<TvMixAlsaElement> element = DescribeAlsaElement(session, why);
    if (!element) {
        if (!why.empty()) Note(session, reply, why);
        return "";
    }
    nlohmann::ordered_json card = {{"device", element->device}, {"element", element->element},
                                   {"index", element->index}, {"channels", element->channels}};
    // One value for each channel.
    auto perChannel = [&element](auto value) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (uint32_t c = 0; c < element->channels; ++c) list.push_back(value(c));
        return list;
    };
    if (element->hasVolume) {
        card["min"] = element->min;
        card["max"] = element->max;
        card["value"] = perChannel([&](uint32_t c) { return element->value[c]; });
        if (element->hasDb)
            card["dB"] = perChannel([&](uint32_t c) { return static_cast<double>(element->db[c]) / 100.0; });
    }
    if (element->hasSwitch) card["switch"] = perChannel([&](uint32_t c) { return element->switchOn[c] != 0; });
    reply.data["card"] = card;
    return DescribeCardLine(*element);
}

// A change by a percentage that would leave the card where it is (a range of
// a few steps) moves it one step of its own, as a user pressing +1% expects.
uint64_t AtLeastOneCardStep(const Session &session, const VolumeWords &words, uint64_t target) {
    if (!words.relative || words.amount == 0) return target;
    return AtLeastOneAlsaStep(session, target, !words.down);
}

class AudioCommand : public Command {
public:
    explicit AudioCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        app.add_option("--card", card_, "ALSA sound card: a number (hw:N) or an ALSA device name");
        app.add_option("--element", element_, "ALSA mixer element that carries the TV sound (default Aux; e.g. Line)");
        // The sub-apps live only as long as the parse; the choice is kept here.
        auto chosen = [this](CLI::App *sub) { sub->callback([this, sub] { sub_ = sub->get_name(); }); return sub; };
        chosen(app.add_subcommand("init", "find the TV sound line and show its controls"));
        CLI::App *volume = chosen(app.add_subcommand(
            "volume", "set the volume of both channels, or show it: audio volume [V | P% | +P% | -P% | +V | -V]"));
        Bind(*volume, "volume", volume_, ParseVolumeWords, "the new volume, a percentage of the range, or a change");
        CLI::App *mute =
            chosen(app.add_subcommand("mute", "turn mute on or off, switch it over, or show it: audio mute [on|off|toggle]"));
        BindChoice(*mute, "state", muteText_, {"on", "off", "toggle"}, "on, off or toggle");
        CLI::App *mode = chosen(app.add_subcommand(
            "mode", "the tuner's audio mode, and what it receives: audio mode [mono|stereo|lang1|lang2|sap|lang1+lang2]"));
        BindChoice(*mode, "mode", modeText_, {"mono", "stereo", "lang1", "lang2", "sap", "lang1+lang2"},
                   "the audio mode to set");
    }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        if (sub_ == "mode") return RunAudioMode(session, modeText_, reply);
        if (std::string refusal = ChooseCard(session); !refusal.empty()) return reply.Fail(refusal, kExitUsage);
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        found_ = session.audioTried ? "(found earlier)" : "found";
        usable_ = EnsureAudio(session, *tv, reply, sub_ == "init" ? nullptr : sub_ == "volume" ? "volume" : "mute");
        const TvMixerLine &line = session.audio;
        reply.data.update({{"volumeMin", line.volumeMin}, {"volumeMax", line.volumeMax},
                           {"volumeControlId", line.volumeControlId}, {"muteControlId", line.muteControlId}});
        if (!usable_ || sub_ == "init") {
            // A mixer that was opened shows what the card holds, whatever its line lacks.
            if (usable_ || line.mixerHandle != 0) cardLine_ = RecordCard(session, reply);
            return;
        }
        if (sub_ == "volume") {
            if (volume_) {
                bool clamped = false;
                uint32_t now = volume_->relative ? tv->GetTVVol(&session.audio) : 0;
                uint64_t target = VolumeTarget(*volume_, line.volumeMin, line.volumeMax, now, &clamped);
                target = AtLeastOneCardStep(session, *volume_, target);
                if (!SetVolume(session, *tv, target, reply)) return;
                reply.data["set"] = target;
                if (clamped) Note(session, reply, fmt::format("the volume stops at {}", target));
            }
            RecordVolume(session, *tv, reply);
        } else if (!muteText_.empty()) {
            bool mute = muteText_ == "on" || (muteText_ == "toggle" && tv->GetTVMute(&session.audio) == 0);
            if (!SetMute(session, *tv, mute, reply)) return;
            reply.data["mute"] = mute;
        } else {
            reply.data["mute"] = tv->GetTVMute(&session.audio) != 0;
        }
        cardLine_ = RecordCard(session, reply);
    }
    std::string Text(const Record &record) const override {
        std::string text;
        if (sub_ == "init" && usable_)
            text = fmt::format("TV sound line {}: volume control {} (range {}-{}), mute control {}\n", found_,
                               record["volumeControlId"].dump(), record["volumeMin"].dump(),
                               record["volumeMax"].dump(), record["muteControlId"].dump());
        if (record.contains("set")) text += fmt::format("volume set to {} (both channels)\n", record["set"].dump());
        if (record.contains("percent"))
            text += fmt::format("volume {} / {} (left / right; range {}-{}) = {}% / {}%\n", record["left"].dump(),
                                record["right"].dump(), record["volumeMin"].dump(), record["volumeMax"].dump(),
                                record["percent"][0].dump(), record["percent"][1].dump());
        if (record.contains("mute")) text += fmt::format("mute {}\n", record["mute"].get<bool>() ? "on" : "off");
        return cardLine_.empty() ? text : text + cardLine_ + "\n";
    }

private:
    // --card and --element become the ALSA mixer's settings before the host
    // first counts its devices; later in a session they could no longer apply.
    // The host loads its mixer drivers and counts their devices at the first
    // mixer call, which in a session is the first InitTVAudio (audioTried), so
    // the settings made before it are the ones the driver reads. Answers the
    // refusal, or "" when the settings apply.
    std::string ChooseCard(const Session &session) const {
        if (card_.empty() && element_.empty()) return "";
        if (!AlsaMixerServes(session))
            return "--card and --element choose the ALSA mixer's sound card and element: add --mixer alsa";
        if (!AlsaSettingsDiffer(card_, element_)) return "";
        if (session.audioTried)
            return "the TV sound line was chosen earlier in this session: give --card and --element on the first "
                   "audio command";
        UseAlsaCard(card_, element_);
        return "";
    }

    void RecordVolume(Session &session, const TvCalls &tv, Reply &reply) {
        const TvMixerLine &line = session.audio;
        uint32_t left = tv.GetTVVol(&session.audio);
        reply.data["left"] = left;
        reply.data["right"] = line.rightVolume;
        auto percent = [&line](uint32_t value) {
            uint64_t span = line.volumeMax > line.volumeMin ? uint64_t{line.volumeMax} - line.volumeMin : 0;
            return span == 0 || value < line.volumeMin ? 0 : ((uint64_t{value} - line.volumeMin) * 100 + span / 2) / span;
        };
        reply.data["percent"] = {percent(left), percent(line.rightVolume)};
    }

    std::string sub_;  // the audio command chosen
    std::optional<VolumeWords> volume_;
    std::string muteText_, modeText_;
    bool usable_ = false;   // the line serves what was asked
    std::string found_;     // the line was found by this command, or earlier
    std::string cardLine_;  // what the sound card holds, in words
    std::string card_, element_;
};

}  // namespace

std::vector<CommandEntry> AudioCommands() {
    return {Entry<AudioCommand>("audio")};
}

}  // namespace tvctl
