// tour: a guided session on the simulated card. Each step makes one call of
// the library, shows its result, and the bus transactions it caused as the
// simulated card logged them.
#include <fmt/format.h>

#include <functional>

#include "audio_ops.h"
#include "commands.h"
#include "result_words.h"
#include "scan.h"
#include "tune_ops.h"
#include "tv_ops.h"

namespace tvctl {

namespace {

class Tour {
public:
    // `loadLines`: what the entry routine wrote when this tour loaded the library.
    // `fresh`: this tour loaded the library.
    Tour(Session &session, const TvCalls &tv, Reply &reply, bool fresh, std::vector<std::string> loadLines)
        : fresh_(fresh), loadLines_(std::move(loadLines)), session_(session), tv_(tv), reply_(reply),
          out_(session.Out()) {}

    void Run() {
        Loading();
        Inputs();
        Tuning();
        Picture();
        Audio();
        ShortScan();
        Summary();
        reply_.data["steps"] = steps_;
    }

private:
    void Section(const std::string &title, const std::string &text) {
        ++section_;
        out_.Print("\n{}. {}", section_, title);
        if (!text.empty()) out_.Print("   {}", text);
        sectionTitle_ = title;
    }

    // One call: `action` runs it and answers the result in words, adding
    // what scripts want to `data` (which may hold some already); then the
    // bus traffic it caused.
    void Step(const std::string &call, const std::function<std::string(nlohmann::ordered_json &data)> &action,
              bool showMixer = false, nlohmann::ordered_json data = nlohmann::ordered_json::object()) {
        uint64_t mark = session_.CardLogMark();
        uint32_t mixerMark = MixerMark();
        std::string result = action(data);
        out_.Print("   {:<34} -> {}", call, result);
        std::vector<TvSimTransaction> entries = session_.CardLogSince(mark);
        nlohmann::ordered_json bus = nlohmann::ordered_json::array();
        uint64_t start = entries.empty() ? 0 : entries.front().timeUs;
        for (const TvSimTransaction &entry : entries) {
            out_.Print("      {}", FormatTransaction(entry, start));
            bus.push_back(TransactionJson(entry));
        }
        if (entries.empty() && !showMixer) out_.Print("      (no bus traffic)");
        data["section"] = sectionTitle_;
        data["call"] = call;
        data["outcome"] = result;
        data["bus"] = bus;
        if (showMixer) data["mixer"] = MixerCallsSince(mixerMark);
        steps_.push_back(data);
    }

    // A step whose call answers in a Reply: "ok", after `data`, and in words
    // what a done call answers (the mixer's or SetTVParam's), or the refusal
    // after `refused`. A mixer call shows the mixer's messages too.
    void ReplyStep(const std::string &call, const std::function<bool(Reply &)> &action, bool mixer,
                   const std::string &refused = "", nlohmann::ordered_json data = nlohmann::ordered_json::object()) {
        Step(call, [&](nlohmann::ordered_json &fields) {
            Reply step;
            bool ok = action(step);
            fields["ok"] = ok;
            return ok ? std::string(mixer ? "0 (MMSYSERR_NOERROR)" : ResultMeaning(TV_OK)) : refused + step.error;
        }, mixer, std::move(data));
    }

    // A step whose call answers a TV result code: "result", after `data`,
    // and its meaning in words, with `more` after it.
    void ResultStep(const std::string &call, const std::function<int32_t()> &action, const std::string &more = "",
                    nlohmann::ordered_json data = nlohmann::ordered_json::object()) {
        Step(call, [&](nlohmann::ordered_json &fields) {
            int32_t result = action();
            fields["result"] = result;
            return ResultMeaning(result) + more;
        }, false, std::move(data));
    }

    uint32_t MixerMark() {
        const SimMixerCalls *mixer = session_.MixerLog();
        return mixer != nullptr ? mixer->CallCount() : 0;
    }

