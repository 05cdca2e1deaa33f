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
        Bind(app, "source", choice_, [](const std::string &word) {
            return Known(SourceByName(word), fmt::format("unknown video source \"{}\" ({})", word, SourceNames()));
        }, "composite (0), svideo or s-video (1), cable (4: the tuner, standard cable plan), broadcast (5), "
           "a channel table (tvctl plans: europe-west, cable-irc, ...), or tuner/tv (the tuner on its last plan); "
           "any case")->required();
    }
    void Run(Session &session, Reply &reply) override {
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        std::optional<PlanInfo> plan = choice_.plan;
        // "tuner": the plan the tuner was last on
        if (!plan && choice_.source == Source::Cable) plan = PlanByNumber(session.tuner.plan).value_or(CablePlan());
        if (plan ? !SelectPlan(session, *tv, *plan, reply) : !SelectSource(session, *tv, choice_.source, reply)) return;
        reply.data["source"] = SourceName(session.source);
        if (plan) reply.data["plan"] = plan->name;
    }
    std::string Text(const Record &record) const override {
        if (!record.contains("source")) return "";
        if (std::optional<PlanInfo> plan = PlanByName(record.value("plan", "")))
            return fmt::format("source: tuner, {} plan (channels {})", plan->name, PlanRange(*plan));
        return record["source"] == "composite" ? "source: composite" : "source: S-video";
    }

private:
    SourceChoice choice_{Source::Cable, std::nullopt};
};

class PictureCommand : public Command {
public:
    explicit PictureCommand(CLI::App &app) {
        BindEach(app, "settings", settings_, ReadSetting,
                 "NAME=VALUE, NAME one of brightness, contrast, hue, saturation; VALUE " + PictureRange())
            ->required();
    }
    void Run(Session &session, Reply &reply) override {
        // Every setting was read before any is made.
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        reply.data["set"] = Record::object();
        for (const Setting &setting : settings_) {
            if (!SetPicture(*tv, *setting.control, setting.value, reply)) break;
            reply.data["set"][setting.control->name] = setting.value;
        }
    }
    std::string Text(const Record &record) const override {
        std::string text;
        for (const auto &[name, value] : Field(record, "set").items())
            text += fmt::format("{} set to {}\n", name, value.get<uint64_t>());
        return text;
    }

private:
    struct Setting {
        const PictureControl *control;
        uint64_t value;  // checked against the range when it is made
    };
    static Setting ReadSetting(const std::string &text, size_t) {
        size_t equals = text.find('=');
        if (equals == std::string::npos)
            throw RefusedWord(fmt::format("picture wants NAME=VALUE, e.g. brightness=140, not \"{}\"", text));
        std::string name = text.substr(0, equals);
        const PictureControl *control = PictureControlByName(name);
        if (control == nullptr)
            throw RefusedWord(fmt::format("unknown picture control \"{}\" (brightness, contrast, hue, saturation)", name));
        std::string value = text.substr(equals + 1);
        return {control, Known(ParseNumber(value), fmt::format("{} \"{}\" is not a number ({})", name, value, PictureRange()))};
    }
    std::vector<Setting> settings_;
};

}  // namespace

std::vector<CommandEntry> TvCommands() {
    return {Entry<SourceCommand>("source"), Entry<PictureCommand>("picture")};
}

}  // namespace tvctl
