// TV standards as tvctl takes and shows them: the names a V4L2 user types
// (the card facts' table), what a card that receives NTSC-M only answers,
// and setting one on the device the library drives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console.h"
#include "session.h"
#include "station_list.h"
#include "tvcore/card/analog_standards.h"

namespace tvctl {

// The standard a user named (case ignored); nullptr with `error` the
// sentence that lists the names.
const tvcore::card::AnalogStandard *ParseStandard(std::string_view name, std::string &error);

// The simulated card and the i2c-dev bus's card receive NTSC-M only: "" when
// `standard` takes it in (ntsc, ntsc-m), else the refusal naming `device`.
std::string NtscOnlyRefusal(const std::string &device, const tvcore::card::AnalogStandard &standard);

// A device's standard in the table's words: the table's name of exactly that
// mask, else the driver's own name in lower case, else the mask in hex.
std::string StandardWords(uint64_t id, std::string_view driverName = "");

// The bus driver's words for its device as a sentence's subject: "the
// simulated card" for "simulated card"; a path stays as it is.
std::string TheDevice(const std::string &words);

// Sets `standard` on the library's card before it tunes: S_STD on a V4L2
// device, a refusal in a sentence on a card that receives NTSC-M only.
// False with `reply` failed when refused. Loads the library.
bool SetStandard(Session &session, const tvcore::card::AnalogStandard &standard, Reply &reply);

// The standard of a plan's region (its table's default), set before one of
// its channels is tuned where the device takes standards (a V4L2 tuner). A
// card that receives NTSC-M only is left as it is: it tunes any carrier in
// its range all the same; a device that does not take the standard is
// said in a note, and the channel tuned with the standard it has. Said in
// `reply` ("standard") when set; false only when the library cannot load.
// A standard this run set itself, or the settings file's, wins: then
// nothing is set here.
bool SetPlanStandard(Session &session, const PlanInfo &plan, Reply &reply);

// The settings file's standard (user_settings.h), set before the run's
// first tuning unless the run has set a standard itself; true when there is
// none to set.
bool SetDefaultStandard(Session &session, Reply &reply);

// The standard a station of the list needs, set before it is tuned: the one
// its line names, else for a channel its plan's (SetPlanStandard).
bool SetStationStandard(Session &session, const Station &station, Reply &reply);

}  // namespace tvctl
