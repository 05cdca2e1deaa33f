// scan: find the stations of a channel plan.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "band_scan_ops.h"
#include "commands.h"
#include "file_lock.h"
#include "numbers.h"
#include "interrupt.h"
#include "safe_file.h"
#include "scan.h"
#include "standard_ops.h"
#include "station_list.h"
#include "tune_ops.h"

namespace tvctl {

namespace {

constexpr uint32_t kRealBusGraceMs = 40;  // a real decoder needs a few fields to lock after the tuner
// What --save holds when given without FILE; an empty FILE is refused, not
// taken for the default list.
constexpr const char *kDefaultListMark = "\x01";

nlohmann::ordered_json StationsJson(const ScanResult &result) {
    nlohmann::ordered_json stations = nlohmann::ordered_json::array();
    for (const ScannedChannel &channel : result.channels)
        if (channel.locked)
            stations.push_back({{"channel", ChannelJson(channel.info.name)},
                                {"carrierMHz", channel.info.carrierKHz / 1000.0},
                                {"band", BandName(channel.info.bandCode)},
                                {"waitedMs", channel.waitedMs}});
    return stations;
}

// "A-B" (or one channel "A") as a range of channel names (no name has a
// dash); checked against the plan when the scan runs.
std::pair<std::string, std::string> ReadRange(const std::string &text) {
    size_t dash = text.find('-');
    std::string first = text.substr(0, dash), last = dash == std::string::npos ? first : text.substr(dash + 1);
    if (first.empty() || last.empty() || last.find('-') != std::string::npos)
        throw RefusedWord(fmt::format("channel range \"{}\" is not of the form A-B", text));
    return {first, last};
}

// A carrier within the tuner's range, in MHz.
std::function<uint64_t(const std::string &)> ReadBandMhz(std::string option) {
    return [option = std::move(option)](const std::string &word) {
        std::optional<uint64_t> hz = ParseMhz(word);
        if (!hz) throw RefusedWord(fmt::format("{} \"{}\" is not a frequency in MHz (e.g. 77.25)", option, word), true);
        if (std::string problem = CarrierProblem(*hz); !problem.empty())
            throw RefusedWord(fmt::format("{}: {}", option, problem), true);
        return *hz;
    };
}

// The coarse step: whole tuner steps (62.5 kHz), at most 8 MHz.
uint64_t ReadStep(const std::string &word) {
    std::optional<uint64_t> hz = ParseMhz(word);
    if (!hz || *hz == 0 || *hz % kCarrierStepHz != 0 || *hz > kMaxWindowSteps * kCarrierStepHz)
        throw RefusedWord(
            fmt::format("--step must be a multiple of 0.0625 MHz (the tuner's step) up to 8, not \"{}\"", word),
            true);
    return *hz;
}

class ScanCommand : public Command {
public:
    explicit ScanCommand(CLI::App &app) {
        Bind(app, "plan", plan_, ReadPlan,
                       "a channel table (tvctl plans: cable, broadcast, cable-irc, cable-hrc, europe-west, ...), "
                       "selected first; default: the current plan");
        CLI::Option *save = app.add_option(
            "--save", saveFile_, "write the stations found to the station list FILE (default $XDG_CONFIG_HOME/tvctl/stations)");
        save->expected(0, 1)->default_str(kDefaultListMark)->option_text("[FILE]");
        app.callback([this, save] {
            saveGiven_ = save->count() > 0;
            if (saveGiven_ && saveFile_.empty()) throw RefusedWord("--save: an empty file name names no file");
        });
        app.add_flag("--force", force_, "with --save: write to a file that holds no station list (its lines are kept)");
        app.add_flag("--fast", fast_, "program the tuner directly and poll the decoder's lock bit");
        Bind(app, "--channels", range_, ReadRange, "only channels A-B (or one channel A) of the plan, by name (2-13, E5-E12), in the order the plan lists them");
        BindChoice(app, "--tuner-status", tunerStatus_, {"auto", "on", "off"},
                   "fast scan: leave an empty channel once the tuner reports settled: auto (on the simulated "
                   "card only), on, off");
        Bind(app, "--grace", graceMs_, InRange("--grace", 0, kLockLimitMs),
             "fast scan: ms (0-150) the decoder may take to lock after the tuner settled (default 0 on "
             "the simulated card, 40 on a real bus)");
        app.add_flag("-q,--quiet", quiet_, "no progress display");
        Bind(app, "--poll", pollMs_, InRange("--poll", 1, 50), "fast scan: ms between polls")->group("");
        app.add_flag("--all", all_, "walk the tuner's whole range (or --from..--to) by frequency");
        bandOptions_ = {
            Bind(app, "--from", band_.fromHz, ReadBandMhz("--from"),
                 "with --all: the lowest carrier, MHz (default 44)")->type_name("MHZ"),
            Bind(app, "--to", band_.toHz, ReadBandMhz("--to"), "with --all: the highest carrier, MHz (default 870)")
                ->type_name("MHZ"),
            Bind(app, "--step", band_.stepHz, ReadStep,
                 "with --all: the coarse step, MHz, a multiple of 0.0625 up to 8 (default 0.25)")
                ->type_name("MHZ")};
    }
    std::string Validate() const override {
        if (!all_) {
            for (const CLI::Option *option : bandOptions_)
                if (option->count() > 0) return fmt::format("{} goes with --all", option->get_name());
            return "";
        }
        if (range_ || fast_)
            return "--all walks the band by frequency: --channels and --fast belong to the channel scan";
        if (band_.fromHz > band_.toHz)
            return fmt::format("--from {} MHz lies above --to {} MHz", MhzOfHz(band_.fromHz), MhzOfHz(band_.toHz));
        return "";
    }

