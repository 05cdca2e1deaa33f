#include "band_scan_ops.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "driver_v4l2_tuner.h"
#include "tune_ops.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

namespace {

constexpr uint32_t kFullSignal = 65535;
// Without a terminal, a progress line each time the walk passes a multiple
// of this (besides one for each station found).
constexpr uint64_t kProgressLineHz = 100'000'000;

double MhzNumber(uint64_t hz) { return static_cast<double>(hz) / 1e6; }

ChannelInfo PointAt(uint64_t carrierHz) {
    const auto kHz = static_cast<uint32_t>(carrierHz / 1000);
    return ChannelInfo{"", kHz, kHz + tvcore::card::kIfOffsetKHz, tvcore::card::DividerOfCarrierHz(carrierHz),
                       BandCodeOfCarrierHz(carrierHz), carrierHz};
}

std::string StationLine(const PlanInfo &plan, const BandStation &station) {
    const uint64_t hz = HzOfCarrierStep(station.carrierStep);
    const std::string channel = NearestPlanChannel(plan, hz);
    return fmt::format("scan: station at {} MHz{}", MhzOfHz(hz),
                       !channel.empty() ? fmt::format(" ({} {})", plan.name, channel) : "");
}

BandProgress ShowProgress(const Console &out, const PlanInfo &plan, const BandStretch &stretch) {
    return [&out, plan, stretch, shown = size_t{0},
            lastMark = stretch.fromHz / kProgressLineHz](uint32_t coarse, const BandScanResult &soFar) mutable {
        const uint64_t hz = HzOfCarrierStep(coarse);
        if (out.ProgressIsBar()) {
            constexpr uint64_t kWidth = 30;
            const uint64_t span = std::max<uint64_t>(stretch.toHz - stretch.fromHz, 1);
            const uint64_t filled = std::min<uint64_t>((hz - std::min(hz, stretch.fromHz)) * kWidth / span, kWidth);
            out.Progress(fmt::format("[{}{}] {} MHz  stations: {}", std::string(filled, '#'),
                                     std::string(kWidth - filled, '.'), MhzOfHz(hz), soFar.stations.size()),
                         "");
            return;
        }
        for (; shown < soFar.stations.size(); ++shown) out.Progress("", StationLine(plan, soFar.stations[shown]));
        if (hz / kProgressLineHz <= lastMark) return;
        lastMark = hz / kProgressLineHz;
        out.Progress("", fmt::format("scan: {} MHz, {} station{} so far", MhzOfHz(hz), soFar.stations.size(),
                                     soFar.stations.size() == 1 ? "" : "s"));
    };
}

}  // namespace

BandScanRun ScanBand(Session &session, const TvCalls &tv, const ScanOptions &probe, const BandStretch &stretch,
                     bool quiet) {
    BandScanRun run;
    const std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
    BandProbe tune = [&](uint32_t step) -> std::optional<BandReading> {
        ScannedChannel point{PointAt(HzOfCarrierStep(step))};
        if (!ProbeChannel(tv, session.Words(), probe, point, run.error)) return std::nullopt;
        BandReading reading{point.locked, point.locked ? kFullSignal : 0, 0};
        TvV4l2TunerReading tuner{};
        if (point.locked && v4l2 && v4l2->readTuner(&tuner) == 0) {
            reading.signal = tuner.signal;
            reading.afc = tuner.afc;
        }
        return reading;
    };
    const BandStretch tuner;  // the tuner's whole range
    const BandScanOptions options{
        .firstStep = CarrierStepOfHz(stretch.fromHz), .lastStep = CarrierStepOfHz(stretch.toHz),
        .stride = static_cast<uint32_t>(stretch.stepHz / kCarrierStepHz),
        .lowestStep = CarrierStepOfHz(tuner.fromHz), .highestStep = CarrierStepOfHz(tuner.toHz), .stop = probe.stop};
    run.result = RunBandScan(options, tune, quiet ? BandProgress() : ShowProgress(session.Out(), probe.plan, stretch));
    if (!quiet) session.Out().EndProgress();
    run.stations = NameStations(probe.plan, run.result.stations);
    return run;
}

uint64_t WalkedToHz(const BandStretch &stretch, const BandScanRun &run) {
    const bool whole = !run.result.interrupted && !run.result.failed;
    return whole ? stretch.toHz : HzOfCarrierStep(run.result.reachedStep);
}

void RecordBandScan(Reply &reply, const PlanInfo &plan, const BandStretch &stretch, const BandScanRun &run) {
    Record stations = Record::array();
    for (const NamedStation &station : run.stations)
        stations.push_back({{"carrierMHz", MhzNumber(station.carrierHz)},
                            {"channel", !station.channel.empty() ? ChannelJson(station.channel) : Record()},
                            {"fine", station.fine},
                            {"band", BandName(BandCodeOfCarrierHz(station.carrierHz))},
                            {"signal", station.found.signal},
                            {"windowMHz",
                             {MhzNumber(HzOfCarrierStep(station.found.windowLow)),
                              MhzNumber(HzOfCarrierStep(station.found.windowHigh))}}});
    reply.data["plan"] = plan.name;
    reply.data["mode"] = "band";
    reply.data["fromMHz"] = MhzNumber(stretch.fromHz);
    reply.data["toMHz"] = MhzNumber(stretch.toHz);
    reply.data["stepMHz"] = MhzNumber(stretch.stepHz);
    reply.data["tuned"] = run.result.probes;
    reply.data["seconds"] = run.result.seconds;
    reply.data["complete"] = !run.result.interrupted && !run.result.failed;
    reply.data["reachedMHz"] = MhzNumber(WalkedToHz(stretch, run));
    reply.data["stations"] = std::move(stations);
    if (run.result.interrupted)
        reply.Fail(fmt::format("the scan was interrupted (Ctrl-C) at {} MHz; the stations above are those found so far",
                               MhzOfHz(WalkedToHz(stretch, run))),
                   kExitInterrupted);
    else if (run.result.failed)
        reply.Fail("the scan stopped: " + run.error);
}

std::string BandScanText(const Record &record) {
    auto hz = [](const Record &mhz) { return static_cast<uint64_t>(std::llround(mhz.get<double>() * 1e6)); };
    const Record &stations = record["stations"];
    std::string text = fmt::format(
        "band scan of {}-{} MHz in {} MHz steps{}, {} plan: {} station{} in {:.1f} s\n",
        MhzOfHz(hz(record["fromMHz"])), MhzOfHz(hz(record["toMHz"])), MhzOfHz(hz(record["stepMHz"])),
        record["complete"].get<bool>() ? "" : fmt::format(" (stopped at {} MHz)", MhzOfHz(hz(record["reachedMHz"]))),
        record["plan"].get<std::string>(), stations.size(), stations.size() == 1 ? "" : "s",
        record["seconds"].get<double>());
    if (!stations.empty()) text += "  carrier MHz  channel  fine  band\n";
    for (const Record &station : stations) {
        const int fine = station["fine"].get<int>();
        text += fmt::format("  {:>11}  {:>7}  {:>4}  {}\n", MhzOfHz(hz(station["carrierMHz"])),
                            station["channel"].is_null() ? "-" : ChannelOfJson(station["channel"]),
                            fine != 0 ? fmt::format("{:+}", fine) : "", station["band"].get<std::string>());
    }
    return text;
}

}  // namespace tvctl