    nlohmann::ordered_json MixerCallsSince(uint32_t mark) {
        nlohmann::ordered_json calls = nlohmann::ordered_json::array();
        const SimMixerCalls *mixer = session_.MixerLog();
        if (mixer == nullptr) return calls;
        uint32_t count = mixer->CallCount();
        for (uint32_t i = mark; i < count; ++i) {
            TvMixSimCall call{};
            if (!mixer->GetCall(i, &call)) break;
            out_.Print("    {}", FormatMixerCall(call));
            calls.push_back(MixerCallJson(call));
        }
        return calls;
    }

    // Whether a station is on the air at a channel's carrier.
    bool OnAir(const ChannelInfo &channel) const { return SimCardOnAir(*session_.Card(), channel.carrierKHz); }

    // A cable channel with (or without) a station, the preferred one first.
    std::optional<ChannelInfo> PickCable(const char *preferred, bool withStation) const {
        std::optional<ChannelInfo> wanted = Channel(CablePlan(), preferred);
        if (wanted && OnAir(*wanted) == withStation) return wanted;
        for (const tvcore::card::TableChannel &channel : *CablePlan().walk)
            if (std::optional<ChannelInfo> info = Channel(CablePlan(), channel.Name()); info && OnAir(*info) == withStation)
                return info;
        return std::nullopt;
    }

    void Loading() {
        Section("Loading the library", "LoadLibraryA(\"tvcore.dll\") found tvcore.so on the module path and ran its entry routine:");
        for (const std::string &line : loadLines_) out_.Print("      debug: {}", line);
        if (!fresh_)
            out_.Print("      (it was loaded by an earlier command)");
        else if (loadLines_.empty())
            out_.Print("      (its debug output went where TVHOST_DEBUG says)");
        uint64_t total = session_.CardLogMark();
        out_.Print("   bus driver: the simulated card; {} bus transactions so far{}", total,
                   fresh_ ? " (nothing is written to the card at load)" : "");
        steps_.push_back({{"section", sectionTitle_}, {"call", "LoadLibraryA(\"tvcore.dll\")"}, {"debug", loadLines_},
                          {"busTransactions", total}});
    }

    void Inputs() {
        Section("Input selection",
                "SetTVParam(1, source) reads the decoder's input (0x01) and control (0x0B) registers, then\n"
                "   writes the control byte (S-video bit 0x40) and the input multiplexer bits (0x60).");
        for (Source source : {Source::Composite, Source::SVideo, Source::Cable})
            ReplyStep(fmt::format("SetTVParam(1, {}) {}", SourceValue(source), SourceName(source)),
                      [&](Reply &step) { return SelectSource(session_, tv_, source, step); }, false, "",
                      {{"source", SourceName(source)}});
        ResultStep("SetTVParam(1, 3)", [&] { return tv_.SetTVParam(TV_PARAM_SOURCE, 3); },
                   ": 3 is no source; both registers were read, nothing written");
    }

    void Tune(const PlanInfo &plan, const ChannelInfo &channel, const char *what) {
        Step(fmt::format("SetTVParam(2, {}) {} {}", channel.number, plan.name, channel.number), [&](nlohmann::ordered_json &data) {
            int32_t result = tv_.SetTVParam(TV_PARAM_CHANNEL, channel.number);
            data["result"] = result;
            data["locked"] = result == TV_OK;
            return fmt::format("{}: {} MHz, {}", ResultMeaning(result), Mhz(channel.carrierKHz), what);
        }, false, {{"plan", plan.name}, {"channel", channel.number}});
    }

    void Tuning() {
        Section("Tuning",
                "SetTVParam(2, n) sends the tuner (0xC2) divider and band bytes in one block, waits 150 ms,\n"
                "   and reads the decoder's status (bit 6: lock).");
        if (std::optional<ChannelInfo> locked = PickCable("7", true))
            Tune(CablePlan(), *locked, "a station is on the air there");
        if (std::optional<ChannelInfo> empty = PickCable("3", false))
            Tune(CablePlan(), *empty, "no station there");
        ResultStep("SetTVParam(2, 126)", [&] { return tv_.SetTVParam(TV_PARAM_CHANNEL, 126); },
                   ": " + NotInPlan(CablePlan(), "126") + "; nothing sent");
        ReplyStep("SetTVParam(1, 5) broadcast",
                  [&](Reply &step) { return SelectSource(session_, tv_, Source::Broadcast, step); }, false);
        if (std::optional<ChannelInfo> uhf = Channel(BroadcastPlan(), "14"))
            Tune(BroadcastPlan(), *uhf, OnAir(*uhf) ? "a station is on the air there" : "no station there");
        Step("GetTVParam(2)", [&](nlohmann::ordered_json &data) {
            int32_t channel = tv_.GetTVParam(TV_PARAM_CHANNEL);
            data["channel"] = channel;
            return fmt::format("{} (the last channel tuned; nothing is read from the card)", channel);
        });
    }

