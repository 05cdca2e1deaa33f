// channel, freq, fine: tuning by channel name (up and down too), by
// frequency, and in fine steps.
#include <fmt/format.h>

#include "commands.h"
#include "numbers.h"
#include "standard_ops.h"
#include "tune_ops.h"
#include "tuner_follow.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

namespace {

// The plan the tuner is on; fails `reply` when the source is no tuner.
std::optional<PlanInfo> TunerPlan(const Session &session, const std::string &what, Reply &reply) {
    std::optional<PlanInfo> plan = CurrentPlan(session);
    if (!plan)
        reply.Fail(fmt::format("{} cannot be tuned: the video source is {}; select the tuner first "
                               "(source cable, source broadcast, source tuner)",
                               what, SourceName(session.source)));
    return plan;
}

// A command that tunes one target and answers the tune's record.
class TuningCommand : public Command {
public:
    std::string Text(const Record &record) const override { return TuneText(record); }

protected:
    static void TuneAndRecord(Session &session, const TuneTarget &target, Reply &reply) {
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        TuneOutcome outcome = Tune(session, *tv, target, reply);
        if (outcome.tuned) RecordTune(reply, target, outcome);
    }
};

class ChannelCommand : public TuningCommand {
public:
    explicit ChannelCommand(CLI::App &app) {
        app.add_option("channel", channel_, "a channel of the plan by its name (7, E5, S10), or up / down")->required();
        Bind(app, "--plan", plan_, ReadPlan, "the plan (channel table) to tune in, selected first; default: the current plan");
        app.allow_extras(false);
    }
    void Run(Session &session, Reply &reply) override {
        const bool step = channel_ == "up" || channel_ == "down";
        if (step && !FollowV4l2Tuner(session, reply)) return;
        std::optional<PlanInfo> plan = plan_ ? plan_ : TunerPlan(session, "channel " + channel_, reply);
        if (!plan) return;
        std::optional<ChannelInfo> info = Channel(*plan, step ? Neighbour(session, *plan, channel_ == "up") : channel_);
        if (!info) return reply.Fail(NotInPlan(*plan, channel_));
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        std::optional<PlanInfo> current = CurrentPlan(session);
        if ((!current || current->plan != plan->plan) && !SelectPlan(session, *tv, *plan, reply)) return;
        if (!SetPlanStandard(session, *plan, reply)) return;
        TuneAndRecord(session, TuneTarget{*plan, info->name}, reply);
    }

private:
    // The channel up or down from the one tuned; from a frequency, the
    // channel nearest above or below it.
    static std::string Neighbour(const Session &session, const PlanInfo &plan, bool up) {
        std::optional<TuneTarget> last = LastTuned(session);
        if (!last || last->plan.plan != plan.plan || !last->channel.empty())
            return NextChannel(plan, last && last->plan.plan == plan.plan ? last->channel : "", up);
        const std::vector<tvcore::card::TableChannel> &walk = *plan.walk;
        std::optional<size_t> best;
        for (size_t i = 0; i < walk.size(); ++i) {
            const uint64_t hz = walk[i].carrierHz;
            if (up ? hz <= last->carrierHz : hz >= last->carrierHz) continue;
            if (!best || (up ? hz < walk[*best].carrierHz : hz > walk[*best].carrierHz)) best = i;
        }
        return best ? std::string(walk[*best].Name()) : NextChannel(plan, "", up);
    }

