// tune, stations: the station list a scan wrote (station_list.h).
#include <fmt/format.h>

#include "commands.h"
#include "standard_ops.h"
#include "station_list.h"
#include "tune_ops.h"

namespace tvctl {

namespace {

// An empty --file names no file; it is not taken for "the default".
std::string NotEmpty(const std::string &value) { return value.empty() ? "an empty file name names no file" : ""; }

// The list from `file` (or the default), its skipped lines as notes; empty
// with `reply` failed when it cannot be read.
std::optional<StationList> ReadList(Session &session, const std::string &file, Reply &reply) {
    std::string path = file.empty() ? DefaultStationFile() : file;
    if (path.empty()) {
        reply.Fail("there is no station list: neither XDG_CONFIG_HOME nor HOME is set to an absolute path (give --file FILE)");
        return std::nullopt;
    }
    std::string error;
    std::optional<StationList> list = LoadStations(path, &error);
    if (!list) {
        reply.Fail(error);
        return std::nullopt;
    }
    for (const std::string &problem : list->problems) Note(session, reply, problem);
    reply.data["file"] = path;
    return list;
}

// A station as a tuning target: its plan, or for a frequency the plan the
// tuner is on (cable when the source is no tuner).
TuneTarget TargetOf(const Session &session, const Station &station) {
    if (station.channel != 0) return TuneTarget{*PlanByNumber(station.plan), station.channel, 0, station.fine};
    return TuneTarget{CurrentPlan(session).value_or(CablePlan()), 0, station.carrierHz, station.fine};
}

class TuneCommand : public Command {
public:
    explicit TuneCommand(CLI::App &app) {
        app.add_option("name", name_, "the station's name in the list (any case)")->required();
        app.add_option("--file", file_, "the station list (default: $XDG_CONFIG_HOME/tvctl/stations)")
            ->check(NotEmpty);
        app.footer("Selects the tuner with the station's plan when it is not on it, tunes the station's channel\n"
                   "or frequency with its fine tuning, and reports lock as the channel command does.");
    }
    std::string Name() const override { return "tune"; }
    void Run(Session &session, Reply &reply) override {
        std::optional<StationList> list = ReadList(session, file_, reply);
        if (!list) return;
        const Station *station = FindStation(*list, name_);
        if (station == nullptr)
            return reply.Fail(fmt::format("no station is named \"{}\" in {} (tvctl stations lists them)", Printable(name_),
                                          reply.data["file"].get<std::string>()));
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr || !SetStationStandard(session, *station, reply)) return;
        TuneTarget target = TargetOf(session, *station);
        std::optional<PlanInfo> current = CurrentPlan(session);
        if ((!current || current->plan != target.plan.plan) && !SelectPlan(session, *tv, target.plan, reply)) return;
        TuneOutcome outcome = Tune(session, *tv, target, reply);
        if (!outcome.tuned) return;
        reply.data["station"] = station->name;
        reply.data["plan"] = target.plan.name;
        if (target.channel != 0) reply.data["channel"] = target.channel;
        reply.data["carrierMHz"] = static_cast<double>(outcome.carrierHz) / 1e6;
        reply.data["fine"] = target.fine;
        reply.data["locked"] = outcome.locked;
        session.Out().Print("{}: {}: {}", Printable(station->name), DescribeTarget(target),
                            outcome.locked ? "locked" : "tuned, but no lock (no station there?)");
    }

private:
    std::string name_, file_;
};

class StationsCommand : public Command {
public:
    explicit StationsCommand(CLI::App &app) {
        app.add_option("--file", file_, "the station list (default: $XDG_CONFIG_HOME/tvctl/stations)")
            ->check(NotEmpty);
        app.footer("Lists the stations of the list that scan --save wrote (or a person edited): name, plan and\n"
                   "channel or frequency, fine tuning. See tvctl(1) for the file's format.");
    }
    std::string Name() const override { return "stations"; }
    bool Traced() const override { return false; }
    void Run(Session &session, Reply &reply) override {
        std::optional<StationList> list = ReadList(session, file_, reply);
        if (!list) return;
        nlohmann::ordered_json stations = nlohmann::ordered_json::array();
        for (const Station &station : list->stations) {
            TuneTarget target = TargetOf(session, station);
            nlohmann::ordered_json entry = {{"name", station.name}};
            if (station.channel != 0) {
                entry["plan"] = target.plan.name;
                entry["channel"] = station.channel;
            }
            entry["carrierMHz"] =
                static_cast<double>(station.channel != 0 ? Channel(target.plan, station.channel)->carrierHz
                                                         : station.carrierHz) /
                1e6;
            entry["fine"] = station.fine;
            if (!station.standard.empty()) entry["standard"] = station.standard;
            stations.push_back(entry);
            session.Out().Print("{:<15} {}{}", Printable(station.name), DescribeTarget(target),
                                station.standard.empty() ? "" : ", " + station.standard);
        }
        if (list->stations.empty()) session.Out().Print("no stations in {}", reply.data["file"].get<std::string>());
        reply.data["stations"] = stations;
    }

private:
    std::string file_;
};

}  // namespace

std::vector<CommandEntry> StationCommands() {
    return {
        {"tune", "tune a station of the station list by name: tune NAME",
         [](CLI::App &app) { return std::make_unique<TuneCommand>(app); }},
        {"stations", "list the station list's stations",
         [](CLI::App &app) { return std::make_unique<StationsCommand>(app); }},
    };
}

}  // namespace tvctl
