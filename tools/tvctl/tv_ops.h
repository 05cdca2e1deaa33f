// The TV parameter operations as tvctl performs them: sources by name and
// SetTVParam's values, and the picture controls, a user's request checked
// and put into words and the library's result code turned back into a
// sentence. Shared by the commands and the tour (tuning is tune_ops.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"
#include "plan_info.h"
#include "session.h"

namespace tvctl {

// A source as the user names it: the input, and for the tuner its plan
// (empty for "tuner"/"tv": the plan the tuner was last on).
struct SourceChoice {
    Source source;
    std::optional<PlanInfo> plan;
};
// composite, svideo (s-video), cable, broadcast, any channel table (its
// name or alias, plan_info.h), tuner (tv), or SetTVParam(1)'s own numbers
// 0, 1, 2, 4, 5; any case.
std::optional<SourceChoice> SourceByName(std::string_view name);
// The names for sentences.
const char *SourceNames();
// The value SetTVParam(1, ...) takes for it.
uint32_t SourceValue(Source source);
// The plan a source tunes with; empty for composite and S-video.
std::optional<PlanInfo> PlanOfSource(Source source);
// The four picture controls.
struct PictureControl {
    const char *name;
    uint32_t id;  // TV_PARAM_...
};
const PictureControl *PictureControlByName(std::string_view name);

// Sets one picture control; false with `reply` failed when refused.
bool SetPicture(const TvCalls &tv, const PictureControl &control, uint64_t value, Reply &reply);

// A picture value's range in words, "0-255".
std::string PictureRange();

}  // namespace tvctl
