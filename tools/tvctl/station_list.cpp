#include "station_list.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_set>

#include "numbers.h"
#include "safe_file.h"
#include "tuning_limits.h"
#include "tvcore/card/analog_standards.h"
#include "xdg_paths.h"

namespace tvctl {

namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// A character as a terminal and a quoted name show it: a control character
// as its escape (\t, \r, \n or \xHH), any other as it is.
std::string Shown(char c) {
    switch (c) {
        case '\t': return "\\t";
        case '\r': return "\\r";
        case '\n': return "\\n";
        default: return IsControl(c) ? fmt::format("\\x{:02X}", static_cast<unsigned char>(c)) : std::string(1, c);
    }
}

int HexDigit(char c) {
    const size_t digit = std::string_view("0123456789abcdef0123456789ABCDEF").find(c);
    return digit == std::string_view::npos ? -1 : static_cast<int>(digit % 16);
}

// The word that starts at `at`, and in `*end` where it ends: a plain word
// at a blank, "#" or the line's end; a quoted one past its closing quote,
// its escapes undone (an unknown escape stays as written). Empty when the
// quote is not closed.
std::optional<std::string> WordAt(std::string_view line, size_t at, size_t *end) {
    if (line[at] != '"') {
        *end = std::min(line.find_first_of(" \t#", at), line.size());
        return std::string(line.substr(at, *end - at));
    }
    std::string word;
    for (size_t i = at + 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            *end = i + 1;
            return word;
        }
        if (c != '\\' || i + 1 == line.size()) {
            word += c;
            continue;
        }
        // \" \\ \t \r \n stand for those characters, \xHH for that byte.
        const char next = line[++i];
        const size_t simple = std::string_view("\"\\trn").find(next);
        int high = 0, low = 0;
        if (simple != std::string_view::npos) word += "\"\\\t\r\n"[simple];
        else if (next == 'x' && i + 2 < line.size() && (high = HexDigit(line[i + 1])) >= 0 &&
                 (low = HexDigit(line[i + 2])) >= 0) {
            word += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            word += '\\';
            word += next;
        }
    }
    return std::nullopt;
}

// The words of a line: blanks separate, "..." keeps blanks in a word, "#"
// outside quotes ends the line. Empty with `*error` set for an unclosed quote.
std::optional<std::vector<std::string>> LineWords(std::string_view line, std::string *error) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        char c = line[at];
        if (c == ' ' || c == '\t') {
            ++at;
        } else if (c == '#') {
            break;
        } else {
            std::optional<std::string> word = WordAt(line, at, &at);
            if (!word) {
                *error = "a quote is not closed";
                return std::nullopt;
            }
            words.push_back(std::move(*word));
        }
    }
    return words;
}

// A name as a line of the list gives it: quoted (with escapes) unless it is
// one plain word, so that it reads back the same whatever it holds.
std::string QuotedName(const std::string &name) {
    bool plain = !name.empty() && name[0] != '"';
    for (char c : name) plain = plain && c != ' ' && c != '#' && c != '\\' && c != '"' && !IsControl(c);
    if (plain) return name;
    std::string quoted = "\"";
    for (char c : name) quoted += (c == '"' || c == '\\' ? "\\" : "") + Shown(c);
    return quoted + "\"";
}