    std::string channel_;
    std::optional<PlanInfo> plan_;
};

class FreqCommand : public TuningCommand {
public:
    explicit FreqCommand(CLI::App &app) {
        Bind(app, "MHz", carrier_, [this](const std::string &text) {
            text_ = text;
            return Known(ParseMhz(text), fmt::format("\"{}\" is not a frequency in MHz (e.g. 77.25)", text));
        }, "the picture carrier in MHz, e.g. 77.25")->required();
        using namespace tvcore::card;
        app.footer(fmt::format(
            "Tunes the picture carrier given: tvctl sends the tuner the block the library would build,\n"
            "with the library's I2C_WriteBlk: the divider of the 62.5 kHz step nearest to carrier + 45.75\n"
            "MHz, the control byte 0x{:02X}, and the band byte of the tuner's band (low below {} MHz, mid below\n"
            "{} MHz, high above). Then, as the library does, it pauses {} ms and reads the decoder's\n"
            "status register for lock. Carriers from {} to {} MHz. The current plan stays (channel up\n"
            "goes on from the nearest channel).",
            kBandLow >> 8, kMidBandFromKHz / 1000, kHighBandFromKHz / 1000, kLockPauseMs, kLowestCarrierKHz / 1000,
            kHighestCarrierKHz / 1000));
    }
    void Run(Session &session, Reply &reply) override {
        if (std::string problem = CarrierProblem(carrier_); !problem.empty()) return reply.Fail(problem);
        std::optional<PlanInfo> plan = TunerPlan(session, text_ + " MHz", reply);
        if (plan) TuneAndRecord(session, TuneTarget{*plan, "", carrier_}, reply);
    }

private:
    std::string text_;
    uint64_t carrier_ = 0;  // Hz
};

// Fine steps as the user gives them: +N and -N from the present offset, N
// as the offset itself.
struct FineWord {
    bool relative = false;
    int64_t steps = 0;
};

FineWord ReadFine(const std::string &text) {
    const bool relative = !text.empty() && (text[0] == '+' || text[0] == '-');
    std::optional<uint64_t> n = ParseNumber(std::string_view(text).substr(relative ? 1 : 0));
    if (!n || *n > 100000) throw RefusedWord(fmt::format("fine wants +N, -N or N steps, e.g. +2, not \"{}\"", text));
    return {relative, text[0] == '-' ? -static_cast<int64_t>(*n) : static_cast<int64_t>(*n)};
}

class FineCommand : public TuningCommand {
public:
    explicit FineCommand(CLI::App &app) {
        Bind(app, "steps", steps_, [](const std::string &text) { return std::optional<FineWord>(ReadFine(text)); },
             "+N or -N steps of 62.5 kHz from the present offset, or N (0: none)");
        app.footer(fmt::format("Fine tuning moves the tuner's oscillator in its 62.5 kHz steps from the channel or\n"
                               "frequency last tuned, at most {} steps (2 MHz) either way, and checks lock as the\n"
                               "library does. Without an argument it shows the offset. tvctl remembers it.",
                               kFineLimit));
    }
    void Run(Session &session, Reply &reply) override {
        if (!FollowV4l2Tuner(session, reply)) return;
        std::optional<TuneTarget> last = LastTuned(session);
        if (!last) return reply.Fail("nothing is tuned yet to fine-tune: tune a channel or a frequency first");
        if (!steps_) {
            reply.data["fine"] = last->fine;
            shown_ = DescribeTarget(*last);
            return;
        }
        if (!CurrentPlan(session))
            return reply.Fail(fmt::format("fine tuning needs the tuner, but the video source is {}",
                                          SourceName(session.source)));
        int64_t fine = steps_->relative ? last->fine + steps_->steps : steps_->steps;
        if (std::string problem = FineProblem(fine); !problem.empty()) return reply.Fail(problem);
        TuneTarget target = *last;
        target.fine = static_cast<int32_t>(fine);
        TuneAndRecord(session, target, reply);
    }
    std::string Text(const Record &record) const override {
        if (steps_ || !record.contains("fine")) return TuneText(record);
        return fmt::format("fine {:+} ({})", record["fine"].get<int32_t>(), shown_);
    }

private:
    std::optional<FineWord> steps_;
    std::string shown_;  // the target shown with the offset
};

}  // namespace

std::vector<CommandEntry> TuningCommands() {
    return {Entry<ChannelCommand>("channel"), Entry<FreqCommand>("freq"), Entry<FineCommand>("fine")};
}

}  // namespace tvctl