    void Run(Session &session, Reply &reply) override {
        // The tuner record changes only when the scan ends (or Ctrl-C stops
        // it), never as it starts: a scan killed midway leaves the record
        // saying where the tuner was.
        const TunerMemory recordBefore = session.tuner;
        std::string recordFile = std::exchange(session.tunerFile, std::string());
        ScanAndSave(session, reply);
        session.tunerFile = std::move(recordFile);
        if (session.tuner != recordBefore) SaveTuner(session, reply);
    }

private:
    void ScanAndSave(Session &session, Reply &reply) {
        std::optional<PlanInfo> plan = plan_;
        ScanOptions options;
        if (!all_ &&
            !ParseRange(plan ? *plan : CurrentPlan(session).value_or(CablePlan()), options, reply))
            return;

        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        // Where the tuner is now, to go back there afterwards.
        const Source sourceBefore = session.source;
        const TunerMemory memoryBefore = session.tuner;
        const std::optional<TuneTarget> before = LastTuned(session);
        if (plan) {
            std::optional<PlanInfo> current = CurrentPlan(session);
            if (!current || current->plan != plan->plan) {
                if (!SelectPlan(session, *tv, *plan, reply)) return;
                session.Out().Tell("source: tuner, {} plan", plan->name);
            }
        } else {
            plan = CurrentPlan(session);
            if (!plan) {
                reply.Fail(fmt::format("scan needs the tuner, but the video source is {}: give the plan "
                                       "(scan cable or scan broadcast)",
                                       SourceName(session.source)));
                return;
            }
        }
        if (!EnsureLibrarySource(session, *tv, SourceOfPlan(*plan), reply) || !SetPlanStandard(session, *plan, reply) ||
            !SetDefaultStandard(session, reply))
            return;
        options.plan = *plan;
        const bool simulated = session.Card() != nullptr;
        options.tunerStatus = tunerStatus_ == "on" || (tunerStatus_ == "auto" && simulated);
        options.graceMs = graceMs_.value_or(simulated ? 0 : kRealBusGraceMs);
        options.pollMs = pollMs_;
        options.fast = fast_;
        if (all_) return ScanBandAndSave(session, *tv, options, sourceBefore, memoryBefore, before, reply);
        ScanResult result;
        {
            InterruptGuard guard;
            InterruptGuard::Clear();
            options.stop = InterruptGuard::Flag();
            result = Scan(session, *tv, options);
            InterruptGuard::Clear();
        }
        Report(options, result, reply);
        if (saveGiven_) {
            Save(session, reply, fmt::format("of the {} plan", options.plan.name), [&](const StationList &old) {
                return MergeScan(old, options.plan, ChannelNames(result, false), ChannelNames(result, true));
            });
        }
        GoBack(session, *tv, options, result, sourceBefore, memoryBefore, before, reply);
    }

