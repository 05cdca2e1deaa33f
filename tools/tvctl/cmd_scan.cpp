// scan: find the stations of a channel plan.
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "band_scan_ops.h"
#include "commands.h"
#include "file_lock.h"
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

// Runs `walk` (a scan) with Ctrl-C as a request to stop it, through `options.stop`.
template <typename Walk>
auto StoppableByCtrlC(ScanOptions &options, const Walk &walk) {
    InterruptGuard guard;
    InterruptGuard::Clear();
    options.stop = InterruptGuard::Flag();
    auto result = walk();
    InterruptGuard::Clear();
    return result;
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
        app.add_flag("--fast", options_.fast, "program the tuner directly and poll the decoder's lock bit");
        Bind(app, "--channels", range_, ReadRange, "only channels A-B (or one channel A) of the plan, by name (2-13, E5-E12), in the order the plan lists them");
        BindChoice(app, "--tuner-status", tunerStatus_, {"auto", "on", "off"},
                   "fast scan: leave an empty channel once the tuner reports settled: auto (on the simulated "
                   "card only), on, off");
        Bind(app, "--grace", graceMs_, InRange("--grace", 0, kLockLimitMs),
             "fast scan: ms (0-150) the decoder may take to lock after the tuner settled (default 0 on "
             "the simulated card, 40 on a real bus)");
        app.add_flag("-q,--quiet", quiet_, "no progress display");
        Bind(app, "--poll", options_.pollMs, InRange("--poll", 1, 50), "fast scan: ms between polls")->group("");
        app.add_flag("--all", all_, "walk the tuner's whole range (or --from..--to) by frequency");
        bandOptions_ = {
            Bind(app, "--from", band_.fromHz, ReadBandMhz("--from"),
                 "with --all: the lowest carrier, MHz (default 44)"),
            Bind(app, "--to", band_.toHz, ReadBandMhz("--to"), "with --all: the highest carrier, MHz (default 870)"),
            Bind(app, "--step", band_.stepHz, ReadStep,
                 "with --all: the coarse step, MHz, a multiple of 0.0625 up to 8 (default 0.25)")};
        for (CLI::Option *option : bandOptions_) option->type_name("MHZ");
    }
    std::string Validate() const override {
        for (const CLI::Option *option : bandOptions_)
            if (!all_ && option->count() > 0) return fmt::format("{} goes with --all", option->get_name());
        if (all_ && (range_ || options_.fast))
            return "--all walks the band by frequency: --channels and --fast belong to the channel scan";
        if (band_.fromHz > band_.toHz)  // without --all, both are the tuner's ends
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
        const std::optional<PlanInfo> plan = plan_;
        if (!all_ && !ParseRange(plan ? *plan : CurrentPlan(session).value_or(CablePlan()), reply)) return;

        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        // Where the tuner is now, to go back there afterwards.
        sourceBefore_ = session.source;
        memoryBefore_ = session.tuner;
        before_ = LastTuned(session);
        const std::optional<PlanInfo> current = CurrentPlan(session);
        if (!plan && !current)
            return reply.Fail(fmt::format("scan needs the tuner, but the video source is {}: give the plan "
                                          "(scan cable or scan broadcast)",
                                          SourceName(session.source)));
        if (plan && (!current || current->plan != plan->plan)) {
            if (!SelectPlan(session, *tv, *plan, reply)) return;
            session.Out().Tell("source: tuner, {} plan", plan->name);
        }
        options_.plan = plan ? *plan : *current;
        if (!EnsureLibrarySource(session, *tv, SourceOfPlan(options_.plan), reply) ||
            !SetPlanStandard(session, options_.plan, reply) || !SetDefaultStandard(session, reply))
            return;
        const bool simulated = session.Card() != nullptr;
        options_.tunerStatus = tunerStatus_ == "on" || (tunerStatus_ == "auto" && simulated);
        options_.graceMs = graceMs_.value_or(simulated ? 0 : kRealBusGraceMs);
        if (all_) return ScanBandAndSave(session, *tv, reply);
        const ScanResult result = StoppableByCtrlC(options_, [&] { return Scan(session, *tv); });
        Report(result, reply);
        Save(session, reply, fmt::format("of the {} plan", options_.plan.name), [&](const StationList &old) {
            return MergeScan(old, options_.plan, ChannelNames(result, false), ChannelNames(result, true));
        });
        if (before_) return GoBackTo(session, *tv, reply);
        // Nothing tuned before: the tuner stays on the last channel scanned.
        Reply step;
        if (!result.channels.empty()) {
            const ChannelInfo &last = result.channels.back().info;
            std::optional<bool> locked;  // set when the tuner was left there
            if (result.finalChannel != last.name) {
                // Stopped early: the library (or tvctl's record) takes the channel the tuner is on.
                const TuneOutcome tuned = Tune(session, *tv, TuneTarget{options_.plan, last.name}, step);
                if (tuned.tuned) locked = tuned.locked;
            } else {
                session.tuner = TunerMemory{"tuner", options_.plan.plan, last.name, last.carrierHz, 0};
                SaveTuner(session, reply);
                locked = result.finalResult == TV_OK;
            }
            if (locked)
                session.Out().Tell("tuner left on {} channel {} ({})", options_.plan.name, last.name,
                                   *locked ? "locked" : "no lock");
        }
        RestoreInput(session, *tv, step);
    }

    // scan --all: the band walked by frequency (band_scan_ops.h).
    void ScanBandAndSave(Session &session, const TvCalls &tv, Reply &reply) {
        const BandScanRun run =
            StoppableByCtrlC(options_, [&] { return ScanBand(session, tv, options_, band_, quiet_); });
        RecordBandScan(reply, options_.plan, band_, run);
        const uint64_t walkedTo = WalkedToHz(band_, run);
        Save(session, reply, fmt::format("of {}-{} MHz", MhzOfHz(band_.fromHz), MhzOfHz(walkedTo)),
             [&](const StationList &old) {
                 return MergeBandScan(old, options_.plan, band_.fromHz, walkedTo, run.stations);
             });
        if (before_) return GoBackTo(session, tv, reply);
        // Nothing tuned before: the first station found, as a remote shows it.
        Reply step;
        if (!run.stations.empty()) {
            const NamedStation &first = run.stations.front();
            TuneTarget target{options_.plan, first.channel, first.channel.empty() ? first.carrierHz : 0, first.fine};
            if (Tune(session, tv, target, step).tuned) session.Out().Tell("tuner left on {}", DescribeTarget(target));
        }
        RestoreInput(session, tv, step);
    }

    // The channels to scan: the plan's whole walk, or the --channels range
    // within it. Without a plan argument, the range is checked against the
    // plan of the current source (cable when that is no tuner; then the scan
    // is refused anyway).
    bool ParseRange(const PlanInfo &plan, Reply &reply) {
        const std::vector<tvcore::card::TableChannel> &walk = *plan.walk;
        // A channel's place in the walk, by any spelling of its name; the end when the plan lacks it.
        auto at = [&](const std::string &name) {
            const std::optional<ChannelInfo> channel = Channel(plan, name);
            return std::find_if(walk.begin(), walk.end(), [&](const tvcore::card::TableChannel &c) {
                return channel && c.Name() == channel->name;
            });
        };
        const auto first = range_ ? at(range_->first) : walk.begin();
        const auto last = range_ ? at(range_->second) : walk.end() - 1;
        if (first == walk.end() || last == walk.end() || first > last) {
            reply.Fail(fmt::format("channel range {}-{} is not within the {} plan ({}), first to last", range_->first,
                                   range_->second, plan.name, PlanRange(plan)));
            return false;
        }
        options_.first = first->Name();
        options_.last = last->Name();
        return true;
    }

    ScanResult Scan(Session &session, const TvCalls &tv) const {
        const Console &out = session.Out();
        size_t found = 0;
        ScanProgress progress;
        if (!quiet_)
            progress = [&](const ScannedChannel &channel, size_t index, size_t count) {
                found += channel.locked ? 1 : 0;
                constexpr size_t kWidth = 30;
                const size_t filled = (index + 1) * kWidth / count;
                const std::string what = fmt::format("{} {} ({} MHz)", options_.plan.name, channel.info.name,
                                                     Mhz(channel.info.carrierKHz));
                out.Progress(fmt::format("[{}{}] {:>3}/{} {}  stations: {}", std::string(filled, '#'),
                                         std::string(kWidth - filled, '.'), index + 1, count, what, found),
                             fmt::format("scan: {}: {}", what, channel.locked ? "locked" : "no lock"));
            };
        ScanResult result = RunScan(tv, session.Words(), options_, progress);
        if (!quiet_) out.EndProgress();
        return result;
    }

    void Report(const ScanResult &result, Reply &reply) {
        Record stations = Record::array();
        for (const ScannedChannel &channel : result.channels)
            if (channel.locked)
                stations.push_back({{"channel", ChannelJson(channel.info.name)},
                                    {"carrierMHz", channel.info.carrierKHz / 1000.0},
                                    {"band", BandName(channel.info.bandCode)},
                                    {"waitedMs", channel.waitedMs}});
        reply.data["plan"] = options_.plan.name;
        reply.data["mode"] = options_.fast ? "fast" : "standard";
        reply.data["first"] = ChannelJson(options_.first);
        reply.data["last"] = ChannelJson(options_.last);
        reply.data["tuned"] = result.channels.size();
        reply.data["seconds"] = result.seconds;
        reply.data["stations"] = std::move(stations);
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

    // With --save, the stations found into the station list (see the
    // footer), under the list's lock from the read to the write.
    void Save(Session &session, Reply &reply, const std::string &what,
              const std::function<ScanMerge(const StationList &)> &mergeWith) const {
        if (!saveGiven_) return;
        const std::string file = saveFile_ == kDefaultListMark ? DefaultStationFile() : saveFile_;
        if (file.empty())
            return Note(session, reply,
                        "the stations were not saved: neither XDG_CONFIG_HOME nor HOME is set to an absolute path");
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

    // The tuner back on what it was tuned to, with tvctl's record as it was.
    void GoBackTo(Session &session, const TvCalls &tv, Reply &reply) const {
        Reply step;
        const TuneOutcome back = Tune(session, tv, *before_, step);
        if (!back.tuned) return Note(session, reply, "the tuner could not go back: " + step.error);
        RestoreInput(session, tv, step);
        session.tuner = memoryBefore_;
        SaveTuner(session, reply);
        reply.data["back"] = DescribeTarget(*before_);
        reply.data["backLocked"] = back.locked;
        session.Out().Tell("tuner back on {}: {}", DescribeTarget(*before_), back.locked ? "locked" : "no lock");
    }

    // A scan selects the tuner; an input that was not the tuner comes back.
    void RestoreInput(Session &session, const TvCalls &tv, Reply &step) const {
        if (sourceBefore_ != Source::Composite && sourceBefore_ != Source::SVideo) return;
        if (SelectSource(session, tv, sourceBefore_, step)) session.Out().Tell("source: {} again", SourceName(sourceBefore_));
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
    ScanOptions options_;  // --fast and --poll bound here; the rest filled in when the scan runs
    std::string saveFile_;
    bool saveGiven_ = false;
    bool force_ = false;
    std::optional<std::pair<std::string, std::string>> range_;
    std::string tunerStatus_ = "auto";
    std::optional<uint32_t> graceMs_;
    bool quiet_ = false;
    std::string stopped_;  // where Ctrl-C stopped the scan, for the text
    bool all_ = false;
    std::vector<CLI::Option *> bandOptions_;  // --from, --to, --step
    BandStretch band_;
    // Where the tuner was before the scan.
    Source sourceBefore_ = Source::Cable;
    TunerMemory memoryBefore_;
    std::optional<TuneTarget> before_;
};

}  // namespace

std::vector<CommandEntry> ScanCommands() {
    return {Entry<ScanCommand>("scan")};
}

}  // namespace tvctl
