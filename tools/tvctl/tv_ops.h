// The TV parameter operations as tvctl performs them: a user's request
// checked and put into words, then handed to SetTVParam; the library's result
// code turned back into a sentence. Shared by the commands and the tour.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"
#include "plan_info.h"
#include "session.h"

namespace tvctl {

// The video source by name: composite, svideo, cable, broadcast.
std::optional<Source> SourceByName(std::string_view name);
// The value SetTVParam(1, ...) takes for it.
uint32_t SourceValue(Source source);
// The plan a source tunes with; empty for composite and S-video.
std::optional<PlanInfo> PlanOfSource(Source source);

// Selects the source; false with `reply` failed when the library refuses.
bool SelectSource(Session &session, const TvCalls &tv, Source source, Reply &reply);

struct TuneOutcome {
    bool tuned = false;   // the tuner was programmed (locked or not)
    bool locked = false;
    int32_t result = 0;   // SetTVParam's result
};

// Tunes a channel of the current plan. Refuses (nothing sent) a channel the
// plan has no carrier for, or any channel while the source is not the
// tuner; the library would take only the low 8 bits of a larger number.
TuneOutcome TuneChannel(Session &session, const TvCalls &tv, uint64_t channel, Reply &reply);

// The four picture controls.
struct PictureControl {
    const char *name;
    uint32_t id;  // TV_PARAM_...
};
const PictureControl *PictureControlByName(std::string_view name);
const PictureControl (&PictureControls())[4];

// Sets one picture control; false with `reply` failed when refused.
bool SetPicture(const TvCalls &tv, const PictureControl &control, uint64_t value, Reply &reply);

// Describes a result code of SetTVParam that tvctl did not expect.
std::string UnexpectedResult(const char *call, int32_t result);

}  // namespace tvctl
