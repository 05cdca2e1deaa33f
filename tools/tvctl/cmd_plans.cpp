// plans: the channel plans as the library tunes them.
#include <fmt/format.h>

#include "commands.h"
#include "plan_info.h"

namespace tvctl {

namespace {

class PlansCommand : public Command {
public:
    explicit PlansCommand(CLI::App &app) {
        app.add_option("plan", plan_, "cable, broadcast, cable-irc or cable-hrc; default: all");
        app.footer("Each channel with its picture carrier, the tuner's oscillator 45.75 MHz above it, the divider\n"
                   "(the oscillator in 62.5 kHz steps) and the band code, as the library's tables hold them.");
    }
    std::string Name() const override { return "plans"; }
    bool Traced() const override { return false; }
    std::string Validate() const override {
        if (plan_.empty() || PlanByName(plan_)) return "";
        return fmt::format("unknown channel plan \"{}\" ({})", plan_, PlanNames());
    }

    void Run(Session &session, Reply &reply) override {
        std::vector<PlanInfo> plans;
        if (plan_.empty()) {
            plans = AllPlans();
        } else if (std::optional<PlanInfo> plan = PlanByName(plan_)) {
            plans = {*plan};
        } else {
            reply.Fail(fmt::format("unknown channel plan \"{}\" ({})", plan_, PlanNames()), kExitUsage);
            return;
        }
        const Console &out = session.Out();
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const PlanInfo &plan : plans) {
            out.Print("{} plan: channels {}-{}{}", plan.name, plan.firstChannel, plan.lastChannel,
                      plan.library ? "" : " (tuned by tvctl through the tuner block)");
            out.Print("  channel  carrier MHz  oscillator MHz  divider          band");
            nlohmann::ordered_json channels = nlohmann::ordered_json::array();
            for (uint32_t n = plan.firstChannel; n <= plan.lastChannel; ++n) {
                std::optional<ChannelInfo> info = Channel(plan, n);
                if (!info) continue;
                out.Print("  {:>7}  {:>11}  {:>14}  0x{:04X} ({:>5})  0x{:04X} {}", n, MhzOfHz(info->carrierHz),
                          MhzOfHz(OscillatorOfCarrierHz(info->carrierHz)),
                          info->divider, info->divider, info->bandCode,
                          BandName(info->bandCode));
                channels.push_back({{"channel", n},
                                    {"carrierMHz", static_cast<double>(info->carrierHz) / 1e6},
                                    {"oscillatorMHz", info->oscillatorKHz / 1000.0},
                                    {"divider", info->divider},
                                    {"bandCode", info->bandCode},
                                    {"band", BandName(info->bandCode)}});
            }
            list.push_back({{"name", plan.name},
                            {"first", plan.firstChannel},
                            {"last", plan.lastChannel},
                            {"channels", channels}});
            if (&plan != &plans.back()) out.Say("");
        }
        reply.data["plans"] = list;
    }

private:
    std::string plan_;
};

}  // namespace

std::vector<CommandEntry> PlanCommands() {
    return {{"plans", "list each plan's channels with carrier, oscillator, divider and band",
             [](CLI::App &app) { return std::make_unique<PlansCommand>(app); }}};
}

}  // namespace tvctl