std::optional<int32_t> ParseFine(std::string_view text) {
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
    std::optional<uint64_t> steps = ParseNumber(text);
    if (!steps || *steps > static_cast<uint64_t>(kFineLimit)) return std::nullopt;
    return static_cast<int32_t>(*steps) * (negative ? -1 : 1);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// One line's station, or the sentence that says what is wrong with it.
std::optional<Station> ParseStation(const std::vector<std::string> &words, std::string *error) {
    auto fail = [error](std::string sentence) {
        *error = std::move(sentence);
        return std::optional<Station>();
    };
    if (words.size() < 3 || words.size() > 5)
        return fail("a station is NAME PLAN CHANNEL [FINE] [STANDARD] or NAME freq MHZ [FINE] [STANDARD]");
    Station station;
    station.name = words[0];
    if (station.name.empty()) return fail("the name is empty");
    if (Lower(words[1]) == "freq") {
        std::optional<uint64_t> hz = ParseMhz(words[2]);
        if (!hz) return fail(fmt::format("\"{}\" is not a frequency in MHz", Printable(words[2])));
        if (std::string problem = CarrierProblem(*hz); !problem.empty()) return fail(problem);
        station.carrierHz = *hz;
    } else {
        std::optional<PlanInfo> plan = PlanByName(words[1]);
        if (!plan) return fail(fmt::format("unknown plan \"{}\" ({}, or freq)", Printable(words[1]), PlanNames()));
        std::optional<ChannelInfo> channel = Channel(*plan, words[2]);
        if (!channel)
            return fail(fmt::format("\"{}\" is no channel of the {} plan ({})", Printable(words[2]), plan->name,
                                    PlanRange(*plan)));
        station.plan = plan->plan;
        station.channel = channel->name;
    }
    std::vector<std::string> rest(words.begin() + 3, words.end());
    if (!rest.empty() && tvcore::card::FindStandard(rest.back())) {
        station.standard = tvcore::card::FindStandard(rest.back())->name;
        rest.pop_back();
    }
    if (rest.size() == 2)
        return fail(fmt::format("\"{}\" is no TV standard (pal-bg, secam-l, ...)", Printable(rest[1])));
    if (!rest.empty()) {
        std::optional<int32_t> fine = ParseFine(rest[0]);
        if (!fine)
            return fail(fmt::format("fine tuning \"{}\" is not +N or -N steps within {}, nor a TV standard",
                                    Printable(rest[0]), kFineLimit));
        station.fine = *fine;
    }
    return station;
}

// A station's place in words: its plan and channel ("cable", "7") or
// "freq" and its MHz, then " +1" for a fine offset and " pal-bg" for a standard.
struct Where {
    std::string table, value, rest;
};
Where WhereOf(const Station &station) {
    Where where{"freq", MhzOfHz(station.carrierHz), ""};
    if (!station.channel.empty()) {
        std::optional<PlanInfo> plan = PlanByNumber(station.plan);
        where = {plan ? plan->name : "?", station.channel, ""};
    }
    if (station.fine != 0) where.rest = fmt::format(" {:+}", station.fine);
    if (!station.standard.empty()) where.rest += " " + station.standard;
    return where;
}

// One station's line, in the columns of the list tvctl writes.
std::string FormatStation(const Station &station) {
    Where where = WhereOf(station);
    std::string line = fmt::format("{:<15} {:<10} {:<6}{}", QuotedName(station.name), where.table, where.value,
                                   where.rest);
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

// The lines of a text (each ends with LF, CR LF or CR, the last perhaps
// with none): each line's first byte, the end of its content, and the start
// of the next line.
struct LineSpan {
    size_t begin = 0, end = 0, next = 0;
};
std::vector<LineSpan> SplitLines(std::string_view text) {
    std::vector<LineSpan> spans;
    for (size_t at = 0; at < text.size(); at = spans.back().next) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        spans.push_back({at, end, end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1)});
    }
    return spans;
}

}  // namespace

std::string DefaultStationFile() {
    std::string dir = XdgDir("XDG_CONFIG_HOME", ".config");
    return dir.empty() ? "" : dir + "/tvctl/stations";
}

StationList ParseStations(std::string_view text, const std::string &file) {
    StationList list;
    std::unordered_set<std::string> names;  // lower case: a name is found in any case
    for (const LineSpan &span : SplitLines(text))
        list.lines.emplace_back(text.substr(span.begin, span.end - span.begin));
    for (size_t index = 0; index < list.lines.size(); ++index) {
        std::string error;
        std::optional<std::vector<std::string>> words = LineWords(list.lines[index], &error);
        if (words && words->empty()) continue;
        std::optional<Station> station = words ? ParseStation(*words, &error) : std::nullopt;
        if (station && !names.insert(Lower(station->name)).second) {
            error = fmt::format("\"{}\" is named twice; the first is kept", Printable(station->name));
            station.reset();
        }
        if (station) {
            list.stations.push_back(std::move(*station));
            list.stationLines.push_back(index);
        } else {
            list.problems.push_back(fmt::format("{}:{}: {}; the line is skipped", file, index + 1, error));
        }
    }
    return list;
}

std::optional<StationList> LoadStations(const std::string &file, std::string *error, bool *missing,
                                        std::string *text) {
    FileText read = ReadRegularFile(file, kMaxStationListBytes, "the station list");
    using Outcome = FileText::Outcome;
    if (missing != nullptr) *missing = read.outcome == Outcome::Missing;
    if (read.outcome != Outcome::Read) {
        *error = read.outcome == Outcome::Refused
                     ? read.error
                     : fmt::format("the station list {} does not exist (scan a plan with --save to make one)", file);
        return std::nullopt;
    }
    StationList list = ParseStations(read.text, file);
    if (text != nullptr) *text = std::move(read.text);
    return list;
}

