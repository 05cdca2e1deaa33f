// plans: the channel tables, and a table's channels as the tuner takes them.
#include <fmt/format.h>

#include <cmath>

#include "commands.h"
#include "plan_info.h"
#include "tune_ops.h"

namespace tvctl {

namespace {

class PlansCommand : public Command {
public:
    explicit PlansCommand(CLI::App &app) {
        Bind(app, "plan", plan_, ReadPlan, "a channel table (cable, europe-west, ...); default: all");
    }
    bool Traced() const override { return false; }

    void Run(Session & /*session*/, Reply &reply) override {
        reply.data["plans"] = Record::array();
        for (const PlanInfo &plan : plan_ ? std::vector<PlanInfo>{*plan_} : AllPlans()) {
            Record channels = Record::array();
            for (const tvcore::card::TableChannel &channel : *plan.walk) {
                const ChannelInfo info = *Channel(plan, channel.Name());
                channels.push_back({{"channel", ChannelJson(info.name)},
                                    {"carrierMHz", static_cast<double>(info.carrierHz) / 1e6},
                                    {"oscillatorMHz", info.oscillatorKHz / 1000.0},
                                    {"divider", info.divider},
                                    {"bandCode", info.bandCode},
                                    {"band", BandName(info.bandCode)}});
            }
            reply.data["plans"].push_back({{"name", plan.name},
                                           {"table", plan.table->name},
                                           {"description", plan.table->description},
                                           {"range", PlanRange(plan)},
                                           {"count", channels.size()},
                                           {"first", channels.front()["channel"]},
                                           {"last", channels.back()["channel"]},
                                           {"standard", tvcore::card::StandardName(plan.table->defaultStandard)},
                                           {"library", plan.library},
                                           {"source", plan.table->source},
                                           {"channels", channels}});
        }
    }
    std::string Text(const Record &record) const override {
        std::string text;
        const Record &plans = Field(record, "plans");
        for (const Record &plan : plans) {
            const std::string name = plan["name"].get<std::string>(), table = plan["table"].get<std::string>();
            text += fmt::format("{}{:<13} {}\n{:13} {} channels, {}, standard {}, tuned {}\n{:13} source: {}\n",
                                text.empty() ? "" : "\n", name == table ? name : fmt::format("{} ({})", name, table),
                                plan["description"].get<std::string>(), "", plan["count"].get<size_t>(),
                                plan["range"].get<std::string>(), plan["standard"].get<std::string>(),
                                plan["library"].get<bool>() ? "by the library" : "by tvctl through the tuner block",
                                "", plan["source"].get<std::string>());
            if (plans.size() != 1) continue;
            text += "  channel  carrier MHz  oscillator MHz  divider          band\n";
            for (const Record &channel : plan["channels"]) {
                const auto hz = static_cast<uint64_t>(std::llround(channel["carrierMHz"].get<double>() * 1e6));
                const auto divider = channel["divider"].get<uint32_t>(), band = channel["bandCode"].get<uint32_t>();
                text += fmt::format("  {:>7}  {:>11}  {:>14}  0x{:04X} ({:>5})  0x{:04X} {}\n",
                                    ChannelOfJson(channel["channel"]), MhzOfHz(hz),
                                    MhzOfHz(OscillatorOfCarrierHz(hz)), divider, divider, band,
                                    channel["band"].get<std::string>());
            }
        }
        return text;
    }

private:
    std::optional<PlanInfo> plan_;
};

}  // namespace

std::vector<CommandEntry> PlanCommands() {
    return {Entry<PlansCommand>("plans")};
}

}  // namespace tvctl