    // scan --all: the band walked by frequency (band_scan_ops.h).
    void ScanBandAndSave(Session &session, const TvCalls &tv, ScanOptions &options, Source sourceBefore,
                         const TunerMemory &memoryBefore, const std::optional<TuneTarget> &before, Reply &reply) {
        BandScanRun run;
        {
            InterruptGuard guard;
            InterruptGuard::Clear();
            options.stop = InterruptGuard::Flag();
            run = ScanBand(session, tv, options, band_, quiet_);
            InterruptGuard::Clear();
        }
        RecordBandScan(reply, options.plan, band_, run);
        if (saveGiven_) {
            const uint64_t walkedTo = WalkedToHz(band_, run);
            Save(session, reply, fmt::format("of {}-{} MHz", MhzOfHz(band_.fromHz), MhzOfHz(walkedTo)),
                 [&](const StationList &old) {
                     return MergeBandScan(old, options.plan, band_.fromHz, walkedTo, run.stations);
                 });
        }
        if (before) return GoBackTo(session, tv, *before, sourceBefore, memoryBefore, reply);
        // Nothing tuned before: the first station found, as a remote shows it.
        Reply step;
        if (!run.stations.empty()) {
            const NamedStation &first = run.stations.front();
            TuneTarget target{options.plan, first.channel, first.channel.empty() ? first.carrierHz : 0, first.fine};
            if (Tune(session, tv, target, step).tuned)
                session.Out().Tell("tuner left on {}", DescribeTarget(target));
        }
        RestoreInput(session, tv, sourceBefore, step);
    }

    bool ParseRange(const PlanInfo &plan, ScanOptions &options, Reply &reply) const {
        options.first = plan.walk->front().Name();
        options.last = plan.walk->back().Name();
        if (!range_) return true;
        // Without a plan argument, the range is checked against the plan of
        // the current source (cable when that is no tuner; then the scan is
        // refused anyway).
        std::optional<ChannelInfo> first = Channel(plan, range_->first), last = Channel(plan, range_->second);
        auto at = [&](const ChannelInfo &channel) {
            return std::find_if(plan.walk->begin(), plan.walk->end(),
                                [&](const tvcore::card::TableChannel &c) { return c.Name() == channel.name; });
        };
        if (!first || !last || at(*first) > at(*last)) {
            reply.Fail(fmt::format("channel range {}-{} is not within the {} plan ({}), first to last", range_->first,
                                   range_->second, plan.name, PlanRange(plan)));
            return false;
        }
        options.first = first->name;
        options.last = last->name;
        return true;
    }

    ScanResult Scan(Session &session, const TvCalls &tv, const ScanOptions &options) const {
        const Console &out = session.Out();
        size_t found = 0;
        ScanProgress progress;
        if (!quiet_)
            progress = [&](const ScannedChannel &channel, size_t index, size_t count) {
                found += channel.locked ? 1 : 0;
                constexpr size_t kWidth = 30;
                size_t filled = (index + 1) * kWidth / count;
                std::string bar = fmt::format("[{}{}] {:>3}/{} {} {} ({} MHz)  stations: {}", std::string(filled, '#'),
                                              std::string(kWidth - filled, '.'), index + 1, count,
                                              options.plan.name, channel.info.name, Mhz(channel.info.carrierKHz),
                                              found);
                std::string line = fmt::format("scan: {} {} ({} MHz): {}", options.plan.name, channel.info.name,
                                               Mhz(channel.info.carrierKHz), channel.locked ? "locked" : "no lock");
                out.Progress(bar, line);
            };
        ScanResult result = RunScan(tv, session.Words(), options, progress);
        if (!quiet_) out.EndProgress();
        return result;
    }

