// The settings file's values in force (settings_file.h), each where no one
// chose otherwise: the command line comes first, then the environment's
// settings (TVHOST_PATH naming a bus driver's directory first, TVI2C_DEVICE,
// TVI2C_ADAPTER, TVV4L2_DEVICE, TVV4L2_CARD, TVHOST_MIXERS,
// TVMIXALSA_DEVICES, TVMIXALSA_ELEMENT), then the file, then tvctl's own
// defaults. Keys:
//     bus       sim, i2cdev or v4l2, as --bus
//     device    the bus's device: a V4L2 node or card name (--v4l2-device),
//               an i2c-dev node or bus number (--i2c-device) or adapter name
//               (--i2c-adapter); for the file's bus, or the one in force
//     mixer     sim, alsa or v4l2, as --mixer
//     card      the ALSA card, as audio --card
//     element   the ALSA element of the TV sound, as audio --element
//     plan      the plan the tuner is on while tvctl's tuner record holds none
//     standard  the TV standard set before a run's first tuning (unless the
//               run sets one itself: standard NAME, a station's standard)
// Each value is checked as its option checks it; a value refused is
// reported with its file and line and skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvctl {

struct GlobalChoices;

// A setting in force and where it came from: "command line (--bus)",
// "environment (TVHOST_MIXERS)", "FILE:LINE" or "default".
struct SettingShown {
    std::string key, value, from;
};

struct UserDefaults {
    std::string file;                 // the settings file read; "" for none
    std::optional<uint32_t> plan;     // the plan a tuner without a record is on
    std::string standard;             // the standard's name; "" for the card's own
    std::string standardFrom;
    std::vector<SettingShown> shown;  // every key, in the order above
    std::vector<std::string> problems;  // "FILE:LINE: ..." for each line skipped
};

// Reads the settings file (--settings FILE, none with --no-settings, else
// the default) into what the command line left open in `choices`, whose
// drivers are settled (SettleDrivers); the outcome in choices.options.defaults.
// Sets the ALSA driver's settings it supplies in the environment.
void ApplySettings(GlobalChoices &choices);

}  // namespace tvctl
