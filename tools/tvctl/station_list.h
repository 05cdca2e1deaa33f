// The station list: what a scan found, under names a person may change.
// A plain text file, by default $XDG_CONFIG_HOME/tvctl/stations
// (~/.config/tvctl/stations), one station a line:
//     NAME  PLAN  CHANNEL  [FINE] [STANDARD]
//     NAME  freq  MHZ      [FINE] [STANDARD]
// NAME is one word or "words in quotes" (in quotes, \" \\ \t \r \n and \xHH stand for those
// characters); PLAN is a channel table (cable, europe-west, us-cable: plan_info.h) and CHANNEL the
// name of one of its channels (7, E5, SE10); MHZ is a carrier from 44 to 870 MHz; FINE is the
// fine-tuning offset in 62.5 kHz steps (+2, -1), at most 32 either way; STANDARD the TV standard
// the station needs (pal-bg, secam-l: standard_ops.h), set before it is tuned. "#" starts a
// comment; blank lines are allowed; lines end with LF, CR LF or CR. A line that cannot be
// understood is reported with its file and line and skipped (and kept as it is when a scan
// rewrites the file). At most kMaxStationListBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plan_info.h"

namespace tvctl {

// The largest station list read: room for some 100,000 stations.
inline constexpr size_t kMaxStationListBytes = 8u << 20;

struct Station {
    std::string name;
    uint32_t plan = 0;       // plan number (plan_info.h) of a channel
    std::string channel{};   // the channel's name; "": a frequency
    uint64_t carrierHz = 0;  // a frequency's picture carrier
    int32_t fine = 0;
    std::string standard{};  // the TV standard's name; "" for the card's own
};

struct StationList {
    std::vector<Station> stations;
    std::vector<std::string> problems;  // "FILE:LINE: ..." for each line skipped
    // The file's lines (without their ends), and the line each station came
    // from: a rescan rewrites only what it changes.
    std::vector<std::string> lines;
    std::vector<size_t> stationLines;
};

// The default file; "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string DefaultStationFile();

StationList ParseStations(std::string_view text, const std::string &file);
// Reads a file (a regular file of at most kMaxStationListBytes; nothing
// else is read); empty with `*error` set when it cannot be read, and then
// `*missing` (when given) says whether it is simply not there.
// With `text`, the file's bytes as read too (for an edit in place).
std::optional<StationList> LoadStations(const std::string &file, std::string *error, bool *missing = nullptr,
                                        std::string *text = nullptr);

// The text of a new list, with a header that explains the format.
std::string FormatStations(const std::vector<Station> &stations);

// A rescanned list's text: the old lines but the `dropped` ones (by line),
// then a line for each station `added`; a new list with its header when
// there were no lines.
std::string RescanText(const StationList &old, const std::vector<bool> &dropped, const std::vector<Station> &added);

// The list after a scan of `plan` that tuned the channels `scanned` and
// found stations on `locked`: the old file's lines as they were, less the
// stations of scanned channels without a station now, plus a line for each
// station found that the list does not have yet (named PLAN-CHANNEL, with
// -2, -3 ... when that name is taken). Channels by the names the table gives.
struct ScanMerge {
    std::string text;
    size_t planStations = 0;  // stations of the plan's scanned channels in the new list
    size_t total = 0;         // stations in the new list
};
ScanMerge MergeScan(const StationList &old, const PlanInfo &plan, const std::vector<std::string> &scanned,
                    const std::vector<std::string> &locked);

// The station named `name`, any case.
const Station *FindStation(const StationList &list, std::string_view name);

// The index of the station the tuner is on: a channel station of its plan
// and channel, or a frequency station of its carrier (`channel` ""), one of
// the same fine offset first. Empty when none is.
std::optional<size_t> StationTunedTo(const StationList &list, uint32_t plan, const std::string &channel,
                                     uint64_t carrierHz, int32_t fine);

// Edits of the list's `text` (as ParseStations read it into `list`) that
// leave every other byte as it was: station `index`'s line with its name
// (the line's first word) replaced by `name`, quoted as FormatStations
// quotes; or without that line and its line end.
std::string RenameStationLine(std::string_view text, const StationList &list, size_t index, const std::string &name);
std::string RemoveStationLine(std::string_view text, const StationList &list, size_t index);

// "cable 7", "europe-west E5", "freq 77.25", with " +1" for a fine offset.
std::string StationWhere(const Station &station);

// Text for a terminal: control characters shown as \xHH (\t, \r, \n).
std::string Printable(std::string_view text);

}  // namespace tvctl
