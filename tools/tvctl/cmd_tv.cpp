// source, picture: the TV parameter interface.
#include <fmt/format.h>

#include <cctype>

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

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

std::optional<SourceChoice> SourceByName(std::string_view name) {
    const std::string lower = Lowercase(name);
    if (lower == "composite" || lower == "0" || lower == "2") return SourceChoice{Source::Composite, std::nullopt};
    if (lower == "svideo" || lower == "s-video" || lower == "1") return SourceChoice{Source::SVideo, std::nullopt};
    if (lower == "tuner" || lower == "tv") return SourceChoice{Source::Cable, std::nullopt};
    if (lower == "4") return SourceChoice{Source::Cable, CablePlan()};
    if (lower == "5") return SourceChoice{Source::Broadcast, BroadcastPlan()};
    if (std::optional<PlanInfo> plan = PlanByName(lower))
        return SourceChoice{plan->plan == BroadcastPlan().plan ? Source::Broadcast : Source::Cable, plan};
    return std::nullopt;
}

const char *SourceNames() { return "composite, svideo, cable, broadcast, cable-irc, cable-hrc, tuner"; }

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
    const std::string lower = Lowercase(name);
    for (const PictureControl &control : PictureControls())
        if (lower == control.name) return &control;
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
        reply.Fail(UnexpectedResult(fmt::format("SetTVParam({}, {})", control.id, value), result));
    return false;
}

namespace {

class SourceCommand : public Command {
public:
    explicit SourceCommand(CLI::App &app) {
        app.add_option("source", name_,
                       "composite (0), svideo or s-video (1), cable (4: the tuner, standard cable plan), broadcast (5), "
                       "cable-irc, cable-hrc, or tuner/tv (the tuner on its last plan); any case")
            ->required();
    }
    std::string Name() const override { return "source"; }
    std::string Validate() const override {
        if (SourceByName(name_)) return "";
        return fmt::format("unknown video source \"{}\" ({})", name_, SourceNames());
    }
    void Run(Session &session, Reply &reply) override {
        SourceChoice choice = *SourceByName(name_);
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        std::optional<PlanInfo> plan = choice.plan;
        if (!plan && choice.source == Source::Cable) {
            // "tuner": the plan the tuner was last on
            plan = PlanByNumber(session.tuner.plan).value_or(CablePlan());
        }
        if (plan ? !SelectPlan(session, *tv, *plan, reply) : !SelectSource(session, *tv, choice.source, reply)) return;
        reply.data["source"] = SourceName(session.source);
        if (plan) {
            reply.data["plan"] = plan->name;
            session.Out().Print("source: tuner, {} plan (channels {}-{})", plan->name, plan->firstChannel,
                                plan->lastChannel);
        } else {
            session.Out().Print("source: {}", choice.source == Source::Composite ? "composite" : "S-video");
        }
    }

private:
    std::string name_;
};

class PictureCommand : public Command {
public:
    explicit PictureCommand(CLI::App &app) {
        app.add_option("settings", settings_, "NAME=VALUE, NAME one of brightness, contrast, hue, saturation; VALUE " + PictureRange())
            ->required();
        app.footer("The settings are made in the order given; at a refused one the rest are not made.");
    }
    std::string Name() const override { return "picture"; }
    std::string Validate() const override {
        for (const std::string &text : settings_) {
            size_t equals = text.find('=');
            if (equals == std::string::npos)
                return fmt::format("picture wants NAME=VALUE, e.g. brightness=140, not \"{}\"", text);
            std::string name = text.substr(0, equals);
            if (PictureControlByName(name) == nullptr)
                return fmt::format("unknown picture control \"{}\" (brightness, contrast, hue, saturation)", name);
            if (!ParseNumber(std::string_view(text).substr(equals + 1)))
                return fmt::format("{} \"{}\" is not a number ({})", name, text.substr(equals + 1), PictureRange());
        }
        return "";
    }
    void Run(Session &session, Reply &reply) override {
        // Every setting was checked for form before any is made.
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        nlohmann::ordered_json set = nlohmann::ordered_json::object();
        for (const std::string &text : settings_) {
            size_t equals = text.find('=');
            const PictureControl &control = *PictureControlByName(text.substr(0, equals));
            uint64_t value = *ParseNumber(std::string_view(text).substr(equals + 1));
            if (!SetPicture(*tv, control, value, reply)) break;
            set[control.name] = value;
            session.Out().Print("{} set to {}", control.name, value);
        }
        reply.data["set"] = set;
    }

private:
    std::vector<std::string> settings_;
};

}  // namespace

std::vector<CommandEntry> TvCommands() {
    return {
        {"source", "select the video input: composite, svideo, cable, broadcast, cable-irc, cable-hrc",
         [](CLI::App &app) { return std::make_unique<SourceCommand>(app); }},
        {"picture", "set picture controls: brightness=V contrast=V hue=V saturation=V (0-255)",
         [](CLI::App &app) { return std::make_unique<PictureCommand>(app); }},
    };
}

}  // namespace tvctl