    void Report(const ScanOptions &options, const ScanResult &result, Reply &reply) {
        const char *mode = options.fast ? "fast" : "standard";
        reply.data["plan"] = options.plan.name;
        reply.data["mode"] = mode;
        reply.data["first"] = ChannelJson(options.first);
        reply.data["last"] = ChannelJson(options.last);
        reply.data["tuned"] = result.channels.size();
        reply.data["seconds"] = result.seconds;
        reply.data["stations"] = StationsJson(result);
        reply.data["finalChannel"] = ChannelJson(result.finalChannel);
        reply.data["finalLocked"] = result.finalResult == TV_OK;

        if (result.interrupted && !result.channels.empty())
            stopped_ = fmt::format(" (stopped after channel {})", result.channels.back().info.name);
        if (result.interrupted)
            reply.Fail(fmt::format("the scan was interrupted (Ctrl-C) after {} of its channels; the stations above "
                                   "are those found so far",
                                   result.channels.size()),
                       kExitInterrupted);
        else if (!result.error.empty())
            reply.Fail("the scan stopped: " + result.error);
    }

    // The stations found, into the station list (see the footer), under
    // the list's lock from the read to the write.
    void Save(Session &session, Reply &reply, const std::string &what,
              const std::function<ScanMerge(const StationList &)> &mergeWith) const {
        std::string file = saveFile_ == kDefaultListMark ? DefaultStationFile() : saveFile_;
        if (file.empty()) {
            Note(session, reply, "the stations were not saved: neither XDG_CONFIG_HOME nor HOME is set to an absolute path");
            return;
        }
        auto fail = [&](const std::string &why) {
            if (reply.ok) reply.Fail("the stations were not saved: " + why);
            else Note(session, reply, "the stations were not saved: " + why);
        };
        FileLock lock;
        std::string error;
        if (!lock.Take(file, "the station list", &error)) return fail(error);
        bool missing = false;
        std::optional<StationList> old = LoadStations(file, &error, &missing);
        if (!old && !missing) return fail(error);
        if (old && old->stations.empty() && !old->problems.empty() && !force_)
            return fail(fmt::format("{} holds no station line and lines that are no stations: it does not look "
                                    "like a station list (--force writes to it all the same, keeping its lines)",
                                    file));
        if (old)
            for (const std::string &problem : old->problems) Note(session, reply, problem + " (and kept as it is)");
        ScanMerge merge = mergeWith(old.value_or(StationList{}));
        if (!WriteFileAtomically(file, merge.text, &error)) return fail(error);
        reply.data["saved"] = file;
        Note(session, reply, fmt::format("{} station{} {} saved to {} ({} in the list)", merge.planStations,
                                         merge.planStations == 1 ? "" : "s", what, file, merge.total));
    }

