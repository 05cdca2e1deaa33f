// tune, stations: the station list a scan wrote (station_list.h).
#include <fmt/format.h>

#include "commands.h"
#include "standard_ops.h"
#include "station_list.h"
#include "tune_ops.h"

namespace tvctl {

namespace {

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
        Bind(app, "--file", file_, FileName("--file"), "the station list (default: $XDG_CONFIG_HOME/tvctl/stations)");
        app.footer("Selects the tuner with the station's plan when it is not on it, tunes the station's channel\n"
                   "or frequency with its fine tuning, and reports lock as the channel command does.");
    }
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
    }
    std::string Text(const Record &record) const override {
        return record.contains("locked") ? Printable(record["station"].get<std::string>()) + ": " + TuneText(record) : "";
    }

private:
    std::string name_, file_;
};

class StationsCommand : public Command {
public:
    explicit StationsCommand(CLI::App &app) {
        Bind(app, "--file", file_, FileName("--file"), "the station list (default: $XDG_CONFIG_HOME/tvctl/stations)");
        app.footer("Lists the stations of the list that scan --save wrote (or a person edited): name, plan and\n"
                   "channel or frequency, fine tuning, standard. See tvctl(1) for the file's format.");
    }
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
        }
        reply.data["stations"] = stations;
    }
    std::string Text(const Record &record) const override {
        std::string text;
        for (const Record &station : Field(record, "stations"))
            text += fmt::format("{:<15} {}{}\n", Printable(station["name"].get<std::string>()),
                                DescribeTarget(TargetOfRecord(station, false)),
                                station.contains("standard") ? ", " + station["standard"].get<std::string>() : "");
        if (text.empty() && record.contains("stations"))
            return fmt::format("no stations in {}", record["file"].get<std::string>());
        return text;
    }

private:
    std::string file_;
};

}  // namespace

std::vector<CommandEntry> StationCommands() {
    return {
        Entry<TuneCommand>("tune", "tune a station of the station list by name: tune NAME"),
        Entry<StationsCommand>("stations", "list the station list's stations"),
    };
}

}  // namespace tvctl
