// The channel tables and the standards against their rules, proved at
// compile time: the file compiles to nothing, and a table that breaks a rule
// fails the build.
#include "tvcore/card/channel_tables.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace tvcore::card {
namespace {

// A channel's name: not empty, and its NUL inside the array.
constexpr bool NameFits(const TableChannel &channel) {
    return channel.name[0] != '\0' && channel.name[kChannelNameSize - 1] == '\0';
}

// Every table: channels there, names that fit, carriers strictly ascending
// and inside the tuner's range, no name twice.
constexpr bool TableKeepsItsRules(const ChannelTable &table) {
    const auto &channels = table.channels;
    if (channels.empty()) return false;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (!NameFits(channels[i]) || !CarrierInTunerRange(channels[i].carrierHz)) return false;
        if (i > 0 && channels[i - 1].carrierHz >= channels[i].carrierHz) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (SameName(channels[j].Name(), channels[i].Name())) return false;
    }
    return true;
}

// One evaluation per table, so that each stays well inside a compiler's
// budget of constexpr steps.
template <std::size_t I>
constexpr bool kTableKeepsItsRules =
    TableKeepsItsRules(kChannelTables[I]) && StandardName(kChannelTables[I].defaultStandard) != nullptr;

template <std::size_t... I>
constexpr bool AllTablesKeepTheirRules(std::index_sequence<I...> /*tables*/) {
    return (kTableKeepsItsRules<I> && ...);
}
static_assert(AllTablesKeepTheirRules(std::make_index_sequence<std::size(kChannelTables)>()));

constexpr bool TableNamesAreDistinct() {
    for (std::size_t i = 0; i < std::size(kChannelTables); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (SameName(kChannelTables[i].name, kChannelTables[j].name)) return false;
    return true;
}
static_assert(TableNamesAreDistinct());

// Standards: distinct names, distinct non-zero masks, and each group the
// union of bits the list names on their own.
constexpr bool StandardsAreDistinct() {
    for (std::size_t i = 0; i < std::size(kAnalogStandards); ++i) {
        if (kAnalogStandards[i].mask == 0) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (SameName(kAnalogStandards[i].name, kAnalogStandards[j].name) ||
                kAnalogStandards[i].mask == kAnalogStandards[j].mask)
                return false;
    }
    return true;
}
static_assert(StandardsAreDistinct());

// A channel name of digits only, as a number; kUnnamedNumber otherwise.
constexpr uint32_t NumberOf(std::string_view name) {
    if (name.empty()) return kUnnamedNumber;
    uint32_t number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return kUnnamedNumber;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    return number;
}

// A table built from a library plan holds every channel of the plan that has
// a carrier, under its number, at the plan's carrier.
constexpr bool AgreesWithPlan(std::span<const TableChannel> channels, uint32_t plan) {
    std::size_t withCarrier = 0;
    for (uint32_t number = 0; number < PlanSize(plan); ++number) withCarrier += PictureCarrierKHz(plan, number) != 0;
    if (channels.size() != withCarrier) return false;
    for (const TableChannel &channel : channels) {
        const uint32_t number = NumberOf(channel.Name());
        if (number == kUnnamedNumber || uint64_t{PictureCarrierKHz(plan, number)} * 1000 != channel.carrierHz)
            return false;
    }
    return true;
}
// Each table the library's plan tunes, and only those two, agrees with it.
template <std::size_t... I>
constexpr bool PlanTablesAgree(std::index_sequence<I...> /*tables*/) {
    return ((kChannelTables[I].libraryPlan == kNoLibraryPlan ||
             AgreesWithPlan(kChannelTables[I].channels, kChannelTables[I].libraryPlan)) &&
            ...);
}
static_assert(PlanTablesAgree(std::make_index_sequence<std::size(kChannelTables)>()));
static_assert(FindTable("us-bcast")->libraryPlan == kBroadcastPlan);
static_assert(FindTable("us-cable")->libraryPlan == kCablePlan);
static_assert(std::count_if(std::begin(kChannelTables), std::end(kChannelTables),
                            [](const ChannelTable &table) { return table.libraryPlan != kNoLibraryPlan; }) == 2);

// HRC: every cable channel, each carrier on the comb rule (the runs step
// the comb, so this holds the run starts to every channel).
constexpr bool HrcAgreesWithItsRule() {
    if (kUsCableHrcChannels.size() != kUsCableChannels.size()) return false;
    for (const TableChannel &channel : kUsCableHrcChannels) {
        const uint32_t number = NumberOf(channel.Name());
        if (number == kUnnamedNumber || HrcCarrierHz(number) != channel.carrierHz ||
            channel.carrierHz % kHrcCombHz != 0)
            return false;
    }
    return true;
}
static_assert(HrcAgreesWithItsRule());

// IRC: every cable channel at its IRC carrier, still in carrier order (the
// table rules above hold that).
constexpr bool IrcAgreesWithItsRule() {
    if (kUsCableIrcChannels.size() != kUsCableChannels.size()) return false;
    for (const TableChannel &channel : kUsCableIrcChannels)
        if (IrcCarrierHz(NumberOf(channel.Name())) != channel.carrierHz) return false;
    return true;
}
static_assert(IrcAgreesWithItsRule());

}  // namespace
}  // namespace tvcore::card
