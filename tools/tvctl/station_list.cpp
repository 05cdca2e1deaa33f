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

// The escape for a control character: \t, \r, \n or \xHH.
std::string Escape(char c) {
    switch (c) {
        case '\t': return "\\t";
        case '\r': return "\\r";
        case '\n': return "\\n";
        default: return fmt::format("\\x{:02X}", static_cast<unsigned char>(c));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A quoted word from the opening quote at `at`: its text, escapes undone
// (an unknown escape stays as written); `*end` is past the closing quote.
// Empty when the quote is not closed.
std::optional<std::string> QuotedWord(std::string_view line, size_t at, size_t *end) {
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
        char next = line[++i];
        int high = 0, low = 0;
        if (next == '"' || next == '\\') word += next;
        else if (next == 't') word += '\t';
        else if (next == 'r') word += '\r';
        else if (next == 'n') word += '\n';
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
        } else if (c == '"') {
            std::optional<std::string> word = QuotedWord(line, at, &at);
            if (!word) {
                *error = "a quote is not closed";
                return std::nullopt;
            }
            words.push_back(std::move(*word));
        } else {
            size_t end = line.find_first_of(" \t#", at);
            if (end == std::string_view::npos) end = line.size();
            words.emplace_back(line.substr(at, end - at));
            at = end;
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
    for (char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += IsControl(c) ? Escape(c) : std::string(1, c);
    }
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
    if (words.size() < 3 || words.size() > 5) {
        *error = "a station is NAME PLAN CHANNEL [FINE] [STANDARD] or NAME freq MHZ [FINE] [STANDARD]";
        return std::nullopt;
    }
    Station station;
    station.name = words[0];
    if (station.name.empty()) {
        *error = "the name is empty";
        return std::nullopt;
    }
    if (Lower(words[1]) == "freq") {
        std::optional<uint64_t> hz = ParseMhz(words[2]);
        if (!hz) {
            *error = fmt::format("\"{}\" is not a frequency in MHz", Printable(words[2]));
            return std::nullopt;
        }
        *error = CarrierProblem(*hz);
        if (!error->empty()) return std::nullopt;
        station.carrierHz = *hz;
    } else {
        std::optional<PlanInfo> plan = PlanByName(words[1]);
        if (!plan) {
            *error = fmt::format("unknown plan \"{}\" ({}, or freq)", Printable(words[1]), PlanNames());
            return std::nullopt;
        }
        std::optional<ChannelInfo> channel = Channel(*plan, words[2]);
        if (!channel) {
            *error = fmt::format("\"{}\" is no channel of the {} plan ({})", Printable(words[2]), plan->name,
                                 PlanRange(*plan));
            return std::nullopt;
        }
        station.plan = plan->plan;
        station.channel = channel->name;
    }
    std::vector<std::string> rest(words.begin() + 3, words.end());
    if (!rest.empty() && tvcore::card::FindStandard(rest.back())) {
        station.standard = tvcore::card::FindStandard(rest.back())->name;
        rest.pop_back();
    }
    if (rest.size() == 2) {
        *error = fmt::format("\"{}\" is no TV standard (pal-bg, secam-l, ...)", Printable(rest[1]));
        return std::nullopt;
    }
    if (!rest.empty()) {
        std::optional<int32_t> fine = ParseFine(rest[0]);
        if (!fine) {
            *error = fmt::format("fine tuning \"{}\" is not +N or -N steps within {}, nor a TV standard",
                                 Printable(rest[0]), kFineLimit);
            return std::nullopt;
        }
        station.fine = *fine;
    }
    return station;
}

// One station's line, in the columns of the list tvctl writes.
std::string FormatStation(const Station &station) {
    std::string where = StationWhere(station);
    size_t blank = where.find(' ');
    size_t second = where.find(' ', blank + 1);
    std::string value = where.substr(blank + 1, second == std::string::npos ? std::string::npos : second - blank - 1);
    std::string fine = second == std::string::npos ? "" : where.substr(second + 1);
    std::string line = fmt::format("{:<15} {:<10} {:<6} {}", QuotedName(station.name), where.substr(0, blank), value,
                                   fine);
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

// Where line `index` of `text` lies, split as ParseStations splits: its
// first byte, the end of its content, and the start of the next line.
struct LineSpan {
    size_t begin = 0, end = 0, next = 0;
};
LineSpan SpanOfLine(std::string_view text, size_t index) {
    LineSpan span;
    for (size_t line = 0;; ++line) {
        span.end = std::min(text.find_first_of("\r\n", span.begin), text.size());
        span.next = span.end + (text.compare(span.end, 2, "\r\n") == 0 ? 2 : 1);
        if (line == index || span.next >= text.size()) return span;
        span.begin = span.next;
    }
}

}  // namespace

std::string DefaultStationFile() {
    std::string dir = XdgDir("XDG_CONFIG_HOME", ".config");
    return dir.empty() ? "" : dir + "/tvctl/stations";
}

StationList ParseStations(std::string_view text, const std::string &file) {
    StationList list;
    std::unordered_set<std::string> names;  // lower case: a name is found in any case
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        list.lines.emplace_back(text.substr(at, end - at));
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
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
    if (missing != nullptr) *missing = read.outcome == FileText::Outcome::Missing;
    if (read.outcome == FileText::Outcome::Missing)
        *error = fmt::format("the station list {} does not exist (scan a plan with --save to make one)", file);
    if (read.outcome != FileText::Outcome::Read) {
        if (read.outcome == FileText::Outcome::Refused) *error = read.error;
        return std::nullopt;
    }
    StationList list = ParseStations(read.text, file);
    if (text != nullptr) *text = std::move(read.text);
    return list;
}

std::string StationWhere(const Station &station) {
    std::string where;
    if (!station.channel.empty()) {
        std::optional<PlanInfo> plan = PlanByNumber(station.plan);
        where = fmt::format("{} {}", plan ? plan->name : "?", station.channel);
    } else {
        where = "freq " + MhzOfHz(station.carrierHz);
    }
    if (station.fine != 0) where += fmt::format(" {:+}", station.fine);
    if (!station.standard.empty()) where += " " + station.standard;
    return where;
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
    std::unordered_set<std::string> known;

    ScanMerge merge;
    std::vector<bool> dropped(old.lines.size(), false);
    std::unordered_set<std::string> names;
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
    LineSpan span = SpanOfLine(text, list.stationLines.at(index));
    std::string_view line = text.substr(span.begin, span.end - span.begin);
    // The name is the line's first word (a station line has one).
    size_t first = line.find_first_not_of(" \t");
    size_t after = first;
    if (line[first] != '"') after = std::min(line.find_first_of(" \t#", first), line.size());
    else (void)QuotedWord(line, first, &after);
    std::string edited(text);
    edited.replace(span.begin + first, after - first, QuotedName(name));
    return edited;
}

std::string RemoveStationLine(std::string_view text, const StationList &list, size_t index) {
    LineSpan span = SpanOfLine(text, list.stationLines.at(index));
    std::string edited(text);
    edited.erase(span.begin, std::min(span.next, text.size()) - span.begin);
    return edited;
}

std::string Printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) shown += IsControl(c) ? Escape(c) : std::string(1, c);
    return shown;
}

}  // namespace tvctl
