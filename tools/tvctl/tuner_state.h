// What tvctl remembers of the tuner from one run to the next: the source it
// selected, the plan, the channel or frequency tuned and the fine-tuning
// offset. The library forgets at unload, and only a V4L2 tuner can be read
// back, so tvctl keeps its own record, one per bus and device
// (tuner_record_key.h), in a small per-user file:
//     $XDG_STATE_HOME/tvctl/tuner   (default ~/.local/state/tvctl/tuner)
// for the simulated card, tuner-v4l2-DEVICE and so on beside it.
// Lines "KEY VALUE"; "#" starts a comment. Rewritten whole at every change,
// through a temporary file renamed over it, so a reader never sees half.
// Small: a record larger than kMaxTunerRecordBytes, or one that is no
// regular file, is not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tvctl {

inline constexpr size_t kMaxTunerRecordBytes = 4096;

struct TunerMemory {
    std::string source = "tuner";  // "tuner", "composite" or "svideo"
    uint32_t plan = 1;             // plan number (plan_info.h); the library starts on cable
    std::string channel{};         // the channel's name; "": tuned by frequency, or nothing tuned yet
    uint64_t carrierHz = 0;        // the channel's or frequency's picture carrier; 0: nothing tuned yet
    int32_t fine = 0;              // fine-tuning offset in 62.5 kHz steps

    bool operator==(const TunerMemory &) const = default;
};

// The file named `name` in tvctl's state directory; "" when neither
// XDG_STATE_HOME nor HOME is set.
std::string TunerStatePath(const std::string &name);

// Reads the record; a missing file gives the defaults. A line that cannot be
// understood, or holds a value out of range (a carrier the tuner does not
// reach, fine tuning beyond its limit), is skipped and said in `*problem`
// ("FILE:LINE: ..."); a file that cannot be read gives the defaults, said
// the same way.
TunerMemory LoadTunerMemory(const std::string &path, std::string *problem);

// Writes the record (creating the directory); false with `*error` set.
bool SaveTunerMemory(const std::string &path, const TunerMemory &memory, std::string *error);

}  // namespace tvctl
