// Selecting the tuner's plan and tuning: through the library where its
// plans reach, through the tuner block where they do not.
#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "bus_words.h"
#include "commands.h"
#include "result_words.h"
#include "standard_ops.h"
#include "tune_ops.h"
#include "tv_ops.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

Source SourceOfPlan(const PlanInfo &plan) { return plan.cableInput ? Source::Cable : Source::Broadcast; }

namespace {

// Puts the library on `source`; false with `reply` failed when refused.
bool SetLibrarySource(Session &session, const TvCalls &tv, Source source, Reply &reply) {
    int32_t result = tv.SetTVParam(TV_PARAM_SOURCE, SourceValue(source));
    if (result != TV_OK) {
        reply.Fail(UnexpectedResult(fmt::format("SetTVParam(1, {})", SourceValue(source)), result));
        return false;
    }
    session.librarySource = source;
    return true;
}

// A damaged tuner record was read as far as it could be; said once.
void NoteRecordProblem(Session &session, Reply &reply) {
    if (session.tunerFileProblem.empty()) return;
    Note(session, reply, session.tunerFileProblem);
    session.tunerFileProblem.clear();
}

}  // namespace

bool EnsureLibrarySource(Session &session, const TvCalls &tv, Source source, Reply &reply) {
    return session.librarySource == source || SetLibrarySource(session, tv, source, reply);
}

bool CheckLock(const TvCalls &tv) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockPauseMs));
    return IsLocked(tv.I2C_Read(kDecoderAddress, kRegStatus));
}

std::optional<PlanInfo> CurrentPlan(const Session &session) {
    std::optional<PlanInfo> plan = PlanByNumber(session.tuner.plan);
    return plan && SourceOfPlan(*plan) == session.source ? plan : PlanOfSource(session.source);
}

bool SelectSource(Session &session, const TvCalls &tv, Source source, Reply &reply) {
    if (!SetLibrarySource(session, tv, source, reply)) return false;
    session.source = source;
    TunerMemory &memory = session.tuner;
    memory.source = source == Source::Composite ? "composite" : source == Source::SVideo ? "svideo" : "tuner";
    if (std::optional<PlanInfo> plan = PlanOfSource(source); plan && SourceOfPlan(*PlanByNumber(memory.plan)) != source)
        memory = TunerMemory{memory.source, plan->plan};  // another input's tuning does not carry over
    SaveTuner(session, reply);
    return true;
}

bool SelectPlan(Session &session, const TvCalls &tv, const PlanInfo &plan, Reply &reply) {
    uint32_t before = session.tuner.plan;
    if (!SelectSource(session, tv, SourceOfPlan(plan), reply)) return false;
    if (before != plan.plan) session.tuner = TunerMemory{"tuner", plan.plan};
    SaveTuner(session, reply);
    return true;
}

TuneOutcome Tune(Session &session, const TvCalls &tv, const TuneTarget &target, Reply &reply) {
    NoteRecordProblem(session, reply);
    TuneOutcome outcome;
    std::optional<ChannelInfo> info = target.channel.empty() ? std::nullopt : Channel(target.plan, target.channel);
    if (!target.channel.empty() && !info) {
        reply.Fail(NotInPlan(target.plan, target.channel));
        return outcome;
    }
    if (!EnsureLibrarySource(session, tv, SourceOfPlan(target.plan), reply) || !SetDefaultStandard(session, reply))
        return outcome;
    const uint64_t baseHz = info ? info->carrierHz : target.carrierHz;
    const uint16_t baseDivider = info ? info->divider : DividerOfCarrierHz(baseHz);
    outcome.divider = static_cast<uint16_t>(baseDivider + target.fine);
    outcome.carrierHz = baseHz + static_cast<int64_t>(target.fine) * static_cast<int64_t>(kDividerStepHz);
    outcome.bandCode = info && target.fine == 0 ? info->bandCode : BandCodeOfCarrierHz(outcome.carrierHz);

    if (target.plan.library && info && target.fine == 0) {
        outcome.byLibrary = true;
        outcome.result = tv.SetTVParam(TV_PARAM_CHANNEL, info->number);
        switch (outcome.result) {
            case TV_OK: outcome.tuned = outcome.locked = true; break;
            case TV_ERR_NO_LOCK: outcome.tuned = true; break;
            case TV_ERR_BAD_VALUE: reply.Fail(NotInPlan(target.plan, target.channel)); break;
            default: reply.Fail(UnexpectedResult(fmt::format("SetTVParam(2, {})", info->number), outcome.result));
        }
    } else {
        uint8_t block[4];
        TunerBlock(outcome.divider, outcome.bandCode, block);
        uint32_t written = tv.I2C_WriteBlk(kTunerAddress, block, sizeof block);
        if (written != 0) {
            reply.Fail(fmt::format("the tuner did not take the block for {}: {}", MhzOfHz(outcome.carrierHz) + " MHz",
                                   DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE_BLK, written)));
            return outcome;
        }
        outcome.tuned = true;
        outcome.locked = CheckLock(tv);
    }
    if (outcome.tuned) {
        session.tuner = TunerMemory{"tuner", target.plan.plan, info ? info->name : "", baseHz, target.fine};
        SaveTuner(session, reply);
    }
    return outcome;
}

