#include "plan_info.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "tvcore/card/cable_tables.h"
#include "tvcore/card/channel_plans.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

constexpr uint64_t kIfOffsetHz = uint64_t{kIfOffsetKHz} * 1000;

// A plan's lowest channel with a carrier, from the library's tables.
constexpr uint32_t FirstCarrierChannel(uint32_t plan) {
    for (uint32_t channel = 0; channel < PlanSize(plan); ++channel)
        if (ChannelDivider(plan, channel) != 0) return channel;
    return 0;
}

// The IRC and HRC tables' carriers; the standard cable plan's channels.
uint64_t TableCarrierHz(uint32_t plan, uint32_t channel) {
    return plan == kIrcPlan ? IrcCarrierHz(channel) : HrcCarrierHz(channel);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

// Built on first use, so that a failure to build them reaches a caller
// rather than the program's start-up.
const PlanInfo &BroadcastPlan() {
    static const PlanInfo plan{kBroadcastPlan, "broadcast", FirstCarrierChannel(kBroadcastPlan), kBroadcastPlanSize - 1,
                               true};
    return plan;
}
const PlanInfo &CablePlan() {
    static const PlanInfo plan{kCablePlan, "cable", FirstCarrierChannel(kCablePlan), kCablePlanSize - 1, true};
    return plan;
}
const PlanInfo &IrcPlan() {
    static const PlanInfo plan{kIrcPlan, "cable-irc", CablePlan().firstChannel, CablePlan().lastChannel, false};
    return plan;
}
const PlanInfo &HrcPlan() {
    static const PlanInfo plan{kHrcPlan, "cable-hrc", CablePlan().firstChannel, CablePlan().lastChannel, false};
    return plan;
}

const std::vector<PlanInfo> &AllPlans() {
    static const std::vector<PlanInfo> plans{BroadcastPlan(), CablePlan(), IrcPlan(), HrcPlan()};
    return plans;
}

std::optional<PlanInfo> PlanByName(std::string_view name) {
    std::string lower = Lower(name);
    if (lower == "irc") lower = "cable-irc";
    if (lower == "hrc") lower = "cable-hrc";
    if (lower == "std" || lower == "cable-std") lower = "cable";
    for (const PlanInfo &plan : AllPlans())
        if (lower == plan.name) return plan;
    return std::nullopt;
}

std::optional<PlanInfo> PlanByNumber(uint32_t number) {
    for (const PlanInfo &plan : AllPlans())
        if (plan.plan == number) return plan;
    return std::nullopt;
}

std::string PlanNames() { return "cable, broadcast, cable-irc, cable-hrc"; }

std::optional<ChannelInfo> Channel(const PlanInfo &plan, uint32_t channel) {
    if (plan.library) {
        if (channel >= PlanSize(plan.plan)) return std::nullopt;
        // The dividers are the library's constant tables, indexed as its tuning
        // step indexes them; the band codes are the ranges its load step fills in.
        uint16_t divider = static_cast<uint16_t>(PlanDividers(plan.plan)[channel]);
        if (divider == 0) return std::nullopt;
        uint32_t carrier = PictureCarrierKHz(plan.plan, channel);
        return ChannelInfo{channel, carrier, carrier + kIfOffsetKHz, divider, ChannelBandCode(plan.plan, channel),
                           uint64_t{carrier} * 1000};
    }
    if (channel < plan.firstChannel || channel > plan.lastChannel) return std::nullopt;
    uint64_t carrierHz = TableCarrierHz(plan.plan, channel);
    if (carrierHz == 0) return std::nullopt;
    uint32_t carrierKHz = static_cast<uint32_t>((carrierHz + 500) / 1000);
    return ChannelInfo{channel,
                       carrierKHz,
                       carrierKHz + kIfOffsetKHz,
                       DividerOfCarrierHz(carrierHz),
                       BandCodeOfCarrierHz(carrierHz),
                       carrierHz};
}

uint32_t NextChannel(const PlanInfo &plan, uint32_t channel, bool up) {
    const uint32_t span = plan.lastChannel - plan.firstChannel + 1;
    uint32_t at = channel < plan.firstChannel || channel > plan.lastChannel ? (up ? plan.lastChannel : plan.firstChannel)
                                                                           : channel;
    for (uint32_t i = 0; i < span; ++i) {
        at = up ? (at == plan.lastChannel ? plan.firstChannel : at + 1)
                : (at == plan.firstChannel ? plan.lastChannel : at - 1);
        if (Channel(plan, at)) return at;
    }
    return channel;
}

uint16_t BandCodeOfCarrierHz(uint64_t carrierHz) {
    return BandOfCarrier(static_cast<uint32_t>(carrierHz / 1000));
}

uint64_t OscillatorOfCarrierHz(uint64_t carrierHz) { return carrierHz + kIfOffsetHz; }

void TunerBlock(uint16_t divider, uint16_t bandCode, uint8_t out[4]) {
    const tvcore::card::TunerBlock block = MakeTunerBlock(divider, bandCode);
    std::copy(block.begin(), block.end(), out);
}

void TunerBlock(const ChannelInfo &channel, uint8_t out[4]) { TunerBlock(channel.divider, channel.bandCode, out); }

const char *BandName(uint16_t bandCode) {
    switch (bandCode) {
        case kBandLow: return "low";
        case kBandMid: return "mid";
        case kBandHigh: return "high";
        default: return "?";
    }
}

std::string Mhz(uint32_t kHz) { return fmt::format("{}.{:02}", kHz / 1000, kHz % 1000 / 10); }

std::string MhzOfHz(uint64_t hz) {
    std::string fraction = fmt::format("{:06}", hz % 1'000'000);
    while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
    return fmt::format("{}.{}", hz / 1'000'000, fraction);
}

std::optional<uint64_t> ParseMhz(std::string_view text) {
    size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || whole.size() > 6 || !digits(whole) || !digits(fraction) || fraction.size() > 6 ||
        (dot != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    uint64_t hz = 0;
    for (char c : whole) hz = hz * 10 + static_cast<uint64_t>(c - '0');
    hz *= 1'000'000;
    uint64_t scale = 100'000;
    for (char c : fraction) {
        hz += static_cast<uint64_t>(c - '0') * scale;
        scale /= 10;
    }
    return hz;
}

std::string NotInPlan(const PlanInfo &plan, uint64_t channel) {
    return fmt::format("channel {} is not in the {} plan ({}-{})", channel, plan.name, plan.firstChannel,
                       plan.lastChannel);
}

}  // namespace tvctl
