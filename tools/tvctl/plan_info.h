// The channel plans as a user sees them: the library's two (broadcast and
// standard cable, tvcore/card/channel_plans.h, the library's own tables) and
// the two other North-American cable tables, IRC and HRC
// (tvcore/card/cable_tables.h), that tvctl tunes itself through the tuner
// block. Names, the channel numbers that have a carrier,
// and each channel's carrier, oscillator, divider and band.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvctl {

// tvctl's own plan numbers, after the library's kBroadcastPlan (0) and
// kCablePlan (1); the library never sees them.
inline constexpr uint32_t kIrcPlan = 2;
inline constexpr uint32_t kHrcPlan = 3;

struct PlanInfo {
    uint32_t plan;          // kBroadcastPlan, kCablePlan, kIrcPlan or kHrcPlan
    const char *name;       // "broadcast", "cable", "cable-irc", "cable-hrc"
    uint32_t firstChannel;  // lowest channel with a carrier
    uint32_t lastChannel;   // highest channel of the table
    bool library;           // tuned by the library (SetTVParam(2, N)); else by tvctl's tuner block
};

const PlanInfo &BroadcastPlan();
const PlanInfo &CablePlan();
const PlanInfo &IrcPlan();
const PlanInfo &HrcPlan();
// Every plan, in the order lists show them.
const std::vector<PlanInfo> &AllPlans();
// By name, case-insensitive ("Cable-IRC"); also "irc", "hrc" and "std"/"cable-std".
std::optional<PlanInfo> PlanByName(std::string_view name);
std::optional<PlanInfo> PlanByNumber(uint32_t number);
// "cable, broadcast, cable-irc, cable-hrc" for sentences.
std::string PlanNames();

struct ChannelInfo {
    uint32_t channel;
    uint32_t carrierKHz;     // picture carrier, to the nearest kHz
    uint32_t oscillatorKHz;  // carrier + 45.75 MHz
    uint16_t divider;        // what the tuner block carries
    uint16_t bandCode;       // control byte 0x8E over the band byte
    uint64_t carrierHz = 0;  // picture carrier exactly (HRC carriers are not whole kHz)
};

// The channel's figures; empty when the plan has no carrier for it.
std::optional<ChannelInfo> Channel(const PlanInfo &plan, uint32_t channel);

// The channel after (or before) `channel` in the plan that has a carrier,
// wrapping around at the ends like a remote control.
uint32_t NextChannel(const PlanInfo &plan, uint32_t channel, bool up);

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
std::string NotInPlan(const PlanInfo &plan, uint64_t channel);

}  // namespace tvctl
