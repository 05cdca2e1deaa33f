#include "volume_words.h"

#include <fmt/format.h>

namespace tvctl {

Parsed<VolumeWords> ParseVolumeWords(std::string_view text) {
    Parsed<VolumeWords> out;
    VolumeWords words;
    std::string_view number = text;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        words.relative = true;
        words.down = number.front() == '-';
        number.remove_prefix(1);
    }
    if (!number.empty() && number.back() == '%') {
        words.percent = true;
        number.remove_suffix(1);
    }
    std::optional<uint64_t> amount = ParseNumber(number);
    if (!amount) {
        out.error = fmt::format("volume \"{}\" is not a volume: give a value (40000), a percentage (50%) or a "
                                "change (+5%, -5%)",
                                text);
        return out;
    }
    if (words.percent && *amount > 100) {
        out.error = fmt::format("volume \"{}\": a percentage is 0-100", text);
        return out;
    }
    words.amount = *amount;
    out.value = words;
    return out;
}

uint64_t VolumeTarget(const VolumeWords &words, uint32_t min, uint32_t max, uint32_t current, bool *clamped) {
    if (clamped != nullptr) *clamped = false;
    const uint64_t span = max >= min ? uint64_t{max} - min : 0;
    const uint64_t step = words.percent ? (words.amount * span + 50) / 100 : words.amount;
    if (!words.relative) return words.percent ? min + step : words.amount;
    if (clamped != nullptr)
        *clamped = words.down ? current < min || current - min < step : current > max || max - current < step;
    if (words.down) return current < min || current - min <= step ? min : current - step;
    return current > max || max - current <= step ? max : current + step;
}

}  // namespace tvctl
