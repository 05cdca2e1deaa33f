// source, channel, picture: the TV parameter interface.
#include <fmt/format.h>

#include "commands.h"
#include "numbers.h"
#include "tv_ops.h"
#include "tvcore/card/decoder.h"

namespace tvctl {

namespace {

using tvcore::card::kPictureMax;
using tvcore::card::kPictureMin;

// A picture value's range in words, "0-255". The summary of the picture
// command is a constant string that spells it out; this keeps it true.
static_assert(kPictureMin == 0 && kPictureMax == 255, "the picture command's summary says 0-255");
std::string PictureRange() { return fmt::format("{}-{}", kPictureMin, kPictureMax); }

}  // namespace

std::optional<Source> SourceByName(std::string_view name) {
    for (Source source : {Source::Composite, Source::SVideo, Source::Cable, Source::Broadcast})
        if (name == SourceName(source)) return source;
    return std::nullopt;
}

uint32_t SourceValue(Source source) {
    switch (source) {
        case Source::Composite: return TV_SOURCE_COMPOSITE;
        case Source::SVideo: return TV_SOURCE_SVIDEO;
        case Source::Cable: return TV_SOURCE_TUNER_CABLE;
        case Source::Broadcast: return TV_SOURCE_TUNER_BROADCAST;
    }
    return TV_SOURCE_TUNER_CABLE;
}

std::optional<PlanInfo> PlanOfSource(Source source) {
    if (source == Source::Cable) return CablePlan();
    if (source == Source::Broadcast) return BroadcastPlan();
    return std::nullopt;
}

std::string UnexpectedResult(const char *call, int32_t result) {
    switch (result) {
        case TV_ERR_BAD_PARAM: return fmt::format("{} answered -2: the library does not know that parameter", call);
        case TV_ERR_BAD_VALUE: return fmt::format("{} answered -3: the library refused the value", call);
        default: return fmt::format("{} answered {}, a result the library does not define", call, result);
    }
}

bool SelectSource(Session &session, const TvCalls &tv, Source source, Reply &reply) {
    int32_t result = tv.SetTVParam(TV_PARAM_SOURCE, SourceValue(source));
    if (result != TV_OK) {
        reply.Fail(UnexpectedResult(fmt::format("SetTVParam(1, {})", SourceValue(source)).c_str(), result));
        return false;
    }
    session.source = source;
    return true;
}

TuneOutcome TuneChannel(Session &session, const TvCalls &tv, uint64_t channel, Reply &reply) {
    TuneOutcome outcome;
    std::optional<PlanInfo> plan = PlanOfSource(session.source);
    if (!plan) {
        reply.Fail(fmt::format("channel {} cannot be tuned: the video source is {}; select the tuner first "
                               "(source cable or source broadcast)",
                               channel, SourceName(session.source)));
        return outcome;
    }
    if (channel < plan->firstChannel || channel > plan->lastChannel) {
        reply.Fail(NotInPlan(*plan, channel));
        return outcome;
    }
    outcome.result = tv.SetTVParam(TV_PARAM_CHANNEL, static_cast<uint32_t>(channel));
    switch (outcome.result) {
        case TV_OK: outcome.tuned = outcome.locked = true; break;
        case TV_ERR_NO_LOCK: outcome.tuned = true; break;
        case TV_ERR_BAD_VALUE: reply.Fail(NotInPlan(*plan, channel)); break;
        default: reply.Fail(UnexpectedResult("SetTVParam(2, ...)", outcome.result)); break;
    }
    return outcome;
}

const PictureControl (&PictureControls())[4] {
    static const PictureControl controls[4] = {
        {"brightness", TV_PARAM_BRIGHTNESS},
        {"contrast", TV_PARAM_CONTRAST},
        {"hue", TV_PARAM_HUE},
        {"saturation", TV_PARAM_SATURATION},
    };
    return controls;
}

const PictureControl *PictureControlByName(std::string_view name) {
    for (const PictureControl &control : PictureControls())
        if (name == control.name) return &control;
    return nullptr;
}

bool SetPicture(const TvCalls &tv, const PictureControl &control, uint64_t value, Reply &reply) {
    // The library compares the whole 32-bit value; a larger number is
    // refused here in the same words.
    int32_t result = value <= 0xFFFFFFFFu ? tv.SetTVParam(control.id, static_cast<uint32_t>(value)) : TV_ERR_BAD_VALUE;
    if (result == TV_OK) return true;
    if (result == TV_ERR_BAD_VALUE)
        reply.Fail(fmt::format("{} {} is out of range ({})", control.name, value, PictureRange()));
    else
        reply.Fail(UnexpectedResult(fmt::format("SetTVParam({}, {})", control.id, value).c_str(), result));
    return false;
}

namespace {

class SourceCommand : public Command {
public:
    explicit SourceCommand(CLI::App &app) {
        app.add_option("source", name_, "composite, svideo, cable (tuner, cable plan) or broadcast (tuner, broadcast plan)")
            ->required();
    }
    std::string Name() const override { return "source"; }
    void Run(Session &session, Reply &reply) override {
        std::optional<Source> source = SourceByName(name_);
        if (!source) {
            reply.Fail(fmt::format("unknown video source \"{}\" (composite, svideo, cable, broadcast)", name_));
            return;
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr || !SelectSource(session, *tv, *source, reply)) return;
        reply.data["source"] = SourceName(*source);
        std::optional<PlanInfo> plan = PlanOfSource(*source);
        if (plan)
            session.Out().Print("source: tuner, {} plan (channels {}-{})", plan->name, plan->firstChannel,
                                plan->lastChannel);
        else
            session.Out().Print("source: {}", *source == Source::Composite ? "composite" : "S-video");
    }

private:
    std::string name_;
};

class ChannelCommand : public Command {
public:
    explicit ChannelCommand(CLI::App &app) {
        app.add_option("channel", text_, "channel number of the current plan (cable 1-125, broadcast 2-69)")
            ->required();
        app.footer("Tunes through SetTVParam(2, N): the library programs the tuner, pauses 150 ms and asks the\n"
                   "decoder for lock. A channel tuned without lock is no failure (exit status 0); it is reported\n"
                   "as \"no lock\". A channel outside the plan is refused and nothing is sent.");
    }
    std::string Name() const override { return "channel"; }
    void Run(Session &session, Reply &reply) override {
        std::optional<uint64_t> channel = ParseNumber(text_);
        if (!channel) {
            reply.Fail(fmt::format("channel \"{}\" is not a number", text_));
            return;
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        TuneOutcome outcome = TuneChannel(session, *tv, *channel, reply);
        if (!outcome.tuned) return;
        PlanInfo plan = *PlanOfSource(session.source);
        std::optional<ChannelInfo> info = Channel(plan, static_cast<uint32_t>(*channel));
        reply.data["plan"] = plan.name;
        reply.data["channel"] = *channel;
        reply.data["carrierMHz"] = info ? info->carrierKHz / 1000.0 : 0.0;
        reply.data["result"] = outcome.result;
        reply.data["locked"] = outcome.locked;
        session.Out().Print("{} channel {} ({} MHz): {}", plan.name, *channel, info ? Mhz(info->carrierKHz) : "?",
                            outcome.locked ? "locked" : "tuned, but no lock (no station there?)");
    }

private:
    std::string text_;
};

class PictureCommand : public Command {
public:
    explicit PictureCommand(CLI::App &app) {
        app.add_option("settings", settings_, "NAME=VALUE, NAME one of brightness, contrast, hue, saturation; VALUE " + PictureRange())
            ->required();
        app.footer("The settings are made in the order given; at a refused one the rest are not made.");
    }
    std::string Name() const override { return "picture"; }
    void Run(Session &session, Reply &reply) override {
        // Every setting is checked for form before any is made.
        struct Setting {
            const PictureControl *control;
            uint64_t value;
        };
        std::vector<Setting> settings;
        for (const std::string &text : settings_) {
            size_t equals = text.find('=');
            if (equals == std::string::npos) {
                reply.Fail(fmt::format("picture wants NAME=VALUE, e.g. brightness=140, not \"{}\"", text));
                return;
            }
            std::string name = text.substr(0, equals);
            const PictureControl *control = PictureControlByName(name);
            if (control == nullptr) {
                reply.Fail(fmt::format("unknown picture control \"{}\" (brightness, contrast, hue, saturation)", name));
                return;
            }
            std::optional<uint64_t> value = ParseNumber(std::string_view(text).substr(equals + 1));
            if (!value) {
                reply.Fail(fmt::format("{} \"{}\" is not a number ({})", name, text.substr(equals + 1), PictureRange()));
                return;
            }
            settings.push_back({control, *value});
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        nlohmann::ordered_json set = nlohmann::ordered_json::object();
        for (const Setting &setting : settings) {
            if (!SetPicture(*tv, *setting.control, setting.value, reply)) break;
            set[setting.control->name] = setting.value;
            session.Out().Print("{} set to {}", setting.control->name, setting.value);
        }
        reply.data["set"] = set;
    }

private:
    std::vector<std::string> settings_;
};

}  // namespace

std::vector<CommandEntry> TvCommands() {
    return {
        {"source", "select the video input: composite, svideo, cable or broadcast",
         [](CLI::App &app) { return std::make_unique<SourceCommand>(app); }},
        {"channel", "tune a channel of the current plan",
         [](CLI::App &app) { return std::make_unique<ChannelCommand>(app); }},
        {"picture", "set picture controls: brightness=V contrast=V hue=V saturation=V (0-255)",
         [](CLI::App &app) { return std::make_unique<PictureCommand>(app); }},
    };
}

}  // namespace tvctl