    void Picture() {
        Section("Picture controls",
                "Brightness and hue are written as two's-complement bytes (value + 128); contrast and saturation\n"
                "   are 9-bit, with bit 8 in the control register 0x0B, read first.");
        for (auto [name, value] : {std::pair{"brightness", 200u}, std::pair{"contrast", 180u},
                                   std::pair{"hue", 100u}, std::pair{"saturation", 181u}}) {
            const uint32_t id = PictureControlByName(name)->id;
            ResultStep(fmt::format("SetTVParam({}, {}) {}", id, value, name),
                       [this, id, value = value] { return tv_.SetTVParam(id, value); }, "",
                       {{"control", name}, {"value", value}});
        }
        Step("SetTVParam(3, 256) brightness", [&](nlohmann::ordered_json &data) {
            Reply step;
            SetPicture(tv_, *PictureControlByName("brightness"), 256, step);
            data["result"] = TV_ERR_BAD_VALUE;
            return ResultMeaning(TV_ERR_BAD_VALUE) + ": " + step.error;
        });
    }

    // The mixer the audio steps use, in words. Unless the user chose one,
    // the tour takes the simulated mixer rather than change the system's
    // volume; a mixer chosen by --mixer or TVHOST_MIXERS is used as chosen.
    std::string ChooseMixer() {
        if (session_.Host().mixersFrom == MixerSource::Default && session_.UseSimulatedMixer())
            return fmt::format("The tour uses the simulated mixer, so as not to change the system's volume;\n"
                               "   a program that loads the library gets {},\n"
                               "   and --mixer alsa runs the tour on the system's mixer.",
                               session_.Host().libraryMixers);
        std::string words = "Here that is " + MixerKind(session_) + ".";
        if (session_.MixerLog() == nullptr) words += "\n   Only the simulated mixer logs its messages, so none are shown.";
        return words;
    }

    void Audio() {
        Section("Audio", "TV sound is the auxiliary source line of the system mixer.\n   " + ChooseMixer());
        bool ready = false;
        Step("InitTVAudio(&line)", [&](nlohmann::ordered_json &data) {
            Reply step;
            ready = EnsureAudio(session_, tv_, step, nullptr);
            const TvMixerLine &line = session_.audio;
            data["ready"] = ready;
            if (!ready) return step.error;
            return fmt::format("1: volume control {} ({}-{}), mute control {}", line.volumeControlId, line.volumeMin,
                               line.volumeMax, line.muteControlId);
        }, true);
        if (!ready) return;
        // A volume in range, and one above it, which the mixer refuses.
        auto setVolume = [&](uint32_t volume, const char *refused) {
            ReplyStep(fmt::format("SetTVVol(&line, {})", volume),
                      [&](Reply &step) { return SetVolume(session_, tv_, volume, step); }, true, refused);
        };
        setVolume(40000, "");
        Step("GetTVVol(&line)", [&](nlohmann::ordered_json &data) {
            uint32_t left = tv_.GetTVVol(&session_.audio);
            data["left"] = left;
            data["right"] = session_.audio.rightVolume;
            return fmt::format("{} (left; right {})", left, session_.audio.rightVolume);
        }, true);
        setVolume(70000, "refused: ");
        for (uint32_t mute : {1u, 0u}) {
            ReplyStep(fmt::format("SetTVMute(&line, {})", mute),
                      [&](Reply &step) { return SetMute(session_, tv_, mute != 0, step); }, true);
            Step("GetTVMute(&line)", [&](nlohmann::ordered_json &data) {
                uint32_t value = tv_.GetTVMute(&session_.audio);
                data["mute"] = value;
                return fmt::format("{} ({})", value, value ? "muted" : "not muted");
            }, true);
        }
    }

