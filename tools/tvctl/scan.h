// Scanning a channel plan for stations, two ways.
//
// Standard: each channel is tuned with SetTVParam(2, n), which pauses its
// fixed 150 ms before asking the decoder for lock (a channel of a table the
// library does not have: the same block, pause and check, made by tvctl).
//
// Fast: tvctl programs the tuner itself with I2C_WriteBlk, with the block
// built from the library's own channel tables, and polls the decoder's lock
// bit (I2C_Read(0x88, 0)) every few milliseconds, moving on at lock and
// giving up at the same 150 ms. An empty channel would cost the whole 150 ms;
// so where the tuner's status can be read (the simulated card), the scan also
// moves on once the tuner reports its oscillator settled and the decoder has
// still not locked after a grace time. The last channel is tuned through
// SetTVParam, so the library's record of the channel stays true; that costs
// one normal tune.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bus_words.h"
#include "plan_info.h"
#include "session.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

struct ScanOptions {
    PlanInfo plan;
    std::string first, last;  // channel range by name: the plan's walk (plan_info.h) from one to the other
    bool fast = false;
    // Fast scan only:
    bool tunerStatus = false;  // move on from an empty channel once the tuner has settled
    uint32_t graceMs = 0;      // how long the decoder may still take to lock after that
    uint32_t pollMs = 2;       // time between two polls
    // Set (by a signal handler) to stop the scan before the next channel.
    const volatile std::sig_atomic_t *stop = nullptr;
};

// Limit of one channel's wait: the library's own pause.
inline constexpr uint32_t kLockLimitMs = tvcore::card::kLockPauseMs;

struct ScannedChannel {
    ChannelInfo info;
    bool locked = false;
    double waitedMs = 0;  // from the block to the verdict
};

struct ScanResult {
    std::vector<ScannedChannel> channels;  // every channel tuned, in order
    double seconds = 0;
    bool complete = false;  // every channel of the range was tuned
    bool interrupted = false;  // `stop` ended it early
    std::string error;      // why the scan stopped early
    std::string finalChannel;  // the last channel tuned, "" when none
    int32_t finalResult = 0;   // SetTVParam's result for the last channel
};

// Called after each channel: the channel, its position, the count.
using ScanProgress = std::function<void(const ScannedChannel &, size_t index, size_t count)>;

// Scans the range; the plan must be the selected source's.
ScanResult RunScan(const TvCalls &tv, const BusWords &bus, const ScanOptions &options, const ScanProgress &progress);

// The names of the channels a result tuned (or only of those that locked).
std::vector<std::string> ChannelNames(const ScanResult &result, bool lockedOnly);

// Tunes one channel (or carrier: no name) the fast way, with the tuner
// block and the decoder's lock bit polled as `options` say; false with
// `error` set when the bus fails.
bool ProbeChannel(const TvCalls &tv, const BusWords &bus, const ScanOptions &options, ScannedChannel &channel,
                  std::string &error);

}  // namespace tvctl
