// get, reset: what the card holds beside what this run set, and switching
// the simulated card off and on.
#include <fmt/format.h>

#include "card_readback.h"
#include "commands.h"
#include "module_lookup.h"
#include "result_words.h"
#include "tvcore/card/decoder.h"
#include "tune_ops.h"
#include "tuner_follow.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

// Reads the decoder registers the library writes; false, with the reason in
// `why`, when one cannot be read.
bool ReadDecoder(const Session &session, const TvCalls &tv, DecoderPicture &out, std::string &why) {
    for (auto [reg, into] : {std::pair{kRegInput, &out.input}, std::pair{kRegControl, &out.control},
                             std::pair{kRegBrightness, &out.brightness}, std::pair{kRegContrastLo, &out.contrast},
                             std::pair{kRegSatULo, &out.saturationU}, std::pair{kRegSatVLo, &out.saturationV},
                             std::pair{kRegHue, &out.hue}}) {
        uint32_t result = tv.I2C_Read(kDecoderAddress, reg);
        if (ReadFailed(result)) {
            why = DescribeReadFailure(session.Words(), result);
            return false;
        }
        *into = static_cast<uint8_t>(result);
    }
    return true;
}

class GetCommand : public Command {
public:
    void Run(Session &session, Reply &reply) override {
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr || !FollowV4l2Tuner(session, reply)) return;
        // What this run set, as the library answers it.
        Record set = Record::object();
        for (const auto &[name, id] : kParams) {
            int32_t value = tv->GetTVParam(id);
            if (value < 0) return reply.Fail(UnexpectedResult(fmt::format("GetTVParam({})", id), value));
            set[name] = value;
        }
        reply.data["source"] = SourceName(session.source);
        reply.data.update(set);

        // What the card holds, from its decoder.
        DecoderPicture registers;
        std::string why;
        if (ReadDecoder(session, *tv, registers, why)) {
            CardPicture card = ReadBackPicture(registers, LibraryBoardIsAlternative());
            reply.data["card"] = {{"input", card.input},           {"mux", card.mux},
                                  {"brightness", card.brightness}, {"contrast", card.contrast},
                                  {"hue", card.hue},               {"saturation", card.saturation}};
        } else {
            reply.data["card"] = nullptr;
            Note(session, reply, "the card's decoder cannot be read back: " + why);
        }
        RecordTuner(session, reply);
        ShowDeviceTuner(session, reply);
        if (session.audioReady) {
            reply.data["volume"] = {{"left", tv->GetTVVol(&session.audio)}, {"right", session.audio.rightVolume}};
            reply.data["mute"] = tv->GetTVMute(&session.audio) != 0;
            volumeRange_ = fmt::format("{}-{}", session.audio.volumeMin, session.audio.volumeMax);
        }
    }
    std::string Text(const Record &record) const override {
        if (!record.contains("tuner")) return "";
        const Record &card = record["card"];
        auto held = [&card](const char *name) { return card.is_null() ? std::string("?") : card[name].dump(); };
        std::string text = fmt::format("{:<11} {:<15} {}\n", "", "on the card", "as set");
        text += fmt::format("{:<11} {:<15} {}\n", "source", card.is_null() ? "?" : card["input"].get<std::string>(),
                            record["source"].get<std::string>());
        // The tuner cannot be read back: what it was last tuned to is tvctl's
        // own record, on the tuner line below the table.
        for (const auto &[name, id] : kParams)
            text += fmt::format("{:<11} {:<15} {}\n", name, id == TV_PARAM_CHANNEL ? "-" : held(name), record[name].dump());
        text += TunerText(record["tuner"]) + "\n";
        if (record.contains("volume")) {
            const Record &volume = record["volume"];
            text += fmt::format("{:<11} {} / {} (left / right, {})\n", "volume", volume["left"].dump(),
                                volume["right"].dump(), volumeRange_);
            text += fmt::format("{:<11} {}\n", "mute", record["mute"].get<bool>() ? "on" : "off");
        }
        return text;
    }

private:
    // What this run set, as GetTVParam answers it.
    static constexpr std::pair<const char *, uint32_t> kParams[] = {
        {"channel", TV_PARAM_CHANNEL}, {"brightness", TV_PARAM_BRIGHTNESS}, {"contrast", TV_PARAM_CONTRAST},
        {"hue", TV_PARAM_HUE}, {"saturation", TV_PARAM_SATURATION}};
    std::string volumeRange_;  // the sound line's range, for the text
};

class ResetCommand : public Command {
public:
    bool Traced() const override { return false; }
    void Run(Session &session, Reply &reply) override {
        if (session.Library(reply) == nullptr) return;
        const SimCardCalls *card = session.Card();
        if (card == nullptr)
            return reply.Fail(fmt::format("reset switches the simulated card off and on; the library's bus driver "
                                          "drives {}, which tvctl cannot switch off",
                                          BusDevice(session.Words())));
        const std::string cardFile = TextOfCall(card->StatePath);
        if (card->PowerOn() == 0)
            return reply.Fail(fmt::format("the simulated card's state file {} could not be removed", cardFile));
        reply.data["card"] = {{"stateFile", StateFile(cardFile)}};
        if (const SimMixerCalls *mixer = session.MixerLog()) {
            const std::string mixerFile = TextOfCall(mixer->StatePath);
            if (mixer->ResetValues() == 0)
                return reply.Fail(fmt::format("the simulated mixer's state file {} could not be removed", mixerFile));
            reply.data["mixer"] = {{"stateFile", StateFile(mixerFile)}};
        }
    }
    std::string Text(const Record &record) const override {
        std::string text;
        for (const auto &[key, what] : {std::pair{"card", "simulated card: switched off and on, registers at their power-on values"},
                                        std::pair{"mixer", "simulated mixer: volumes and mutes at their starting values"}})
            if (record.contains(key)) {
                const Record &file = record[key]["stateFile"];
                text += fmt::format("{}{}\n", what, file.is_null() ? " (it keeps no state file)" : "; removed " + file.get<std::string>());
            }
        return text;
    }

private:
    static Record StateFile(const std::string &file) { return file.empty() ? Record(nullptr) : Record(file); }
};

}  // namespace

std::vector<CommandEntry> CardCommands() {
    return {Entry<GetCommand>("get"), Entry<ResetCommand>("reset")};
}

}  // namespace tvctl
