// The station list: what a scan found, under names a person may change.
// A plain text file, by default $XDG_CONFIG_HOME/tvctl/stations
// (~/.config/tvctl/stations), one station a line:
//     NAME  PLAN  CHANNEL  [FINE]
//     NAME  freq  MHZ      [FINE]
// NAME is one word or "words in quotes"; PLAN is cable, broadcast,
// cable-irc or cable-hrc; FINE is the fine-tuning offset in 62.5 kHz steps
// (+2, -1). "#" starts a comment; blank lines are allowed. A line that
// cannot be understood is reported with its file and line and skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvctl {

struct Station {
    std::string name;
    uint32_t plan = 0;       // plan number (plan_info.h) of a channel
    uint32_t channel = 0;    // 0: a frequency
    uint64_t carrierHz = 0;  // a frequency's picture carrier
    int32_t fine = 0;
};

struct StationList {
    std::vector<Station> stations;
    std::vector<std::string> problems;  // "FILE:LINE: ..." for each line skipped
};

// The default file; "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string DefaultStationFile();

StationList ParseStations(std::string_view text, const std::string &file);
// Reads a file; empty with `*error` set when it cannot be read.
std::optional<StationList> LoadStations(const std::string &file, std::string *error);

// The text of a list, with a header that explains the format.
std::string FormatStations(const std::vector<Station> &stations);

// The station named `name`, any case.
const Station *FindStation(const StationList &list, std::string_view name);

// "cable 7", "freq 77.25", with " +1" for a fine offset.
std::string StationWhere(const Station &station);

}  // namespace tvctl