    // Puts the tuner (and the input) back where they were before the scan;
    // with nothing tuned before, the tuner stays on the last channel scanned.
    void GoBack(Session &session, const TvCalls &tv, const ScanOptions &options, const ScanResult &result,
                Source sourceBefore, const TunerMemory &memoryBefore, const std::optional<TuneTarget> &before,
                Reply &reply) const {
        const Console &out = session.Out();
        Reply step;
        if (before) return GoBackTo(session, tv, *before, sourceBefore, memoryBefore, reply);
        std::string lastChannel = result.channels.empty() ? "" : result.channels.back().info.name;
        if (lastChannel.empty()) return RestoreInput(session, tv, sourceBefore, step);
        if (result.finalChannel != lastChannel) {
            // Stopped early: the library (or tvctl's record) takes the channel the tuner is on.
            TuneOutcome last = Tune(session, tv, TuneTarget{options.plan, lastChannel}, step);
            if (last.tuned) out.Tell("tuner left on {} channel {} ({})", options.plan.name, lastChannel,
                                     last.locked ? "locked" : "no lock");
            return RestoreInput(session, tv, sourceBefore, step);
        }
        session.tuner = TunerMemory{"tuner", options.plan.plan, lastChannel,
                                    result.channels.back().info.carrierHz, 0};
        SaveTuner(session, reply);
        out.Tell("tuner left on {} channel {} ({})", options.plan.name, result.finalChannel,
                 result.finalResult == TV_OK ? "locked" : "no lock");
        RestoreInput(session, tv, sourceBefore, step);
    }

    // The tuner back on what it was tuned to, with tvctl's record as it was.
    static void GoBackTo(Session &session, const TvCalls &tv, const TuneTarget &before, Source sourceBefore,
                         const TunerMemory &memoryBefore, Reply &reply) {
        Reply step;
        TuneOutcome back = Tune(session, tv, before, step);
        if (!back.tuned) {
            Note(session, reply, "the tuner could not go back: " + step.error);
            return;
        }
        RestoreInput(session, tv, sourceBefore, step);
        session.tuner = memoryBefore;
        SaveTuner(session, reply);
        reply.data["back"] = DescribeTarget(before);
        reply.data["backLocked"] = back.locked;
        session.Out().Tell("tuner back on {}: {}", DescribeTarget(before), back.locked ? "locked" : "no lock");
    }

    // A scan selects the tuner; an input that was not the tuner comes back.
    static void RestoreInput(Session &session, const TvCalls &tv, Source sourceBefore, Reply &step) {
        if (sourceBefore != Source::Composite && sourceBefore != Source::SVideo) return;
        if (SelectSource(session, tv, sourceBefore, step)) session.Out().Tell("source: {} again", SourceName(sourceBefore));
    }

public:
    std::string Text(const Record &record) const override {
        if (!record.contains("stations")) return "";
        if (record["mode"] == "band") return BandScanText(record);
        const Record &stations = record["stations"];
        std::string text = fmt::format("{} scan of the {} plan, channels {}-{}{}: {} station{} in {:.1f} s\n",
                                       record["mode"].get<std::string>(), record["plan"].get<std::string>(),
                                       ChannelOfJson(record["first"]), ChannelOfJson(record["last"]), stopped_, stations.size(),
                                       stations.size() == 1 ? "" : "s", record["seconds"].get<double>());
        if (!stations.empty()) text += "  channel  carrier MHz  band\n";
        for (const Record &station : stations)
            text += fmt::format("  {:>7}  {:>11}  {}\n", ChannelOfJson(station["channel"]),
                                Mhz(static_cast<uint32_t>(std::llround(station["carrierMHz"].get<double>() * 1000))),
                                station["band"].get<std::string>());
        return text;
    }

private:
    std::optional<PlanInfo> plan_;
    std::string saveFile_;
    bool saveGiven_ = false;
    bool force_ = false;
    bool fast_ = false;
    std::optional<std::pair<std::string, std::string>> range_;
    std::string tunerStatus_ = "auto";
    std::optional<uint32_t> graceMs_;
    uint32_t pollMs_ = 2;
    bool quiet_ = false;
    std::string stopped_;  // where Ctrl-C stopped the scan, for the text
    bool all_ = false;
    std::vector<CLI::Option *> bandOptions_;  // --from, --to, --step
    BandStretch band_;
};

}  // namespace

std::vector<CommandEntry> ScanCommands() {
    return {Entry<ScanCommand>("scan")};
}

}  // namespace tvctl
