// source, picture: the TV parameter interface.
#include <fmt/format.h>

#include "commands.h"
#include "numbers.h"
#include "tune_ops.h"
#include "tv_ops.h"

namespace tvctl {

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
