// tune, station next/prev, stations (rename, remove): the station list a
// scan wrote (station_list.h).
#include <fmt/format.h>

#include "commands.h"
#include "file_lock.h"
#include "safe_file.h"
#include "standard_ops.h"
#include "station_list.h"
#include "tune_ops.h"
#include "tuner_follow.h"

namespace tvctl {

namespace {

constexpr const char *kFileHelp = "the station list (default: $XDG_CONFIG_HOME/tvctl/stations)";

// The list's path: `file`, or the default; "" with `reply` failed when there is none.
std::string ListPath(const std::string &file, Reply &reply) {
    std::string path = file.empty() ? DefaultStationFile() : file;
    if (path.empty())
        reply.Fail("there is no station list: neither XDG_CONFIG_HOME nor HOME is set to an absolute path (give --file FILE)");
    return path;
}

// The list from `file` (or the default), its skipped lines as notes; empty
// with `reply` failed when it cannot be read. With `text`, its bytes too.
std::optional<StationList> ReadList(Session &session, const std::string &file, Reply &reply,
                                    std::string *text = nullptr) {
    std::string path = ListPath(file, reply);
    if (path.empty()) return std::nullopt;
    std::string error;
    std::optional<StationList> list = LoadStations(path, &error, nullptr, text);
    if (!list) {
        reply.Fail(error);
        return std::nullopt;
    }
    for (const std::string &problem : list->problems) Note(session, reply, problem);
    reply.data["file"] = path;
    return list;
}

// The station named `name`, or nullptr with `reply` failed by a sentence
// naming it and the list.
const Station *NamedStation(const StationList &list, const std::string &name, Reply &reply) {
    const Station *station = FindStation(list, name);
    if (station == nullptr)
        reply.Fail(fmt::format("no station is named \"{}\" in {} (tvctl stations lists them)", Printable(name),
                               reply.data["file"].get<std::string>()));
    return station;
}

// A station as a tuning target: its plan, or for a frequency the plan the
// tuner is on (cable when the source is no tuner).
TuneTarget TargetOf(const Session &session, const Station &station) {
    if (!station.channel.empty()) return TuneTarget{*PlanByNumber(station.plan), station.channel, 0, station.fine};
    return TuneTarget{CurrentPlan(session).value_or(CablePlan()), "", station.carrierHz, station.fine};
}

// Tunes a station of the list: its standard, its plan's tuner, its channel
// or frequency with its fine tuning; answers the station's record.
void TuneStation(Session &session, const Station &station, Reply &reply) {
    const TvCalls *tv = session.Library(reply);
    if (tv == nullptr || !SetStationStandard(session, station, reply)) return;
    TuneTarget target = TargetOf(session, station);
    std::optional<PlanInfo> current = CurrentPlan(session);
    if ((!current || current->plan != target.plan.plan) && !SelectPlan(session, *tv, target.plan, reply)) return;
    TuneOutcome outcome = Tune(session, *tv, target, reply);
    if (!outcome.tuned) return;
    reply.data["station"] = station.name;
    // The tune's record, less the figures of the tuner block.
    RecordTune(reply, target, outcome);
    for (const char *figure : {"divider", "band", "result"}) reply.data.erase(figure);
}

// A command that tunes a station of the list and says so as tune does.
class StationTuning : public Command {
public:
    std::string Text(const Record &record) const override {
        return record.contains("locked") ? Printable(record["station"].get<std::string>()) + ": " + TuneText(record) : "";
    }
};

class TuneCommand : public StationTuning {
public:
    explicit TuneCommand(CLI::App &app) {
        app.add_option("name", name_, "the station's name in the list (any case)")->required();
        Bind(app, "--file", file_, FileName("--file"), kFileHelp);
    }
    void Run(Session &session, Reply &reply) override {
        std::optional<StationList> list = ReadList(session, file_, reply);
        if (!list) return;
        if (const Station *station = NamedStation(*list, name_, reply)) TuneStation(session, *station, reply);
    }

private:
    std::string name_, file_;
};

// station next / prev: the station after or before the one the tuner is on.
class StationStepCommand : public StationTuning {
public:
    explicit StationStepCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        app.fallthrough();
        Bind(app, "--file", file_, FileName("--file"), kFileHelp);
        for (const char *step : {"next", "prev"})
            app.add_subcommand(step, std::string("tune the station ") + (step[0] == 'n' ? "after" : "before") +
                                         " the one the tuner is on")
                ->callback([this, step] { next_ = step[0] == 'n'; });
    }
    void Run(Session &session, Reply &reply) override {
        std::optional<StationList> list = ReadList(session, file_, reply);
        if (!list) return;
        const std::vector<Station> &stations = list->stations;
        if (stations.empty())
            return reply.Fail(fmt::format("the station list {} holds no stations (scan a plan with --save, or add "
                                          "lines NAME PLAN CHANNEL)",
                                          reply.data["file"].get<std::string>()));
        if (!FollowV4l2Tuner(session, reply)) return;
        std::optional<TuneTarget> last = CurrentPlan(session) ? LastTuned(session) : std::nullopt;
        std::optional<size_t> now =
            last ? StationTunedTo(*list, last->plan.plan, last->channel, last->carrierHz, last->fine) : std::nullopt;
        const size_t count = stations.size();
        size_t index = now ? (*now + (next_ ? 1 : count - 1)) % count : next_ ? 0 : count - 1;
        TuneStation(session, stations[index], reply);
    }

private:
    std::string file_;
    bool next_ = true;
};

class StationsCommand : public Command {
public:
    explicit StationsCommand(CLI::App &app) {
        app.fallthrough();
        Bind(app, "--file", file_, FileName("--file"), kFileHelp);
        CLI::App *rename = app.add_subcommand("rename", "rename a station: stations rename OLD NEW");
        rename->add_option("old", name_, "the station's name now (any case)")->required();
        Bind(*rename, "new", newName_, [](const std::string &word) {
            if (word.empty()) throw RefusedWord("stations rename: the new name is empty");
            return word;
        }, "its new name")->required();
        rename->callback([this] { edit_ = "rename"; });
        CLI::App *remove = app.add_subcommand("remove", "remove a station from the list: stations remove NAME");
        remove->add_option("name", name_, "the station's name (any case)")->required();
        remove->callback([this] { edit_ = "remove"; });
    }
    bool Traced() const override { return false; }
    void Run(Session &session, Reply &reply) override {
        if (!edit_.empty()) return Edit(session, reply);
        std::optional<StationList> list = ReadList(session, file_, reply);
        if (!list) return;
        nlohmann::ordered_json stations = nlohmann::ordered_json::array();
        for (const Station &station : list->stations) {
            nlohmann::ordered_json entry = {{"name", station.name}};
            uint64_t hz = station.carrierHz;
            if (!station.channel.empty()) {
                const PlanInfo plan = *PlanByNumber(station.plan);
                entry["plan"] = plan.name;
                entry["channel"] = ChannelJson(station.channel);
                hz = Channel(plan, station.channel)->carrierHz;
            }
            entry["carrierMHz"] = static_cast<double>(hz) / 1e6;
            entry["fine"] = station.fine;
            if (!station.standard.empty()) entry["standard"] = station.standard;
            stations.push_back(entry);
        }
        reply.data["stations"] = stations;
    }
    std::string Text(const Record &record) const override {
        auto shown = [&record](const char *key) { return Printable(record.value(key, "")); };
        const std::string file = record.value("file", "");
        if (record.contains("renamed"))
            return fmt::format("renamed \"{}\" to \"{}\" in {}", shown("renamed"), shown("name"), file);
        if (record.contains("removed"))
            return fmt::format("removed \"{}\" ({}) from {}", shown("removed"), record.value("was", ""), file);
        std::string text;
        for (const Record &station : Field(record, "stations"))
            text += fmt::format("{:<15} {}{}\n", Printable(station["name"].get<std::string>()),
                                DescribeTarget(TargetOfRecord(station, false)),
                                station.contains("standard") ? ", " + station["standard"].get<std::string>() : "");
        if (text.empty() && record.contains("stations"))
            return fmt::format("no stations in {}", file);
        return text;
    }

private:
    // Renames or removes a station: the list read, changed and written back
    // (a temporary file renamed over it) under the list's lock.
    void Edit(Session &session, Reply &reply) const {
        std::string path = ListPath(file_, reply), error, text;
        if (path.empty()) return;
        FileLock lock;
        if (!lock.Take(path, "the station list", &error)) return reply.Fail(error);
        std::optional<StationList> list = ReadList(session, path, reply, &text);
        if (!list) return;
        const Station *station = NamedStation(*list, name_, reply);
        if (station == nullptr) return;
        const auto index = static_cast<size_t>(station - list->stations.data());
        const bool rename = edit_ == "rename";
        if (const Station *taken = rename ? FindStation(*list, newName_) : nullptr; taken != nullptr && taken != station)
            return reply.Fail(fmt::format("\"{}\" is taken: another station of {} has that name", Printable(taken->name),
                                          path));
        std::string edited = rename ? RenameStationLine(text, *list, index, newName_) : RemoveStationLine(text, *list, index);
        if (!WriteFileAtomically(path, edited, &error)) return reply.Fail(error);
        reply.data[rename ? "renamed" : "removed"] = station->name;
        reply.data[rename ? "name" : "was"] = rename ? newName_ : StationWhere(*station);
    }

    std::string file_, edit_, name_, newName_;
};

}  // namespace

std::vector<CommandEntry> StationCommands() {
    return {Entry<TuneCommand>("tune"), Entry<StationStepCommand>("station"), Entry<StationsCommand>("stations")};
}

}  // namespace tvctl
