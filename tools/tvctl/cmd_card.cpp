// get, reset: what the card holds beside what this run set, and switching
// the simulated card off and on.
#include <fmt/format.h>

#include "card_readback.h"
#include "commands.h"
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
    struct Slot {
        uint8_t reg;
        uint8_t *into;
    };
    for (Slot slot : {Slot{kRegInput, &out.input}, Slot{kRegControl, &out.control},
                      Slot{kRegBrightness, &out.brightness}, Slot{kRegContrastLo, &out.contrast},
                      Slot{kRegSatULo, &out.saturationU}, Slot{kRegSatVLo, &out.saturationV},
                      Slot{kRegHue, &out.hue}}) {
        uint32_t result = tv.I2C_Read(kDecoderAddress, slot.reg);
        if (ReadFailed(result)) {
            why = DescribeReadFailure(session.Words(), result);
            return false;
        }
        *slot.into = static_cast<uint8_t>(result);
    }
    return true;
}

class GetCommand : public Command {
public:
    explicit GetCommand(CLI::App &app) {
        app.footer("Shows what the card holds beside what this run set. The card's values are read back from\n"
                   "the video decoder's registers (I2C_Read) and put in the library's terms; the run's values are\n"
                   "the library's GetTVParam answers (128 each and channel 0 at load), and the run's source is\n"
                   "the one tvctl selected (the library cannot report it). The tuner line is tvctl's own record\n"
                   "of what it tuned; on a V4L2 card the device's tuner is read too (frequency, signal, standard,\n"
                   "audio mode) and the record follows its frequency. On the simulated card what the card holds\n"
                   "outlives the run (tvctl reset switches it off and on).\n"
                   "Volume and mute are shown once audio was set up in this session.");
    }
    std::string Name() const override { return "get"; }
    void Run(Session &session, Reply &reply) override {
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr || !FollowV4l2Tuner(session, reply)) return;
        const Console &out = session.Out();

        // What this run set, as the library answers it.
        struct Row {
            const char *name;
            uint32_t id;
        };
        const Row rows[] = {{"channel", TV_PARAM_CHANNEL}, {"brightness", TV_PARAM_BRIGHTNESS},
                            {"contrast", TV_PARAM_CONTRAST}, {"hue", TV_PARAM_HUE}, {"saturation", TV_PARAM_SATURATION}};
        int32_t set[5] = {};
        for (size_t i = 0; i < 5; ++i) {
            set[i] = tv->GetTVParam(rows[i].id);
            if (set[i] < 0)
                return reply.Fail(UnexpectedResult(fmt::format("GetTVParam({})", rows[i].id), set[i]));
        }
        reply.data["source"] = SourceName(session.source);
        for (size_t i = 0; i < 5; ++i) reply.data[rows[i].name] = set[i];

        // What the card holds, from its decoder.
        DecoderPicture registers;
        std::string why;
        const bool readable = ReadDecoder(session, *tv, registers, why);
        CardPicture card;
        if (readable) {
            card = ReadBackPicture(registers, LibraryBoardIsAlternative());
            reply.data["card"] = {{"input", card.input},           {"mux", card.mux},
                                  {"brightness", card.brightness}, {"contrast", card.contrast},
                                  {"hue", card.hue},               {"saturation", card.saturation}};
        } else {
            reply.data["card"] = nullptr;
            Note(session, reply, "the card's decoder cannot be read back: " + why);
        }
        auto held = [&](uint32_t value) { return readable ? std::to_string(value) : std::string("?"); };

        out.Print("{:<11} {:<15} {}", "", "on the card", "as set");
        out.Print("{:<11} {:<15} {}", "source", readable ? card.input : "?", SourceName(session.source));
        // The tuner cannot be read back: what it was last tuned to is tvctl's
        // own record, on the tuner line below the table.
        out.Print("{:<11} {:<15} {}", "channel", "-", set[0]);
        const uint32_t fromCard[4] = {card.brightness, card.contrast, card.hue, card.saturation};
        for (size_t i = 1; i < 5; ++i) out.Print("{:<11} {:<15} {}", rows[i].name, held(fromCard[i - 1]), set[i]);
        ShowTuner(session, reply);
        ShowDeviceTuner(session, reply);

        if (session.audioReady) {
            uint32_t left = tv->GetTVVol(&session.audio);
            uint32_t mute = tv->GetTVMute(&session.audio);
            reply.data["volume"] = {{"left", left}, {"right", session.audio.rightVolume}};
            reply.data["mute"] = mute != 0;
            out.Print("{:<11} {} / {} (left / right, {}-{})", "volume", left, session.audio.rightVolume,
                      session.audio.volumeMin, session.audio.volumeMax);
            out.Print("{:<11} {}", "mute", mute ? "on" : "off");
        }
    }
};

class ResetCommand : public Command {
public:
    explicit ResetCommand(CLI::App &app) {
        app.footer("Switches the simulated card off and on: the decoder's registers return to their power-on\n"
                   "values, the tuner forgets its block, and the state file that keeps them between runs is\n"
                   "removed, so the next program to use the card finds it at power-on. The simulated mixer,\n"
                   "when it serves, returns to its starting volumes and mutes the same way. What the library\n"
                   "answers for this run (get's right column) stays until the next run.");
    }
    std::string Name() const override { return "reset"; }
    bool Traced() const override { return false; }
    void Run(Session &session, Reply &reply) override {
        if (session.Library(reply) == nullptr) return;
        const SimCardCalls *card = session.Card();
        if (card == nullptr)
            return reply.Fail(fmt::format("reset switches the simulated card off and on; the library's bus driver "
                                          "drives {}, which tvctl cannot switch off",
                                          BusDevice(session.Words())));
        const std::string cardFile = SimCardStatePath(*card);
        if (card->PowerOn() == 0)
            return reply.Fail(fmt::format("the simulated card's state file {} could not be removed", cardFile));
        reply.data["card"] = {{"stateFile", cardFile.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(cardFile)}};
        session.Out().Print("simulated card: switched off and on, registers at their power-on values{}",
                            cardFile.empty() ? " (it keeps no state file)" : "; removed " + cardFile);
        if (const SimMixerCalls *mixer = session.MixerLog()) {
            const std::string mixerFile = SimMixerStatePath(*mixer);
            if (mixer->ResetValues() == 0)
                return reply.Fail(fmt::format("the simulated mixer's state file {} could not be removed", mixerFile));
            reply.data["mixer"] = {{"stateFile", mixerFile.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(mixerFile)}};
            session.Out().Print("simulated mixer: volumes and mutes at their starting values{}",
                                mixerFile.empty() ? " (it keeps no state file)" : "; removed " + mixerFile);
        }
    }
};

}  // namespace

std::vector<CommandEntry> CardCommands() {
    return {
        {"get", "show what the card holds beside what this run set",
         [](CLI::App &app) { return std::make_unique<GetCommand>(app); }},
        {"reset", "switch the simulated card off and on (its state file removed, registers at power-on)",
         [](CLI::App &app) { return std::make_unique<ResetCommand>(app); }},
    };
}

}  // namespace tvctl