std::string StationWhere(const Station &station) {
    Where where = WhereOf(station);
    return where.table + " " + where.value + where.rest;
}

std::string FormatStations(const std::vector<Station> &stations) {
    std::string text =
        "# tvctl stations: NAME PLAN CHANNEL [FINE], or NAME freq MHZ [FINE]\n"
        "# PLAN: a channel table (tvctl plans lists them), CHANNEL one of its channels (7, E5);\n"
        "# FINE: 62.5 kHz steps (+1, -2).\n"
        "# A name with blanks goes in \"quotes\". Edit freely: tvctl tune NAME tunes a station.\n";
    for (const Station &station : stations) text += FormatStation(station) + "\n";
    return text;
}

ScanMerge MergeScan(const StationList &old, const PlanInfo &plan, const std::vector<std::string> &scanned,
                    const std::vector<std::string> &locked) {
    const std::unordered_set<std::string> wasScanned(scanned.begin(), scanned.end());
    const std::unordered_set<std::string> isLocked(locked.begin(), locked.end());
    std::unordered_set<std::string> known, names;  // channels kept; names taken, lower case
    ScanMerge merge;
    std::vector<bool> dropped(old.lines.size(), false);
    for (size_t i = 0; i < old.stations.size(); ++i) {
        const Station &station = old.stations[i];
        const bool ours = station.plan == plan.plan && wasScanned.count(station.channel) != 0;
        if (ours && isLocked.count(station.channel) == 0) {
            dropped[old.stationLines[i]] = true;  // no station there any more
            continue;
        }
        if (ours) {
            known.insert(station.channel);
            ++merge.planStations;
        }
        names.insert(Lower(station.name));
        ++merge.total;
    }
    std::vector<Station> found;
    for (const std::string &channel : locked) {
        if (known.count(channel) != 0) continue;
        Station station{fmt::format("{}-{}", plan.name, channel), plan.plan, channel};
        for (int suffix = 2; !names.insert(Lower(station.name)).second; ++suffix)
            station.name = fmt::format("{}-{}-{}", plan.name, channel, suffix);
        found.push_back(std::move(station));
    }
    merge.planStations += found.size();
    merge.total += found.size();
    merge.text = RescanText(old, dropped, found);
    return merge;
}

std::string RescanText(const StationList &old, const std::vector<bool> &dropped, const std::vector<Station> &added) {
    if (old.lines.empty()) return FormatStations(added);
    std::string text;
    for (size_t i = 0; i < old.lines.size(); ++i)
        if (!dropped[i]) text += old.lines[i] + "\n";
    for (const Station &station : added) text += FormatStation(station) + "\n";
    return text;
}

const Station *FindStation(const StationList &list, std::string_view name) {
    const std::string wanted = Lower(name);
    for (const Station &station : list.stations)
        if (station.name.size() == wanted.size() && Lower(station.name) == wanted) return &station;
    return nullptr;
}

std::optional<size_t> StationTunedTo(const StationList &list, uint32_t plan, const std::string &channel,
                                     uint64_t carrierHz, int32_t fine) {
    auto same = [&](const Station &station) {
        return !channel.empty() ? station.channel == channel && station.plan == plan
                                : station.channel.empty() && station.carrierHz == carrierHz;
    };
    for (bool fineToo : {true, false})
        for (size_t i = 0; i < list.stations.size(); ++i)
            if (same(list.stations[i]) && (!fineToo || list.stations[i].fine == fine)) return i;
    return std::nullopt;
}

std::string RenameStationLine(std::string_view text, const StationList &list, size_t index, const std::string &name) {
    const LineSpan span = SplitLines(text).at(list.stationLines.at(index));
    std::string_view line = text.substr(span.begin, span.end - span.begin);
    // The name is the line's first word (a station line has one).
    const size_t first = line.find_first_not_of(" \t");
    size_t after = first;
    (void)WordAt(line, first, &after);
    std::string edited(text);
    edited.replace(span.begin + first, after - first, QuotedName(name));
    return edited;
}

std::string RemoveStationLine(std::string_view text, const StationList &list, size_t index) {
    const LineSpan span = SplitLines(text).at(list.stationLines.at(index));
    std::string edited(text);
    edited.erase(span.begin, std::min(span.next, text.size()) - span.begin);
    return edited;
}

std::string Printable(std::string_view text) {
    std::string shown;
    for (char c : text) shown += Shown(c);
    return shown;
}

}  // namespace tvctl