std::optional<TuneTarget> LastTuned(const Session &session) {
    const TunerMemory &memory = session.tuner;
    std::optional<PlanInfo> plan = PlanByNumber(memory.plan);
    if (memory.carrierHz == 0 || !plan) return std::nullopt;
    return TuneTarget{*plan, memory.channel, memory.channel.empty() ? memory.carrierHz : 0, memory.fine};
}

std::string DescribeTarget(const TuneTarget &target) {
    uint64_t hz = target.carrierHz;
    std::string text = fmt::format("{} MHz", MhzOfHz(hz));
    if (!target.channel.empty()) {
        std::optional<ChannelInfo> info = Channel(target.plan, target.channel);
        hz = info ? info->carrierHz : 0;
        text = fmt::format("{} channel {} ({} MHz)", target.plan.name, info ? info->name : target.channel, MhzOfHz(hz));
    }
    if (target.fine != 0)
        text += fmt::format(", fine {:+} ({} MHz)", target.fine,
                            MhzOfHz(hz + static_cast<int64_t>(target.fine) * static_cast<int64_t>(kDividerStepHz)));
    return text;
}

nlohmann::ordered_json ChannelJson(const std::string &name) {
    const bool number = !name.empty() && name.size() < 10 && name.find_first_not_of("0123456789") == std::string::npos;
    return number ? nlohmann::ordered_json(std::stoul(name)) : nlohmann::ordered_json(name);
}

std::string ChannelOfJson(const nlohmann::ordered_json &value) {
    if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
    return value.is_string() ? value.get<std::string>() : "";
}

void RecordTune(Reply &reply, const TuneTarget &target, const TuneOutcome &outcome) {
    reply.data["plan"] = target.plan.name;
    if (!target.channel.empty()) reply.data["channel"] = ChannelJson(target.channel);
    reply.data["carrierMHz"] = static_cast<double>(outcome.carrierHz) / 1e6;
    reply.data["fine"] = target.fine;
    reply.data["divider"] = outcome.divider;
    reply.data["band"] = BandName(outcome.bandCode);
    if (outcome.byLibrary) reply.data["result"] = outcome.result;
    reply.data["locked"] = outcome.locked;
}

TuneTarget TargetOfRecord(const nlohmann::ordered_json &record, bool withFine) {
    TuneTarget target{PlanByName(record.value("plan", "")).value_or(CablePlan())};
    target.channel = ChannelOfJson(record.value("channel", nlohmann::ordered_json()));
    target.fine = record.value("fine", 0);
    auto hz = static_cast<int64_t>(std::llround(record.value("carrierMHz", 0.0) * 1e6));
    target.carrierHz = static_cast<uint64_t>(hz - (withFine ? int64_t{target.fine} * int64_t{kDividerStepHz} : 0));
    return target;
}

std::string TuneText(const nlohmann::ordered_json &record) {
    if (!record.contains("locked")) return "";
    return fmt::format("{}: {}", DescribeTarget(TargetOfRecord(record, true)),
                       record["locked"].get<bool>() ? "locked" : "tuned, but no lock (no station there?)");
}

void RecordTuner(Session &session, Reply &reply) {
    NoteRecordProblem(session, reply);
    nlohmann::ordered_json tuner = {{"plan", PlanByNumber(session.tuner.plan).value_or(CablePlan()).name}};
    if (std::optional<TuneTarget> last = LastTuned(session)) {
        if (!last->channel.empty()) tuner["channel"] = ChannelJson(last->channel);
        std::optional<ChannelInfo> info = Channel(last->plan, last->channel);
        tuner["carrierMHz"] = static_cast<double>(info ? info->carrierHz : last->carrierHz) / 1e6;
        tuner["fine"] = last->fine;
    }
    reply.data["tuner"] = tuner;
}

std::string TunerText(const nlohmann::ordered_json &tuner) {
    return fmt::format("{:<11} {}", "tuner",
                       tuner.contains("carrierMHz")
                           ? DescribeTarget(TargetOfRecord(tuner, false))
                           : fmt::format("{} plan, nothing tuned yet", tuner["plan"].get<std::string>()));
}

void SaveTuner(Session &session, Reply &reply) {
    if (session.tunerFile.empty()) return;
    std::string error;
    if (!SaveTunerMemory(session.tunerFile, session.tuner, &error)) {
        Note(session, reply, "the tuner's record was not kept (nor will it be in this run): " + error);
        session.tunerFile.clear();  // said once, not at every later change
    }
}

}  // namespace tvctl
