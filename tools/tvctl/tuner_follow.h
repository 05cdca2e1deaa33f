// On a V4L2 card the tuner can be read back (VIDIOC_G_FREQUENCY): tvctl's
// record follows what the device is tuned to, so channel up, fine and get go
// on from a frequency another program set.
#pragma once

#include <cstdint>

#include "console.h"
#include "plan_info.h"
#include "session.h"
#include "tuner_state.h"

namespace tvctl {

// The record once the device was found at `hz` (on the tuner input, with
// `plan` the plan it is on): as it was when the record already says so; else
// the plan's channel at that frequency; else a fine offset from the recorded
// channel or frequency, within the fine-tuning limit; else tuned by
// frequency. Frequencies compare in the tuner's 62.5 kHz steps.
TunerMemory FollowFrequency(const TunerMemory &memory, const PlanInfo &plan, uint64_t hz);

// Loads the library and, when its bus is a V4L2 card and the source a tuner
// input, reads the tuner and makes the record follow it (a note says so when
// it moved). False with `reply` failed when the library does not load.
bool FollowV4l2Tuner(Session &session, Reply &reply);

// get's line for the device's own tuner on a V4L2 card: frequency, signal,
// standard and audio mode; nothing on other buses.
void ShowDeviceTuner(Session &session, Reply &reply);

}  // namespace tvctl
