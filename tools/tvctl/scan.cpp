#include "scan.h"

#include <fmt/format.h>

#include <chrono>
#include <thread>

#include "numbers.h"
#include "result_words.h"
#include "tune_ops.h"
#include "tv_ops.h"
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

}  // namespace

bool ProbeChannel(const TvCalls &tv, const BusWords &bus, const ScanOptions &options, ScannedChannel &channel,
                  std::string &error) {
    uint8_t block[4];
    TunerBlock(channel.info, block);
    Clock::time_point start = Clock::now();
    uint32_t written = tv.I2C_WriteBlk(kTunerAddress, block, sizeof block);
    if (written != 0) {
        error = fmt::format("the tuner did not take the block for {}: {}", TunedWhat(channel.info),
                            DescribeWriteResult(bus, TVBUS_CALL_WRITE_BLK, written));
        return false;
    }
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

// The last channel of a plan tvctl tunes itself: the result the library's
// own tune would have given.
void RecordLastByBlock(ScanResult &result, const ScannedChannel &scanned, bool last) {
    if (!last) return;
    result.finalChannel = scanned.info.name;
    result.finalResult = scanned.locked ? TV_OK : TV_ERR_NO_LOCK;
}

// Standard scan of a plan the library does not have: its block, pause and check.
bool TuneByBlock(const TuneContext &c, ScannedChannel &scanned, bool last) {
    uint8_t block[4];
    TunerBlock(scanned.info, block);
    Clock::time_point start = Clock::now();
    uint32_t written = c.tv.I2C_WriteBlk(kTunerAddress, block, sizeof block);
    if (written != 0) {
        c.result.error = fmt::format("the tuner did not take the block for channel {}: {}", scanned.info.name,
                                     DescribeWriteResult(c.bus, TVBUS_CALL_WRITE_BLK, written));
        return false;
    }
    scanned.locked = CheckLock(c.tv);
    scanned.waitedMs = MsSince(start);
    RecordLastByBlock(c.result, scanned, last);
    return true;
}

// Fast scan of a plan the library does not have.
bool ProbeByBlock(const TuneContext &c, ScannedChannel &scanned, bool last) {
    if (!ProbeChannel(c.tv, c.bus, c.options, scanned, c.result.error)) {
        c.result.finalChannel = scanned.info.name;
        return false;
    }
    RecordLastByBlock(c.result, scanned, last);
    return true;
}

// Through the library: the only way in a standard scan, and the last tune of
// a fast one, so the library records that channel.
bool TuneByLibrary(const TuneContext &c, ScannedChannel &scanned, bool last) {
    Clock::time_point start = Clock::now();
    int32_t code = c.tv.SetTVParam(TV_PARAM_CHANNEL, scanned.info.number);
    scanned.waitedMs = MsSince(start);
    if (code != TV_OK && code != TV_ERR_NO_LOCK) {
        c.result.error = UnexpectedResult(fmt::format("SetTVParam(2, {})", scanned.info.number), code) +
                         " (is the tuner selected?)";
        return false;
    }
    scanned.locked = code == TV_OK;
    if (last) {
        c.result.finalChannel = scanned.info.name;
        c.result.finalResult = code;
    }
    return true;
}

// Fast scan of a plan the library has: probed, the last channel through the library.
bool ProbeThenLibrary(const TuneContext &c, ScannedChannel &scanned, bool last) {
    if (last) return TuneByLibrary(c, scanned, last);
    if (ProbeChannel(c.tv, c.bus, c.options, scanned, c.result.error)) return true;
    // The tuner may hold a block the library has not recorded: tune that
    // channel through the library, so its record stays true.
    c.result.finalChannel = scanned.info.name;
    c.result.finalResult = c.tv.SetTVParam(TV_PARAM_CHANNEL, scanned.info.number);
    return false;
}

TuneWay ChooseWay(const ScanOptions &options) {
    if (options.plan.library) return options.fast ? ProbeThenLibrary : TuneByLibrary;
    return options.fast ? ProbeByBlock : TuneByBlock;
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
    const TuneWay tune = ChooseWay(options);
    const TuneContext context{tv, bus, options, result};
    Clock::time_point start = Clock::now();
    for (size_t i = 0; i < channels.size(); ++i) {
        if (options.stop != nullptr && *options.stop) {
            result.interrupted = true;
            break;
        }
        ScannedChannel scanned{channels[i]};
        if (!tune(context, scanned, i + 1 == channels.size())) break;
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
