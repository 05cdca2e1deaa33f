#include "tuner_follow.h"

#include <fmt/format.h>

#include <cstdlib>

#include "audio_mode_ops.h"
#include "commands.h"
#include "driver_v4l2_tuner.h"
#include "numbers.h"
#include "standard_ops.h"
#include "tune_ops.h"
#include "tuning_limits.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using tvcore::card::DividerOfCarrierHz;

namespace {

// The divider the record's tuning stands at (its base plus the fine offset).
int64_t RecordedDivider(const TunerMemory &memory, const PlanInfo &plan) {
    std::optional<ChannelInfo> info = Channel(plan, memory.channel);
    const int64_t base = info ? info->divider : DividerOfCarrierHz(memory.carrierHz);
    return base + memory.fine;
}

}  // namespace

TunerMemory FollowFrequency(const TunerMemory &memory, const PlanInfo &plan, uint64_t hz) {
    const int64_t found = DividerOfCarrierHz(hz);
    const bool recorded = memory.carrierHz != 0 && memory.plan == plan.plan;
    if (recorded && RecordedDivider(memory, plan) == found) return memory;
    for (const tvcore::card::TableChannel &channel : *plan.walk)
        if (std::optional<ChannelInfo> info = Channel(plan, channel.Name()); info && info->divider == found)
            return TunerMemory{"tuner", plan.plan, info->name, info->carrierHz, 0};
    if (recorded) {
        const int64_t offset = found - (RecordedDivider(memory, plan) - memory.fine);
        if (FineProblem(offset).empty()) {
            TunerMemory moved = memory;
            moved.fine = static_cast<int32_t>(offset);
            return moved;
        }
    }
    return TunerMemory{"tuner", plan.plan, "", hz, 0};
}

bool FollowV4l2Tuner(Session &session, Reply &reply) {
    if (session.Library(reply) == nullptr) return false;
    std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
    std::optional<PlanInfo> plan = CurrentPlan(session);
    if (!v4l2 || !plan) return true;
    TvV4l2TunerReading tuner{};
    if (uint32_t failed = v4l2->readTuner(&tuner); failed != 0) {
        Note(session, reply, "the tuner's frequency cannot be read back: " + V4l2Failure(session, failed));
        return true;
    }
    if (!CarrierProblem(tuner.frequencyHz).empty()) return true;  // nothing tvctl could have tuned
    TunerMemory followed = FollowFrequency(session.tuner, *plan, tuner.frequencyHz);
    if (followed == session.tuner) return true;
    session.tuner = followed;
    SaveTuner(session, reply);
    Note(session, reply, fmt::format("the tuner is at {} MHz (set elsewhere): tvctl's record follows it",
                                     MhzOfHz(tuner.frequencyHz)));
    return true;
}

void ShowDeviceTuner(Session &session, Reply &reply) {
    std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
    if (!v4l2) return;
    TvV4l2TunerReading tuner{};
    if (uint32_t failed = v4l2->readTuner(&tuner); failed != 0) {
        Note(session, reply, "the device's tuner cannot be read: " + V4l2Failure(session, failed));
        return;
    }
    uint64_t standard = 0;
    const bool hasStandard = v4l2->getStandard(&standard) == 0;
    const uint32_t percent = (tuner.signal * 100 + 32767) / 65535;
    reply.data["device"] = {{"frequencyMHz", static_cast<double>(tuner.frequencyHz) / 1e6},
                            {"signal", tuner.signal},
                            {"afc", tuner.afc},
                            {"standard", hasStandard ? nlohmann::ordered_json(StandardWords(standard)) : nullptr},
                            {"audioMode", AudioModeWords(tuner.audmode)},
                            {"receives", SubchannelNames(tuner.rxsubchans)}};
    session.Out().Print("{:<11} {} MHz, signal {}%, afc {}, standard {}, audio {}", "device", MhzOfHz(tuner.frequencyHz),
                        percent, tuner.afc, hasStandard ? StandardWords(standard) : "?", AudioModeWords(tuner.audmode));
}

}  // namespace tvctl
