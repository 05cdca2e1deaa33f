// plans: the channel plans as the library tunes them.
#include <fmt/format.h>

#include <cmath>

#include "commands.h"
#include "plan_info.h"

namespace tvctl {

namespace {

class PlansCommand : public Command {
public:
    explicit PlansCommand(CLI::App &app) {
        Bind(app, "plan", plan_, ReadPlan, "cable, broadcast, cable-irc or cable-hrc; default: all");
        app.footer("Each channel with its picture carrier, the tuner's oscillator 45.75 MHz above it, the divider\n"
                   "(the oscillator in 62.5 kHz steps) and the band code, as the library's tables hold them.");
    }
    bool Traced() const override { return false; }

    void Run(Session & /*session*/, Reply &reply) override {
        reply.data["plans"] = Record::array();
        for (const PlanInfo &plan : plan_ ? std::vector<PlanInfo>{*plan_} : AllPlans()) {
            Record channels = Record::array();
            for (uint32_t n = plan.firstChannel; n <= plan.lastChannel; ++n)
                if (std::optional<ChannelInfo> info = Channel(plan, n))
                    channels.push_back({{"channel", n},
                                        {"carrierMHz", static_cast<double>(info->carrierHz) / 1e6},
                                        {"oscillatorMHz", info->oscillatorKHz / 1000.0},
                                        {"divider", info->divider},
                                        {"bandCode", info->bandCode},
                                        {"band", BandName(info->bandCode)}});
            reply.data["plans"].push_back(
                {{"name", plan.name}, {"first", plan.firstChannel}, {"last", plan.lastChannel}, {"channels", channels}});
        }
    }
    std::string Text(const Record &record) const override {
        std::string text;
        for (const Record &plan : Field(record, "plans")) {
            const bool library = PlanByName(plan["name"].get<std::string>())->library;
            text += fmt::format("{}{} plan: channels {}-{}{}\n", text.empty() ? "" : "\n", plan["name"].get<std::string>(),
                                plan["first"].get<uint32_t>(), plan["last"].get<uint32_t>(),
                                library ? "" : " (tuned by tvctl through the tuner block)");
            text += "  channel  carrier MHz  oscillator MHz  divider          band\n";
            for (const Record &channel : plan["channels"]) {
                const auto hz = static_cast<uint64_t>(std::llround(channel["carrierMHz"].get<double>() * 1e6));
                const auto divider = channel["divider"].get<uint32_t>(), band = channel["bandCode"].get<uint32_t>();
                text += fmt::format("  {:>7}  {:>11}  {:>14}  0x{:04X} ({:>5})  0x{:04X} {}\n",
                                    channel["channel"].get<uint32_t>(), MhzOfHz(hz), MhzOfHz(OscillatorOfCarrierHz(hz)),
                                    divider, divider, band, channel["band"].get<std::string>());
            }
        }
        return text;
    }

private:
    std::optional<PlanInfo> plan_;
};

}  // namespace

std::vector<CommandEntry> PlanCommands() {
    return {Entry<PlansCommand>("plans", "list each plan's channels with carrier, oscillator, divider and band")};
}

}  // namespace tvctl
