// Tuning as tvctl performs it: the input and plan the tuner is on, a
// channel or a carrier tuned through the library (or, for what its plans do
// not reach, the tuner block), and tvctl's record of the last tuning.
// Shared by the commands and the tour.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "console.h"
#include "plan_info.h"
#include "session.h"
#include "tuning_limits.h"

namespace tvctl {

// The plan the tuner is on now (the one last selected when it is on the
// source's input, else the library's plan of that input); empty when the
// source is no tuner.
std::optional<PlanInfo> CurrentPlan(const Session &session);

// The input a plan tunes on: cable for a table named cable, else broadcast.
Source SourceOfPlan(const PlanInfo &plan);
// Puts the library on `source` unless it is on it already in this process
// (at load it is on cable); false with `reply` failed when refused.
bool EnsureLibrarySource(Session &session, const TvCalls &tv, Source source, Reply &reply);

// Selects the source (and with the tuner, the plan); false with `reply`
// failed when the library refuses. Remembered across runs.
bool SelectSource(Session &session, const TvCalls &tv, Source source, Reply &reply);
bool SelectPlan(Session &session, const TvCalls &tv, const PlanInfo &plan, Reply &reply);

// What to tune: a channel of a plan, or a picture carrier; plus a fine offset.
struct TuneTarget {
    PlanInfo plan;
    std::string channel{};   // the channel's name; "": by frequency
    uint64_t carrierHz = 0;  // by frequency: the picture carrier
    int32_t fine = 0;        // 62.5 kHz steps
};

struct TuneOutcome {
    bool tuned = false;   // the tuner was programmed (locked or not)
    bool locked = false;
    int32_t result = 0;   // SetTVParam's result, when the library tuned
    bool byLibrary = false;
    uint16_t divider = 0;
    uint16_t bandCode = 0;
    uint64_t carrierHz = 0;  // the picture carrier tuned, fine offset included
};

// Tunes the target: a channel of the library's plans with no fine offset
// through SetTVParam(2, N); anything else with the library's I2C_WriteBlk to
// the tuner (the block as the library builds it, the band from the tuner's
// band edges) and then the lock check as the library makes it (its 150 ms
// pause, then the decoder's status bit). Selects the plan's input first
// when the library is not on it. Refuses (nothing sent) a channel the plan
// has no carrier for. Remembers the tuning across runs.
TuneOutcome Tune(Session &session, const TvCalls &tv, const TuneTarget &target, Reply &reply);

// The library's lock check, made by tvctl after its own block: the same
// pause, then the decoder's status register; a failed read is no lock.
bool CheckLock(const TvCalls &tv);

// The target the tuner was last set to (from this run or an earlier one);
// empty when nothing was tuned yet.
std::optional<TuneTarget> LastTuned(const Session &session);

// A channel's name in a JSON record: a number where the name is one (7), else
// the name ("E5"); and back.
nlohmann::ordered_json ChannelJson(const std::string &name);
std::string ChannelOfJson(const nlohmann::ordered_json &value);

// "cable-irc channel 5 (79.25 MHz)", "187.25 MHz", with ", fine +2" when set.
std::string DescribeTarget(const TuneTarget &target);
// The record of a tune (plan, channel, carrier with the fine offset, fine,
// lock), and its line: "cable channel 7 (175.25 MHz): locked".
void RecordTune(Reply &reply, const TuneTarget &target, const TuneOutcome &outcome);
std::string TuneText(const nlohmann::ordered_json &record);
// The target a record names; `withFine`: its carrier includes the offset.
TuneTarget TargetOfRecord(const nlohmann::ordered_json &record, bool withFine);

// The tuner's record in `get` ("tuner"), and its line.
void RecordTuner(Session &session, Reply &reply);
std::string TunerText(const nlohmann::ordered_json &tuner);

// Writes tvctl's tuner record; a failure is a note.
void SaveTuner(Session &session, Reply &reply);

}  // namespace tvctl
