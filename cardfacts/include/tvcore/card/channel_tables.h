// The channel tables TV users know by name (us-bcast, europe-west, japan-cable,
// ...): each channel under the name its table gives it (E5, S10, 21, C13,
// 5A, ...) with its picture carrier, the standard the table's region
// normally uses, and the public allocation document the table comes from.
//
// A table is written as runs of channels whose carriers lie a fixed step
// apart, as the allocation documents give them, and built into its list of
// channels at compile time. The library's own two plans (us-bcast and
// us-cable) are not written again: their tables are built from the plans'
// carrier runs (channel_plans.h). Every table lists its channels in
// ascending carrier order, with no name twice and every carrier inside the
// tuner's range; channel_tables.cpp proves it and fails the build when a
// table breaks a rule. Channels an allocation has beyond the tuner's range
// are left out, with a note at the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tvcore/card/analog_standards.h"
#include "tvcore/card/cable_tables.h"
#include "tvcore/card/channel_plans.h"
#include "tvcore/card/name_match.h"

namespace tvcore::card {

// Room for the longest name (four characters and two digits) and its NUL.
inline constexpr std::size_t kChannelNameSize = 8;

struct TableChannel {
    std::array<char, kChannelNameSize> name;  // NUL-terminated
    uint32_t carrierHz;                       // picture carrier

