#include "plan_info.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "numbers.h"
#include "tvcore/card/channel_plans.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

constexpr uint64_t kIfOffsetHz = uint64_t{kIfOffsetKHz} * 1000;

// Plan numbers are places in kChannelTables; the library's two plans keep theirs.
static_assert(kChannelTables[kBroadcastPlan].libraryPlan == kBroadcastPlan);
static_assert(kChannelTables[kCablePlan].libraryPlan == kCablePlan);

// The names tvctl had before the tables, and the table each now means; the
// first for a table is the name tvctl shows it by, as it always has.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"broadcast", "us-bcast"},        {"cable", "us-cable"}, {"std", "us-cable"}, {"cable-std", "us-cable"},
    {"cable-irc", "us-cable-irc"}, {"irc", "us-cable-irc"}, {"cable-hrc", "us-cable-hrc"}, {"hrc", "us-cable-hrc"},
};

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A name of digits only, as a number; empty otherwise.
std::optional<uint32_t> NumberOfName(std::string_view name) {
    if (name.empty() || name.size() > 9 || !AllDigits(name)) return std::nullopt;
    return static_cast<uint32_t>(*ParseNumber(name));
}

// The order up and down walk: by number when every name is one.
std::vector<TableChannel> Walk(const ChannelTable &table) {
    std::vector<TableChannel> walk(table.channels.begin(), table.channels.end());
    if (std::all_of(walk.begin(), walk.end(), [](const TableChannel &c) { return NumberOfName(c.Name()).has_value(); }))
        std::stable_sort(walk.begin(), walk.end(), [](const TableChannel &a, const TableChannel &b) {
            return *NumberOfName(a.Name()) < *NumberOfName(b.Name());
        });
    return walk;
}

}  // namespace

// Built on first use, so that a failure to build them reaches a caller
// rather than the program's start-up.
const std::vector<PlanInfo> &AllPlans() {
    static const std::vector<std::vector<TableChannel>> walks = [] {
        std::vector<std::vector<TableChannel>> all;
        for (const ChannelTable &table : kChannelTables) all.push_back(Walk(table));
        return all;
    }();
    static const std::vector<PlanInfo> plans = [] {
        std::vector<PlanInfo> all;
        for (uint32_t i = 0; i < std::size(kChannelTables); ++i) {
            const ChannelTable &table = kChannelTables[i];
            const auto *alias = std::find_if(std::begin(kAliases), std::end(kAliases),
                                             [&](const auto &entry) { return entry.second == table.name; });
            const char *shown = alias != std::end(kAliases) ? alias->first.data() : table.name;
            all.push_back({i, shown, table.libraryPlan != kNoLibraryPlan,
                           std::string_view(table.name).find("cable") != std::string_view::npos, &table, &walks[i]});
        }
        return all;
    }();
    return plans;
}

const PlanInfo &BroadcastPlan() { return AllPlans()[kBroadcastPlan]; }
const PlanInfo &CablePlan() { return AllPlans()[kCablePlan]; }

std::optional<PlanInfo> PlanByName(std::string_view name) {
    for (const auto &[alias, table] : kAliases)
        if (SameName(alias, name)) name = table;
    for (const PlanInfo &plan : AllPlans())
        if (SameName(plan.table->name, name)) return plan;
    return std::nullopt;
}

std::optional<PlanInfo> PlanByNumber(uint32_t number) {
    if (number >= AllPlans().size()) return std::nullopt;
    return AllPlans()[number];
}

std::string PlanNames() {
    std::string names;
    for (const PlanInfo &plan : AllPlans()) names += (names.empty() ? "" : ", ") + std::string(plan.name);
    return names;
}

std::string PlanRange(const PlanInfo &plan) {
    std::string_view range = plan.table->description;
    range.remove_prefix(std::min(range.size(), range.find(": ") + 2));
    return std::string(range.substr(0, range.find(" (")));
}

std::optional<ChannelInfo> Channel(const PlanInfo &plan, std::string_view name) {
    // A number is looked up without its leading zeros ("007" is 7).
    std::optional<uint32_t> number = NumberOfName(name);
    const std::string digits = number ? std::to_string(*number) : "";
    const TableChannel *channel = FindChannel(*plan.table, number ? std::string_view(digits) : name);
    if (channel == nullptr) return std::nullopt;
    if (plan.library) {
        // The dividers are the library's constant tables, indexed as its tuning
        // step indexes them; the band codes are the ranges its load step fills in.
        const uint32_t n = *number;
        const uint32_t carrier = PictureCarrierKHz(plan.plan, n);
        return ChannelInfo{digits, carrier, carrier + kIfOffsetKHz, static_cast<uint16_t>(PlanDividers(plan.plan)[n]),
                           ChannelBandCode(plan.plan, n), uint64_t{carrier} * 1000, n};
    }
    const uint64_t carrierHz = channel->carrierHz;
    const auto carrierKHz = static_cast<uint32_t>((carrierHz + 500) / 1000);
    return ChannelInfo{std::string(channel->Name()), carrierKHz, carrierKHz + kIfOffsetKHz,
                       DividerOfCarrierHz(carrierHz), BandCodeOfCarrierHz(carrierHz), carrierHz};
}

std::string NextChannel(const PlanInfo &plan, std::string_view name, bool up) {
    ChannelTable walk = *plan.table;
    walk.channels = *plan.walk;
    return std::string(tvcore::card::NextChannel(walk, Channel(plan, name).value_or(ChannelInfo{}).name, up)->Name());
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
    if (whole.empty() || whole.size() > 6 || !AllDigits(whole) || !AllDigits(fraction) || fraction.size() > 6 ||
        (dot != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    // Whole MHz, and the fraction as millionths ("3125" is 312500 Hz).
    return *ParseNumber(whole) * 1'000'000 + *ParseNumber(std::string(fraction).append(6 - fraction.size(), '0'));
}

std::string NotInPlan(const PlanInfo &plan, std::string_view channel) {
    return fmt::format("channel {} is not in the {} plan ({})", channel, plan.name, PlanRange(plan));
}

}  // namespace tvctl
