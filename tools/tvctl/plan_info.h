// The channel plans as a user sees them: the channel tables
// (tvcore/card/channel_tables.h), each channel under its table's name (7,
// E5, SE10, C13). The library's own two plans (us-bcast, us-cable) are tuned
// by channel number through the library; every other table tvctl tunes
// itself by frequency, through the tuner block. The four North-American
// tables keep the names tvctl had for them before the tables, and shows them
// by: broadcast (us-bcast), cable (us-cable; std, cable-std), cable-irc
// (us-cable-irc; irc), cable-hrc (us-cable-hrc; hrc); either name is taken.
// Each channel's carrier, oscillator, divider and band.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tvcore/card/channel_tables.h"

namespace tvctl {

struct PlanInfo {
    uint32_t plan;      // its place in kChannelTables: the library's kBroadcastPlan (0) and kCablePlan (1) first
    const char *name;   // as tvctl shows it: "cable" for us-cable, else the table's name ("europe-west")
    bool library;       // tuned by the library (SetTVParam(2, N)); else by tvctl's tuner block
    bool cableInput;    // on the library's cable input (a table named cable); else its broadcast input
    const tvcore::card::ChannelTable *table;
    // The channels in the order up and down walk them: by number where every
    // name is a number, else the table's carrier order.
    const std::vector<tvcore::card::TableChannel> *walk;
};

const PlanInfo &BroadcastPlan();
const PlanInfo &CablePlan();
// Every plan, in the order lists show them.
const std::vector<PlanInfo> &AllPlans();
// By table name or old alias, case-insensitive ("Europe-West", "cable-irc", "hrc").
std::optional<PlanInfo> PlanByName(std::string_view name);
std::optional<PlanInfo> PlanByNumber(uint32_t number);
// The plans' names, "broadcast, cable, cable-irc, cable-hrc, japan-bcast,
// ...", for sentences.
std::string PlanNames();
// The channels a plan has, in words: "1-125", "E2-E12, S2-S41, 21-69".
std::string PlanRange(const PlanInfo &plan);

struct ChannelInfo {
    std::string name;        // as the table spells it: "E5", "7"
    uint32_t carrierKHz;     // picture carrier, to the nearest kHz
    uint32_t oscillatorKHz;  // carrier + 45.75 MHz
    uint16_t divider;        // what the tuner block carries
    uint16_t bandCode;       // control byte 0x8E over the band byte
    uint64_t carrierHz = 0;  // picture carrier exactly (HRC carriers are not whole kHz)
    uint32_t number = 0;     // a library plan's channel number, as SetTVParam(2, N) takes it
};

// The channel's figures (its name in any case; a number may have leading
// zeros); empty when the plan has no such channel.
std::optional<ChannelInfo> Channel(const PlanInfo &plan, std::string_view name);

// The channel after (or before) `name` in the plan's walk, wrapping around at
// the ends like a remote control; from a name the plan lacks, the first
// (or last).
std::string NextChannel(const PlanInfo &plan, std::string_view name, bool up);

// The band code of a picture carrier by the tuner's band edges.
uint16_t BandCodeOfCarrierHz(uint64_t carrierHz);
// The tuner's oscillator for a picture carrier: 45.75 MHz above it.
uint64_t OscillatorOfCarrierHz(uint64_t carrierHz);

// The four bytes the tuner receives for a channel: divider high, divider low,
// control byte, band byte.
void TunerBlock(const ChannelInfo &channel, uint8_t out[4]);
void TunerBlock(uint16_t divider, uint16_t bandCode, uint8_t out[4]);

// "low", "mid", "high" from a band code.
const char *BandName(uint16_t bandCode);

// 175250 kHz -> "175.25".
std::string Mhz(uint32_t kHz);
// 54002700 Hz -> "54.0027", 79250000 -> "79.25": two decimals at least.
std::string MhzOfHz(uint64_t hz);
// "79.3125" -> 79312500 Hz; empty for anything but a plain decimal number
// with at most 6 decimals.
std::optional<uint64_t> ParseMhz(std::string_view text);

// "channel 126 is not in the cable plan (1-125)".
std::string NotInPlan(const PlanInfo &plan, std::string_view channel);

}  // namespace tvctl
