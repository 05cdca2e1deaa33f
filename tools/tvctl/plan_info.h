// The channel plans as a user sees them, read from the card's facts
// (tvcore/card/channel_plans.h), the library's own tables: names, the channel numbers that have a carrier, and
// each channel's carrier, oscillator, divider and band.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvctl {

struct PlanInfo {
    uint32_t plan;          // kBroadcastPlan or kCablePlan
    const char *name;       // "broadcast", "cable"
    uint32_t firstChannel;  // lowest channel with a carrier
    uint32_t lastChannel;   // highest channel of the table
};

const PlanInfo &BroadcastPlan();
const PlanInfo &CablePlan();
// "cable" or "broadcast"; empty for another name.
std::optional<PlanInfo> PlanByName(std::string_view name);

struct ChannelInfo {
    uint32_t channel;
    uint32_t carrierKHz;     // picture carrier
    uint32_t oscillatorKHz;  // carrier + 45.75 MHz
    uint16_t divider;        // what the tuner block carries
    uint16_t bandCode;       // control byte 0x8E over the band byte
};

// The channel's figures; empty when the plan has no carrier for it.
std::optional<ChannelInfo> Channel(const PlanInfo &plan, uint32_t channel);

// The four bytes the tuner receives for a channel: divider high, divider low,
// control byte, band byte.
void TunerBlock(const ChannelInfo &channel, uint8_t out[4]);

// "low", "mid", "high" from a band code.
const char *BandName(uint16_t bandCode);

// 175250 kHz -> "175.25".
std::string Mhz(uint32_t kHz);

// "channel 126 is not in the cable plan (1-125)".
std::string NotInPlan(const PlanInfo &plan, uint64_t channel);

}  // namespace tvctl
