// The TV parameter operations of tv_ops.h: sources by name and value, and
// the picture controls.
#include "tv_ops.h"

#include <fmt/format.h>

#include <cctype>

#include "result_words.h"
#include "tvcore/card/decoder.h"

namespace tvctl {

namespace {

using tvcore::card::kPictureMax;
using tvcore::card::kPictureMin;

std::string Lowercase(std::string_view text) {
    std::string lower(text);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

// The summary of the picture command is a constant string that spells the
// range out; this keeps it true.
static_assert(kPictureMin == 0 && kPictureMax == 255, "the picture command's summary says 0-255");
std::string PictureRange() { return fmt::format("{}-{}", kPictureMin, kPictureMax); }

std::optional<SourceChoice> SourceByName(std::string_view name) {
    const std::string lower = Lowercase(name);
    if (lower == "composite" || lower == "0" || lower == "2") return SourceChoice{Source::Composite, std::nullopt};
    if (lower == "svideo" || lower == "s-video" || lower == "1") return SourceChoice{Source::SVideo, std::nullopt};
    if (lower == "tuner" || lower == "tv") return SourceChoice{Source::Cable, std::nullopt};
    if (lower == "4") return SourceChoice{Source::Cable, CablePlan()};
    if (lower == "5") return SourceChoice{Source::Broadcast, BroadcastPlan()};
    if (std::optional<PlanInfo> plan = PlanByName(lower))
        return SourceChoice{plan->cableInput ? Source::Cable : Source::Broadcast, plan};
    return std::nullopt;
}

const char *SourceNames() { return "composite, svideo, cable, broadcast, a channel table (tvctl plans), tuner"; }

uint32_t SourceValue(Source source) {
    switch (source) {
        case Source::Composite: return TV_SOURCE_COMPOSITE;
        case Source::SVideo: return TV_SOURCE_SVIDEO;
        case Source::Cable: return TV_SOURCE_TUNER_CABLE;
        case Source::Broadcast: return TV_SOURCE_TUNER_BROADCAST;
    }
    return TV_SOURCE_TUNER_CABLE;
}

std::optional<PlanInfo> PlanOfSource(Source source) {
    if (source == Source::Cable) return CablePlan();
    if (source == Source::Broadcast) return BroadcastPlan();
    return std::nullopt;
}

const PictureControl *PictureControlByName(std::string_view name) {
    static const PictureControl controls[] = {{"brightness", TV_PARAM_BRIGHTNESS},
                                              {"contrast", TV_PARAM_CONTRAST},
                                              {"hue", TV_PARAM_HUE},
                                              {"saturation", TV_PARAM_SATURATION}};
    const std::string lower = Lowercase(name);
    for (const PictureControl &control : controls)
        if (lower == control.name) return &control;
    return nullptr;
}

bool SetPicture(const TvCalls &tv, const PictureControl &control, uint64_t value, Reply &reply) {
    // The library compares the whole 32-bit value; a larger number is
    // refused here in the same words.
    int32_t result = value <= 0xFFFFFFFFu ? tv.SetTVParam(control.id, static_cast<uint32_t>(value)) : TV_ERR_BAD_VALUE;
    if (result == TV_OK) return true;
    if (result == TV_ERR_BAD_VALUE)
        reply.Fail(fmt::format("{} {} is out of range ({})", control.name, value, PictureRange()));
    else
        reply.Fail(UnexpectedResult(fmt::format("SetTVParam({}, {})", control.id, value), result));
    return false;
}

}  // namespace tvctl