    constexpr std::string_view Name() const { return name.data(); }
};

// Channels `prefix` + first .. `prefix` + last, the first at
// firstCarrierHz and each next one stepHz above; or, with first ==
// kUnnamedNumber, one channel whose whole name is `prefix`.
struct ChannelRun {
    const char *prefix;
    uint32_t first, last;
    uint32_t firstCarrierHz, stepHz;
};

inline constexpr uint32_t kUnnamedNumber = 0xFFFFFFFF;

constexpr ChannelRun Run(const char *prefix, uint32_t first, uint32_t last, uint32_t firstCarrierKHz,
                         uint32_t stepKHz) {
    return {prefix, first, last, firstCarrierKHz * 1000, stepKHz * 1000};
}
constexpr ChannelRun Single(const char *name, uint32_t carrierKHz) {
    return {name, kUnnamedNumber, kUnnamedNumber, carrierKHz * 1000, 0};
}

constexpr uint32_t RunLength(const ChannelRun &run) {
    return run.first == kUnnamedNumber ? 1 : run.last - run.first + 1;
}

constexpr std::size_t ChannelCount(std::span<const ChannelRun> runs) {
    std::size_t count = 0;
    for (const ChannelRun &run : runs) count += RunLength(run);
    return count;
}

constexpr std::array<char, kChannelNameSize> ChannelName(const char *prefix, uint32_t number) {
    std::array<char, kChannelNameSize> name{};
    std::size_t at = 0;
    for (const char *p = prefix; *p != '\0'; ++p) name[at++] = *p;
    if (number == kUnnamedNumber) return name;
    std::array<char, 10> digits{};
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (count > 0) name[at++] = digits[--count];
    return name;
}

template <std::size_t N>
constexpr std::array<TableChannel, N> BuildTable(std::span<const ChannelRun> runs) {
    std::array<TableChannel, N> channels{};
    std::size_t at = 0;
    for (const ChannelRun &run : runs)
        for (uint32_t i = 0; i < RunLength(run); ++i)
            channels[at++] = {ChannelName(run.prefix, run.first == kUnnamedNumber ? kUnnamedNumber : run.first + i),
                              run.firstCarrierHz + run.stepHz * i};
    return channels;
}

// ---------------------------------------------------------------------------
// Tables from the library's plans: its carrier runs in carrier order, the
// channels named by their numbers.

constexpr std::size_t PlanRunCount(uint32_t plan) {
    std::size_t count = 0;
    for (const CarrierRun &run : kCarrierRuns) count += run.plan == plan ? 1 : 0;
    return count;
}

template <std::size_t K>
constexpr std::array<ChannelRun, K> PlanRuns(uint32_t plan) {
    std::array<ChannelRun, K> runs{};
    std::size_t count = 0;
    for (const CarrierRun &run : kCarrierRuns) {
        if (run.plan != plan) continue;
        ChannelRun next = Run("", run.first, run.last, run.firstCarrierKHz, kChannelSpacingKHz);
        std::size_t at = count++;
        for (; at > 0 && runs[at - 1].firstCarrierHz > next.firstCarrierHz; --at) runs[at] = runs[at - 1];
        runs[at] = next;
    }
    return runs;
}

inline constexpr auto kBroadcastPlanRuns = PlanRuns<PlanRunCount(kBroadcastPlan)>(kBroadcastPlan);
inline constexpr auto kCablePlanRuns = PlanRuns<PlanRunCount(kCablePlan)>(kCablePlan);

// HRC cable: the standard cable runs moved onto the 6.0003 MHz comb
// (cable_tables.h).
template <std::size_t K>
constexpr std::array<ChannelRun, K> HrcRuns(const std::array<ChannelRun, K> &standard) {
    std::array<ChannelRun, K> runs{};
    for (std::size_t i = 0; i < K; ++i)
        runs[i] = {"", standard[i].first, standard[i].last, static_cast<uint32_t>(HrcCarrierHz(standard[i].first)),
                   static_cast<uint32_t>(kHrcCombHz)};
    return runs;
}

inline constexpr auto kHrcRuns = HrcRuns(kCablePlanRuns);

// IRC cable: the standard cable channels, each at its IRC carrier
// (cable_tables.h: channels 5 and 6 two MHz up, the rest unchanged).
template <std::size_t N>
constexpr std::array<TableChannel, N> IrcTable(const std::array<TableChannel, N> &standard) {
    std::array<TableChannel, N> channels = standard;
    for (TableChannel &channel : channels) {
        uint32_t number = 0;
        for (char c : channel.Name()) number = number * 10 + static_cast<uint32_t>(c - '0');
        channel.carrierHz = static_cast<uint32_t>(IrcCarrierHz(number));
    }
    return channels;
}

// ---------------------------------------------------------------------------
// The tables written from their allocation documents. Carriers in kHz.

// Japan, broadcast (System M): VHF 1-12 (7 and 8 overlap by 2 MHz), UHF 13-62.
// "Asian television frequencies" (Wikipedia), Japan VHF table; Japanese UHF
// table 13-62 (https://paperzz.com/doc/5875304, 13: 471.25 MHz, 6 MHz apart;
// analogue UHF ran to channel 62).
inline constexpr ChannelRun kJapanBroadcastRuns[] = {
    Run("", 1, 3, 91'250, 6'000),
    Run("", 4, 7, 171'250, 6'000),
    Run("", 8, 12, 193'250, 6'000),
    Run("", 13, 62, 471'250, 6'000),
};

// Japan, cable: VHF 1-12 and the cable channels C13-C63. ARIB STD-B21
// tables 10-2 to 10-4 give the channels' centres (C13 at 111+1/7 MHz, a
// 2 MHz gap between C21 and C22, C23-C63 at 225+1/7 .. 465+1/7 MHz); the
// picture carrier lies 1+25/28 MHz below the centre, as for broadcast
// channel 13 (centre 473+1/7, carrier 471.25 MHz).
inline constexpr ChannelRun kJapanCableRuns[] = {
    Run("", 1, 3, 91'250, 6'000),
    Run("C", 13, 21, 109'250, 6'000),
    Single("C22", 165'250),
    Run("", 4, 7, 171'250, 6'000),
    Run("", 8, 12, 193'250, 6'000),
    Run("C", 23, 63, 223'250, 6'000),
};

// Western Europe, broadcast and cable (Systems B/G): band I E2-E4 with E2A,
// band III E5-E12 (7 MHz), the cable special channels S2-S20 (7 MHz; the
// charts have no S1, whose 104-111 MHz would overlap the FM band) and the
// hyperband S21-S41 (8 MHz), UHF 21-69 (8 MHz).
inline constexpr ChannelRun kEuropeWestRuns[] = {
    Single("E2", 48'250),
    Single("E2A", 49'750),
    Run("E", 3, 4, 55'250, 7'000),
    Run("S", 2, 10, 112'250, 7'000),
    Run("E", 5, 12, 175'250, 7'000),
    Run("S", 11, 20, 231'250, 7'000),
    Run("S", 21, 41, 303'250, 8'000),
    Run("", 21, 69, 471'250, 8'000),
};

// Eastern Europe, broadcast (OIRT, Systems D/K): R1-R12 and UHF 21-69.
inline constexpr ChannelRun kEuropeEastRuns[] = {
    Single("R1", 49'750),
    Single("R2", 59'250),
    Run("R", 3, 5, 77'250, 8'000),
    Run("R", 6, 12, 175'250, 8'000),
    Run("", 21, 69, 471'250, 8'000),
};

// Russia, broadcast and cable (Systems D/K): channels 1-12, the cable
// channels SK1-SK8 and SK11-SK40 (8 MHz), UHF 21-69.
inline constexpr ChannelRun kRussiaRuns[] = {
    Single("1", 49'750),
    Single("2", 59'250),
    Run("", 3, 5, 77'250, 8'000),
    Run("SK", 1, 8, 111'250, 8'000),
    Run("", 6, 12, 175'250, 8'000),
    Run("SK", 11, 40, 231'250, 8'000),
    Run("", 21, 69, 471'250, 8'000),
};

// Italy, broadcast: band III D-H2 and UHF 21-69. (Band I's A, B and C are
// left out: no public document at hand gave their carriers.)
inline constexpr ChannelRun kItalyRuns[] = {
    Single("D", 175'250),  Single("E", 183'750),  Single("F", 192'250), Single("G", 201'250),
    Single("H", 210'250),  Single("H1", 217'250), Single("H2", 224'250),
    Run("", 21, 69, 471'250, 8'000),
};

// Ireland, broadcast (System I): UHF 21-69. (VHF A-J are left out: no
// public document at hand gave their carriers.) South Africa's UHF channels
// are the same System I raster; its VHF channels are left out likewise.
inline constexpr ChannelRun kIrelandRuns[] = {
    Run("", 21, 69, 471'250, 8'000),
};

// France, broadcast (System L): band I 2-4, band III 5-10 (8 MHz from
// 176 MHz), UHF 21-65 (470-830 MHz).
inline constexpr ChannelRun kFranceRuns[] = {
    Single("2", 55'750),
    Single("3", 60'500),
    Single("4", 63'750),
    Run("", 5, 10, 176'000, 8'000),
    Run("", 21, 65, 471'250, 8'000),
};

// Australia, broadcast (System B): VHF 0-12 with 5A and 9A (10-12 as moved
// up in 2001), UHF 28-69 (7 MHz from 526 MHz).
inline constexpr ChannelRun kAustraliaRuns[] = {
    Single("0", 46'250),  Single("1", 57'250), Single("2", 64'250), Single("3", 86'250),
    Single("4", 95'250),  Single("5", 102'250), Single("5A", 138'250),
    Run("", 6, 9, 175'250, 7'000),
    Single("9A", 203'250),
    Run("", 10, 12, 210'250, 7'000),
    Run("", 28, 69, 527'250, 7'000),
};

// New Zealand, broadcast (System B on VHF, G on UHF): VHF 1-11, UHF 25-62
// (8 MHz, 502-806 MHz).
inline constexpr ChannelRun kNewZealandRuns[] = {
    Single("1", 45'250),
    Single("2", 55'250),
    Single("3", 62'250),
    Run("", 4, 11, 175'250, 7'000),
    Run("", 25, 62, 503'250, 8'000),
};

// China, broadcast (System D): DS1-DS12 on VHF, DS13-DS24 and DS25-DS57 on
// UHF (8 MHz). DS58-DS68 (871.25-951.25 MHz) lie above the tuner's range
// and are left out.
inline constexpr ChannelRun kChinaBroadcastRuns[] = {
    Run("DS", 1, 3, 49'750, 8'000),
    Run("DS", 4, 5, 77'250, 8'000),
    Run("DS", 6, 12, 168'250, 8'000),
    Run("DS", 13, 24, 471'250, 8'000),
    Run("DS", 25, 57, 607'250, 8'000),
};

// ---------------------------------------------------------------------------
// The tables.

inline constexpr auto kUsBroadcastChannels = BuildTable<ChannelCount(kBroadcastPlanRuns)>(kBroadcastPlanRuns);
inline constexpr auto kUsCableChannels = BuildTable<ChannelCount(kCablePlanRuns)>(kCablePlanRuns);
inline constexpr auto kUsCableIrcChannels = IrcTable(kUsCableChannels);
inline constexpr auto kUsCableHrcChannels = BuildTable<ChannelCount(kHrcRuns)>(kHrcRuns);
inline constexpr auto kJapanBroadcastChannels = BuildTable<ChannelCount(kJapanBroadcastRuns)>(kJapanBroadcastRuns);
inline constexpr auto kJapanCableChannels = BuildTable<ChannelCount(kJapanCableRuns)>(kJapanCableRuns);
inline constexpr auto kEuropeWestChannels = BuildTable<ChannelCount(kEuropeWestRuns)>(kEuropeWestRuns);
inline constexpr auto kEuropeEastChannels = BuildTable<ChannelCount(kEuropeEastRuns)>(kEuropeEastRuns);
inline constexpr auto kRussiaChannels = BuildTable<ChannelCount(kRussiaRuns)>(kRussiaRuns);
inline constexpr auto kItalyChannels = BuildTable<ChannelCount(kItalyRuns)>(kItalyRuns);
inline constexpr auto kIrelandChannels = BuildTable<ChannelCount(kIrelandRuns)>(kIrelandRuns);
inline constexpr auto kFranceChannels = BuildTable<ChannelCount(kFranceRuns)>(kFranceRuns);
inline constexpr auto kAustraliaChannels = BuildTable<ChannelCount(kAustraliaRuns)>(kAustraliaRuns);
inline constexpr auto kNewZealandChannels = BuildTable<ChannelCount(kNewZealandRuns)>(kNewZealandRuns);
inline constexpr auto kChinaBroadcastChannels = BuildTable<ChannelCount(kChinaBroadcastRuns)>(kChinaBroadcastRuns);

// A table the library's own plan tunes by channel number names that plan;
// the others are tuned by frequency.
inline constexpr uint32_t kNoLibraryPlan = 0xFFFFFFFF;

struct ChannelTable {
    const char *name;
    const char *description;
    const char *source;
    uint64_t defaultStandard;  // one entry of kAnalogStandards
    uint32_t libraryPlan;      // kBroadcastPlan, kCablePlan or kNoLibraryPlan
    std::span<const TableChannel> channels;
};

inline constexpr ChannelTable kChannelTables[] = {
    {"us-bcast", "North America, broadcast: 2-69 (the library's broadcast plan)",
     "47 CFR 73.603 (channel edges; picture carrier 1.25 MHz above the lower edge); "
     "\"Pan-American television frequencies\" (Wikipedia)",
     kStdNtscM, kBroadcastPlan, kUsBroadcastChannels},
    {"us-cable", "North America, standard cable: 1-125 (the library's cable plan)",
     "CEA-542 cable channel allocation; \"North American cable television frequencies\" (Wikipedia)",
     kStdNtscM, kCablePlan, kUsCableChannels},
    {"us-cable-irc", "North America, IRC cable: 1-125 (5 and 6 two MHz up)",
     "CEA-542 cable channel allocation, IRC carriers",
     kStdNtscM, kNoLibraryPlan, kUsCableIrcChannels},
    {"us-cable-hrc", "North America, HRC cable: 1-125 (on the 6.0003 MHz comb)",
     "CEA-542 cable channel allocation, HRC carriers",
     kStdNtscM, kNoLibraryPlan, kUsCableHrcChannels},
    {"japan-bcast", "Japan, broadcast: VHF 1-12, UHF 13-62",
     "\"Asian television frequencies\" (Wikipedia), Japan; Japanese UHF channel table 13-62",
     kStdNtscMJp, kNoLibraryPlan, kJapanBroadcastChannels},
    {"japan-cable", "Japan, cable: VHF 1-12, C13-C63",
     "ARIB STD-B21, tables 10-2 to 10-4 (receiving channel centre frequencies)",
     kStdNtscMJp, kNoLibraryPlan, kJapanCableChannels},
    {"europe-west", "Western Europe, broadcast and cable: E2-E12, S2-S41, 21-69",
     "ITU-R/CCIR Systems B/G channel raster; \"Television channel frequencies\" (Wikipedia); cable special and "
     "hyperband channels as in public cable channel charts (e.g. https://manualshive.com/en/manual/triax/325110/"
     "1160861?page=23)",
     kStdPalBg, kNoLibraryPlan, kEuropeWestChannels},
    {"europe-east", "Eastern Europe, broadcast (OIRT): R1-R12, 21-69",
     "OIRT channel raster, Systems D/K (e.g. http://www.dvbshop.eu/frekvencie/1-az-3-tv-pasmo-vhf/)",
     kStdPalDk, kNoLibraryPlan, kEuropeEastChannels},
    {"russia", "Russia, broadcast and cable: 1-12, SK1-SK8, SK11-SK40, 21-69",
     "Rules for the use of TV broadcasting equipment, annex 1 (Russian Ministry of Communications, "
     "https://base.garant.ru/194052/); cable channel grid (https://www.ivtechno.ru/tv_freq)",
     kStdSecamDk, kNoLibraryPlan, kRussiaChannels},
    {"italy", "Italy, broadcast: D-H2, 21-69",
     "Italian band III channel edges, D 174-181 ... H2 223-230 MHz (https://www.digital-forum.it/threads/"
     "segnali-tv-in-puglia-esclusa-la-prov-di-foggia-switch-off-concluso-il-25-05-12.109680/post-2189509); "
     "ITU-R/CCIR UHF raster",
     kStdPalBg, kNoLibraryPlan, kItalyChannels},
    {"ireland", "Ireland, broadcast: 21-69",
     "ITU-R/CCIR System I UHF raster, vision carrier 8n + 303.25 MHz (e.g. http://www.aerialsandtv.com/"
     "appendix.html)",
     kStdPalI, kNoLibraryPlan, kIrelandChannels},
    {"france", "France, broadcast: 2-10, 21-65",
     "Arrete du 14 mars 1986 fixant les normes des canaux utilises pour la television en France metropolitaine, "
     "article 1; \"CCIR System L\" (Wikipedia)",
     kStdSecamL, kNoLibraryPlan, kFranceChannels},
    {"australia", "Australia, broadcast: 0-12 with 5A and 9A, 28-69",
     "\"Australian and New Zealand television frequencies\" (Wikipedia), VHF table; ACMA UHF channel 27/28 "
     "edges (526 MHz)",
     kStdPalBg, kNoLibraryPlan, kAustraliaChannels},
    {"newzealand", "New Zealand, broadcast: 1-11, 25-62",
     "New Zealand VHF and UHF TV channels (http://www.qsl.net/zl1vfo/tvchannels.htm); \"Australian and New "
     "Zealand television frequencies\" (Wikipedia)",
     kStdPalBg, kNoLibraryPlan, kNewZealandChannels},
    {"china-bcast", "China, broadcast: DS1-DS57",
     "China TV channel allocation table, DS channels (https://newton.com.tw/wiki/"
     "%E4%B8%AD%E5%9C%8B%E6%9C%89%E7%B7%9A%E9%9B%BB%E8%A6%96%E9%A0%BB%E9%81%93%E5%8A%83%E5%88%86%E8%A1%A8/9078781)",
     kStdPalDk, kNoLibraryPlan, kChinaBroadcastChannels},
    {"southafrica", "South Africa, broadcast: 21-69",
     "ITU-R/CCIR System I UHF raster, vision carrier 8n + 303.25 MHz, as South African assignments give it "
     "(channel 38 at 607.25 MHz, http://www.liquisearch.com/cape_town_tv/signal_transmission_and_reception; "
     "channel 67 at 839.25 MHz, https://www.wantedinafrica.com/news/cape-town-tv-changes-broadcasting-frequency.html)",
     kStdPalI, kNoLibraryPlan, kIrelandChannels},
    {"argentina", "Argentina, broadcast: 2-69 (the Pan-American 6 MHz channels)",
     "\"CCIR System N\" and \"Pan-American television frequencies\" (Wikipedia)",
     kStdPalNc, kNoLibraryPlan, kUsBroadcastChannels},
};

// ---------------------------------------------------------------------------
// Lookups. Names match without regard to case.

constexpr const ChannelTable *FindTable(std::string_view name) {
    for (const ChannelTable &table : kChannelTables)
        if (SameName(table.name, name)) return &table;
    return nullptr;
}

constexpr const TableChannel *FindChannel(const ChannelTable &table, std::string_view name) {
    for (const TableChannel &channel : table.channels)
        if (SameName(channel.Name(), name)) return &channel;
    return nullptr;
}

// The channel whose carrier lies nearest a frequency (of two as near, the
// lower): what a frequency found by a scan is called in the table.
constexpr const TableChannel *NearestChannel(const ChannelTable &table, uint64_t carrierHz) {
    const TableChannel *nearest = nullptr;
    uint64_t nearestOff = 0;
    for (const TableChannel &channel : table.channels) {
        const uint64_t off =
            channel.carrierHz > carrierHz ? channel.carrierHz - carrierHz : carrierHz - channel.carrierHz;
        if (nearest == nullptr || off < nearestOff) {
            nearest = &channel;
            nearestOff = off;
        }
    }
    return nearest;
}

// The channel after (up) or before a named one, in carrier order, wrapping
// round at the ends. From a name the table lacks, up gives the first channel
// and down the last.
constexpr const TableChannel *NextChannel(const ChannelTable &table, std::string_view name, bool up) {
    const std::size_t count = table.channels.size();
    if (count == 0) return nullptr;
    std::size_t at = up ? count - 1 : 0;
    for (std::size_t i = 0; i < count; ++i)
        if (SameName(table.channels[i].Name(), name)) at = i;
    return &table.channels[up ? (at + 1) % count : (at + count - 1) % count];
}

}  // namespace tvcore::card
