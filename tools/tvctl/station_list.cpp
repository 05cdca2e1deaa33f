#include "station_list.h"

#include <fmt/format.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "numbers.h"
#include "plan_info.h"
#include "xdg_paths.h"

namespace tvctl {

namespace {

// The words of a line: blanks separate, "..." keeps blanks in a word, "#"
// outside quotes ends the line. Empty with `*error` set for an unclosed quote.
std::optional<std::vector<std::string>> LineWords(std::string_view line, std::string *error) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            size_t close = line.find('"', at + 1);
            if (close == std::string_view::npos) {
                *error = "a quote is not closed";
                return std::nullopt;
            }
            words.emplace_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
        } else {
            size_t end = line.find_first_of(" \t\r#", at);
            if (end == std::string_view::npos) end = line.size();
            words.emplace_back(line.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

std::optional<int32_t> ParseFine(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    std::optional<uint64_t> steps = ParseNumber(text);
    if (!steps || *steps > 32) return std::nullopt;
    return static_cast<int32_t>(*steps) * (negative ? -1 : 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// One line's station, or the sentence that says what is wrong with it.
std::optional<Station> ParseStation(const std::vector<std::string> &words, std::string *error) {
    if (words.size() < 3 || words.size() > 4) {
        *error = "a station is NAME PLAN CHANNEL [FINE] or NAME freq MHZ [FINE]";
        return std::nullopt;
    }
    Station station;
    station.name = words[0];
    if (station.name.empty()) {
        *error = "the name is empty";
        return std::nullopt;
    }
    if (EqualNoCase(words[1], "freq")) {
        std::optional<uint64_t> hz = ParseMhz(words[2]);
        if (!hz || *hz == 0) {
            *error = fmt::format("\"{}\" is not a frequency in MHz", words[2]);
            return std::nullopt;
        }
        station.carrierHz = *hz;
    } else {
        std::optional<PlanInfo> plan = PlanByName(words[1]);
        if (!plan) {
            *error = fmt::format("unknown plan \"{}\" ({}, or freq)", words[1], PlanNames());
            return std::nullopt;
        }
        std::optional<uint64_t> channel = ParseNumber(words[2]);
        if (!channel || *channel > 255 || !Channel(*plan, static_cast<uint32_t>(*channel))) {
            *error = fmt::format("\"{}\" is no channel of the {} plan ({}-{})", words[2], plan->name,
                                 plan->firstChannel, plan->lastChannel);
            return std::nullopt;
        }
        station.plan = plan->plan;
        station.channel = static_cast<uint32_t>(*channel);
    }
    if (words.size() == 4) {
        std::optional<int32_t> fine = ParseFine(words[3]);
        if (!fine) {
            *error = fmt::format("fine tuning \"{}\" is not +N or -N steps within 32", words[3]);
            return std::nullopt;
        }
        station.fine = *fine;
    }
    return station;
}

}  // namespace

std::string DefaultStationFile() {
    std::string dir = XdgDir("XDG_CONFIG_HOME", ".config");
    return dir.empty() ? "" : dir + "/tvctl/stations";
}

StationList ParseStations(std::string_view text, const std::string &file) {
    StationList list;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string error;
        std::optional<std::vector<std::string>> words = LineWords(line, &error);
        if (words && words->empty()) continue;
        std::optional<Station> station = words ? ParseStation(*words, &error) : std::nullopt;
        if (station && FindStation(list, station->name) != nullptr) {
            error = fmt::format("\"{}\" is named twice; the first is kept", station->name);
            station.reset();
        }
        if (station)
            list.stations.push_back(*station);
        else
            list.problems.push_back(fmt::format("{}:{}: {}; the line is skipped", file, number, error));
    }
    return list;
}

std::optional<StationList> LoadStations(const std::string &file, std::string *error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *error = fmt::format("the station list {} cannot be read (scan a plan with --save to make one)", file);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseStations(text.str(), file);
}

std::string StationWhere(const Station &station) {
    std::string where;
    if (station.channel != 0) {
        std::optional<PlanInfo> plan = PlanByNumber(station.plan);
        where = fmt::format("{} {}", plan ? plan->name : "?", station.channel);
    } else {
        where = "freq " + MhzOfHz(station.carrierHz);
    }
    if (station.fine != 0) where += fmt::format(" {:+}", station.fine);
    return where;
}

std::string FormatStations(const std::vector<Station> &stations) {
    std::string text =
        "# tvctl stations: NAME PLAN CHANNEL [FINE], or NAME freq MHZ [FINE]\n"
        "# PLAN: cable, broadcast, cable-irc, cable-hrc; FINE: 62.5 kHz steps (+1, -2).\n"
        "# A name with blanks goes in \"quotes\". Edit freely: tvctl tune NAME tunes a station.\n";
    for (const Station &station : stations) {
        bool quote = station.name.find_first_of(" \t#") != std::string::npos;
        std::string name = quote ? "\"" + station.name + "\"" : station.name;
        std::istringstream where(StationWhere(station));
        std::string plan, value, fine;
        where >> plan >> value >> fine;
        std::string line = fmt::format("{:<15} {:<10} {:<6} {}", name, plan, value, fine);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    return text;
}

const Station *FindStation(const StationList &list, std::string_view name) {
    for (const Station &station : list.stations)
        if (EqualNoCase(station.name, name)) return &station;
    return nullptr;
}

}  // namespace tvctl
