// channel, freq, fine: tuning by channel number (up and down too), by
// frequency, and in fine steps.
#include <fmt/format.h>

#include "commands.h"
#include "numbers.h"
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

// Reports a tune: a line, and its JSON.
void ReportTune(Session &session, Reply &reply, const TuneTarget &target, const TuneOutcome &outcome) {
    reply.data["plan"] = target.plan.name;
    if (target.channel != 0) reply.data["channel"] = target.channel;
    reply.data["carrierMHz"] = static_cast<double>(outcome.carrierHz) / 1e6;
    reply.data["fine"] = target.fine;
    reply.data["divider"] = outcome.divider;
    reply.data["band"] = BandName(outcome.bandCode);
    if (outcome.byLibrary) reply.data["result"] = outcome.result;
    reply.data["locked"] = outcome.locked;
    session.Out().Print("{}: {}", DescribeTarget(target),
                        outcome.locked ? "locked" : "tuned, but no lock (no station there?)");
}

class ChannelCommand : public Command {
public:
    explicit ChannelCommand(CLI::App &app) {
        app.add_option("channel", text_, "channel number of the current plan, or up / down")->required();
        app.allow_extras(false);
        app.footer("A channel of the library's plans (cable, broadcast) is tuned through SetTVParam(2, N): the\n"
                   "library programs the tuner, pauses 150 ms and asks the decoder for lock. A channel of the\n"
                   "cable-irc and cable-hrc plans is tuned by tvctl the same way: the library's I2C_WriteBlk to the\n"
                   "tuner, the same pause, the decoder's lock bit. up and down go to the next channel of the plan\n"
                   "that has a carrier, round at the ends. A channel tuned without lock is no failure (exit status\n"
                   "0); it is reported as \"no lock\". A channel outside the plan is refused and nothing is sent.\n"
                   "Tuning a channel ends any fine tuning.");
    }
    std::string Name() const override { return "channel"; }
    std::string Validate() const override {
        if (text_ == "up" || text_ == "down" || ParseNumber(text_)) return "";
        if (text_.size() > 1 && text_[0] == '-' && ParseNumber(text_.substr(1))) return "";  // refused when run
        return fmt::format("channel \"{}\" is neither a channel number nor up or down", text_);
    }
    void Run(Session &session, Reply &reply) override {
        if ((text_ == "up" || text_ == "down") && !FollowV4l2Tuner(session, reply)) return;
        std::optional<PlanInfo> plan = TunerPlan(session, "channel " + text_, reply);
        if (!plan) return;
        uint64_t channel = 0;
        if (text_ == "up" || text_ == "down") {
            channel = Neighbour(session, *plan, text_ == "up");
        } else if (text_[0] == '-') {
            return reply.Fail(fmt::format("channel {} is out of range: the {} plan has channels {}-{}", text_,
                                          plan->name, plan->firstChannel, plan->lastChannel));
        } else {
            channel = *ParseNumber(text_);
        }
        // The library would take only the low 8 bits of a larger number.
        if (channel > 255 || !Channel(*plan, static_cast<uint32_t>(channel))) return reply.Fail(NotInPlan(*plan, channel));
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        TuneTarget target{*plan, static_cast<uint32_t>(channel)};
        TuneOutcome outcome = Tune(session, *tv, target, reply);
        if (outcome.tuned) ReportTune(session, reply, target, outcome);
    }

private:
    // The channel up or down from the one tuned; from a frequency, the
    // channel nearest above or below it.
    static uint32_t Neighbour(const Session &session, const PlanInfo &plan, bool up) {
        std::optional<TuneTarget> last = LastTuned(session);
        if (last && last->plan.plan == plan.plan && last->channel != 0) return NextChannel(plan, last->channel, up);
        if (!last || last->plan.plan != plan.plan) return up ? plan.firstChannel : plan.lastChannel;
        std::optional<uint32_t> best;
        uint64_t bestHz = 0;
        for (uint32_t n = plan.firstChannel; n <= plan.lastChannel; ++n) {
            std::optional<ChannelInfo> info = Channel(plan, n);
            if (!info || (up ? info->carrierHz <= last->carrierHz : info->carrierHz >= last->carrierHz)) continue;
            if (!best || (up ? info->carrierHz < bestHz : info->carrierHz > bestHz)) {
                best = n;
                bestHz = info->carrierHz;
            }
        }
        return best.value_or(up ? plan.firstChannel : plan.lastChannel);
    }