    void ShortScan() {
        Section("A short scan: cable channels 2-13",
                "The standard scan tunes each channel with SetTVParam; the fast one programs the tuner with\n"
                "   I2C_WriteBlk and polls the lock bit, leaving an empty channel once the tuner has settled.");
        Reply step;
        if (!SelectSource(session_, tv_, Source::Cable, step)) return reply_.Fail(step.error);
        ScanOptions options;
        options.plan = CablePlan();
        options.first = "2";
        options.last = "13";
        options.tunerStatus = true;
        nlohmann::ordered_json scans = nlohmann::ordered_json::object();
        for (bool fast : {false, true}) {
            options.fast = fast;
            uint64_t mark = session_.CardLogMark();
            ScanResult result = RunScan(tv_, session_.Words(), options, nullptr);
            uint64_t transactions = session_.CardLogMark() - mark;
            nlohmann::ordered_json stations = nlohmann::ordered_json::array();
            std::string list;
            for (const std::string &channel : ChannelNames(result, true)) {
                list += " " + channel;
                stations.push_back(ChannelJson(channel));
            }
            out_.Print("   {:<9} scan: stations{} in {:.2f} s, {} bus transactions", fast ? "fast" : "standard", list,
                       result.seconds, transactions);
            scans[fast ? "fast" : "standard"] = {{"stations", stations}, {"seconds", result.seconds},
                                                 {"busTransactions", transactions}};
            if (!result.error.empty()) reply_.Fail("the tour's scan stopped: " + result.error);
        }
        steps_.push_back({{"section", sectionTitle_}, {"scan", scans}});
    }

    void Summary() {
        Section("Every parameter", "GetTVParam answers what was last set; nothing is read from the card.");
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (auto [name, id] : {std::pair{"channel", TV_PARAM_CHANNEL}, std::pair{"brightness", TV_PARAM_BRIGHTNESS},
                                std::pair{"contrast", TV_PARAM_CONTRAST}, std::pair{"hue", TV_PARAM_HUE},
                                std::pair{"saturation", TV_PARAM_SATURATION}}) {
            int32_t value = tv_.GetTVParam(id);
            values[name] = value;
            out_.Print("   {:<11} {}", name, value);
        }
        out_.Print("   {:<11} {} (as tvctl selected it)", "source", SourceName(session_.source));
        steps_.push_back({{"section", sectionTitle_}, {"values", values}});
    }

    bool fresh_;
    std::vector<std::string> loadLines_;
    Session &session_;
    const TvCalls &tv_;
    Reply &reply_;
    const Console &out_;
    nlohmann::ordered_json steps_ = nlohmann::ordered_json::array();
    int section_ = 0;
    std::string sectionTitle_;
};

class TourCommand : public Command {
public:
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        // The tour shows the simulated card's bus log, which no real bus has:
        // a real bus is refused before anything is said or sent.
        const HostOptions &host = session.Options().host;
        if (host.busGiven && host.bus != BusChoice::Simulated)
            return reply.Fail("the tour runs on the simulated card only (it shows the card's bus log): run it "
                              "without --bus, --i2c-device, --i2c-adapter and --v4l2-device",
                              kExitUsage);
        const bool fresh = !session.Loaded();
        session.TakeDebugLines();
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        std::vector<std::string> loadLines = session.TakeDebugLines();
        if (session.Card() == nullptr)
            return reply.Fail(fmt::format("the tour runs on the simulated card only (it shows the card's bus log); "
                                          "the bus driver that TVHOST_PATH finds first drives {}",
                                          BusDevice(session.Words())));
        session.Out().Print("tvctl tour: the library on the simulated card, one call at a time");
        Tour(session, *tv, reply, fresh, fresh ? loadLines : std::vector<std::string>{}).Run();
    }
};

}  // namespace

std::vector<CommandEntry> TourCommands() {
    return {Entry<TourCommand>("tour")};
}

}  // namespace tvctl
