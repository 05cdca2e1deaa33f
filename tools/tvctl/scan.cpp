#include "scan.h"

#include <fmt/format.h>

#include <chrono>
#include <thread>

#include "result_words.h"
#include "tune_ops.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

namespace {

using namespace tvcore::card;

using Clock = std::chrono::steady_clock;

// "channel 7", or "175.25 MHz" for a carrier tuned by frequency.
std::string TunedWhat(const ChannelInfo &info) {
    return !info.name.empty() ? fmt::format("channel {}", info.name) : MhzOfHz(info.carrierHz) + " MHz";
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sends the tuner the block for the channel (or carrier); false with `error`
// set when the tuner does not take it.
bool SendBlock(const TvCalls &tv, const BusWords &bus, const ChannelInfo &info, std::string &error) {
    uint8_t block[4];
    TunerBlock(info, block);
    const uint32_t written = tv.I2C_WriteBlk(kTunerAddress, block, sizeof block);
    if (written == 0) return true;
    error = fmt::format("the tuner did not take the block for {}: {}", TunedWhat(info),
                        DescribeWriteResult(bus, TVBUS_CALL_WRITE_BLK, written));
    return false;
}

}  // namespace

bool ProbeChannel(const TvCalls &tv, const BusWords &bus, const ScanOptions &options, ScannedChannel &channel,
                  std::string &error) {
    const Clock::time_point start = Clock::now();
    if (!SendBlock(tv, bus, channel.info, error)) return false;
    std::optional<Clock::time_point> settledAt;
    for (;;) {
        // The tuner first: a decoder read after a "settled" answer then sees
        // everything the settled oscillator brings.
        if (options.tunerStatus && !settledAt) {
            uint32_t tuner = tv.I2C_Read(kTunerAddress, 0);
            if (IsSettled(tuner)) settledAt = Clock::now();
        }
        uint32_t status = tv.I2C_Read(kDecoderAddress, kRegStatus);
        if (ReadFailed(status)) {
            error = fmt::format("the decoder's status could not be read at {}: {}", TunedWhat(channel.info),
                                DescribeReadFailure(bus, status));
            return false;
        }
        channel.waitedMs = MsSince(start);
        if (IsLocked(status)) {
            channel.locked = true;
            return true;
        }
        if (channel.waitedMs >= kLockLimitMs) return true;
        if (settledAt && MsSince(*settledAt) >= options.graceMs) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(options.pollMs));
    }
}

namespace {

// What one channel's tune works with.
struct TuneContext {
    const TvCalls &tv;
    const BusWords &bus;
    const ScanOptions &options;
    ScanResult &result;
};

// One way of tuning a channel: fills in `scanned`; false ends the scan there,
// with the result's error or final channel set.
using TuneWay = bool (*)(const TuneContext &, ScannedChannel &, bool last);

// Standard scan of a plan the library does not have: its block, pause and check.
bool TuneByBlock(const TuneContext &c, ScannedChannel &scanned, bool /*last*/) {
    const Clock::time_point start = Clock::now();
    if (!SendBlock(c.tv, c.bus, scanned.info, c.result.error)) return false;
    scanned.locked = CheckLock(c.tv);
    scanned.waitedMs = MsSince(start);
    return true;
}

// Through the library: the only way in a standard scan, and the last tune of
// a fast one, so the library records that channel.
bool TuneByLibrary(const TuneContext &c, ScannedChannel &scanned, bool /*last*/) {
    Clock::time_point start = Clock::now();
    int32_t code = c.tv.SetTVParam(TV_PARAM_CHANNEL, scanned.info.number);
    scanned.waitedMs = MsSince(start);
    if (code != TV_OK && code != TV_ERR_NO_LOCK) {
        c.result.error = UnexpectedResult(fmt::format("SetTVParam(2, {})", scanned.info.number), code) +
                         " (is the tuner selected?)";
        return false;
    }
    scanned.locked = code == TV_OK;
    return true;
}

// Fast scan: probed; on a plan the library has, the last channel through the library.
bool Probe(const TuneContext &c, ScannedChannel &scanned, bool last) {
    if (last && c.options.plan.library) return TuneByLibrary(c, scanned, last);
    if (ProbeChannel(c.tv, c.bus, c.options, scanned, c.result.error)) return true;
    c.result.finalChannel = scanned.info.name;
    // The tuner may hold a block the library has not recorded: tune that
    // channel through the library, so its record stays true.
    if (c.options.plan.library) c.result.finalResult = c.tv.SetTVParam(TV_PARAM_CHANNEL, scanned.info.number);
    return false;
}

// The plan's walk from the first channel of the range to the last.
std::vector<ChannelInfo> ChannelsInRange(const ScanOptions &options) {
    std::vector<ChannelInfo> channels;
    bool inRange = false;
    for (const tvcore::card::TableChannel &channel : *options.plan.walk) {
        std::optional<ChannelInfo> info = Channel(options.plan, channel.Name());
        inRange = inRange || info->name == options.first;
        if (inRange) channels.push_back(*info);
        if (info->name == options.last) break;
    }
    return channels;
}

}  // namespace

ScanResult RunScan(const TvCalls &tv, const BusWords &bus, const ScanOptions &options, const ScanProgress &progress) {
    ScanResult result;
    const std::vector<ChannelInfo> channels = ChannelsInRange(options);
    const TuneWay tune = options.fast ? Probe : options.plan.library ? TuneByLibrary : TuneByBlock;
    const TuneContext context{tv, bus, options, result};
    Clock::time_point start = Clock::now();
    for (size_t i = 0; i < channels.size(); ++i) {
        if (options.stop != nullptr && *options.stop) {
            result.interrupted = true;
            break;
        }
        ScannedChannel scanned{channels[i]};
        const bool last = i + 1 == channels.size();
        if (!tune(context, scanned, last)) break;
        if (last) {
            // What the library's own tune answers, however the channel was tuned.
            result.finalChannel = scanned.info.name;
            result.finalResult = scanned.locked ? TV_OK : TV_ERR_NO_LOCK;
        }
        result.channels.push_back(scanned);
        if (progress) progress(scanned, i, channels.size());
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.complete = result.error.empty() && result.channels.size() == channels.size();
    return result;
}

std::vector<std::string> ChannelNames(const ScanResult &result, bool lockedOnly) {
    std::vector<std::string> names;
    for (const ScannedChannel &channel : result.channels)
        if (channel.locked || !lockedOnly) names.push_back(channel.info.name);
    return names;
}

}  // namespace tvctl