    std::string text_;
};

class FreqCommand : public Command {
public:
    explicit FreqCommand(CLI::App &app) {
        app.add_option("MHz", text_, "the picture carrier in MHz, e.g. 77.25")->required();
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
    std::string Name() const override { return "freq"; }
    std::string Validate() const override {
        if (ParseMhz(text_)) return "";
        return fmt::format("\"{}\" is not a frequency in MHz (e.g. 77.25)", text_);
    }
    void Run(Session &session, Reply &reply) override {
        uint64_t hz = *ParseMhz(text_);
        if (std::string problem = CarrierProblem(hz); !problem.empty()) return reply.Fail(problem);
        std::optional<PlanInfo> plan = TunerPlan(session, text_ + " MHz", reply);
        if (!plan) return;
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        TuneTarget target{*plan, 0, hz};
        TuneOutcome outcome = Tune(session, *tv, target, reply);
        if (outcome.tuned) ReportTune(session, reply, target, outcome);
    }

private:
    std::string text_;
};

class FineCommand : public Command {
public:
    explicit FineCommand(CLI::App &app) {
        steps_ = app.add_option("steps", text_, "+N or -N steps of 62.5 kHz from the present offset, or N (0: none)");
        app.footer(fmt::format("Fine tuning moves the tuner's oscillator in its 62.5 kHz steps from the channel or\n"
                               "frequency last tuned, at most {} steps (2 MHz) either way, and checks lock as the\n"
                               "library does. Without an argument it shows the offset. tvctl remembers it.",
                               kFineLimit));
    }
    std::string Name() const override { return "fine"; }
    std::string Validate() const override {
        if ((text_.empty() && steps_->count() == 0) || Steps()) return "";
        return fmt::format("fine wants +N, -N or N steps, e.g. +2, not \"{}\"", text_);
    }
    void Run(Session &session, Reply &reply) override {
        if (!FollowV4l2Tuner(session, reply)) return;
        std::optional<TuneTarget> last = LastTuned(session);
        if (!last) return reply.Fail("nothing is tuned yet to fine-tune: tune a channel or a frequency first");
        if (text_.empty()) {
            reply.data["fine"] = last->fine;
            session.Out().Print("fine {:+} ({})", last->fine, DescribeTarget(*last));
            return;
        }
        if (!CurrentPlan(session))
            return reply.Fail(fmt::format("fine tuning needs the tuner, but the video source is {}",
                                          SourceName(session.source)));
        int64_t steps = *Steps();
        int64_t fine = text_[0] == '+' || text_[0] == '-' ? last->fine + steps : steps;
        if (std::string problem = FineProblem(fine); !problem.empty()) return reply.Fail(problem);
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        TuneTarget target = *last;
        target.fine = static_cast<int32_t>(fine);
        TuneOutcome outcome = Tune(session, *tv, target, reply);
        if (outcome.tuned) ReportTune(session, reply, target, outcome);
    }

private:
    std::optional<int64_t> Steps() const {
        std::string_view digits = text_;
        bool negative = false;
        if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
            negative = digits[0] == '-';
            digits.remove_prefix(1);
        }
        std::optional<uint64_t> n = ParseNumber(digits);
        if (!n || *n > 100000) return std::nullopt;
        return negative ? -static_cast<int64_t>(*n) : static_cast<int64_t>(*n);
    }

    CLI::Option *steps_ = nullptr;
    std::string text_;
};

}  // namespace

std::vector<CommandEntry> TuningCommands() {
    return {
        {"channel", "tune a channel of the current plan: channel N | up | down",
         [](CLI::App &app) { return std::make_unique<ChannelCommand>(app); }},
        {"freq", "tune a picture carrier in MHz: freq 77.25",
         [](CLI::App &app) { return std::make_unique<FreqCommand>(app); }},
        {"fine", "fine-tune in 62.5 kHz steps: fine +1 | -1 | 0",
         [](CLI::App &app) { return std::make_unique<FineCommand>(app); }},
    };
}

}  // namespace tvctl
