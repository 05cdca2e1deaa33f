#include "driver_alsa.h"

#include <fmt/format.h>
#include <stdlib.h>

#include "bus_words.h"
#include "module_lookup.h"
#include "tvhost/win32.h"
#include "tvmixalsa_scale.h"

namespace tvctl {

bool NamesAlsaMixer(const std::string &mixers) { return mixers.find("tvmixalsa") != std::string::npos; }

const char *AlsaElementHint() {
    return "TVMIXALSA_ELEMENT (or audio --element) the ALSA element that carries the TV sound";
}

bool AlsaMixerServes(const Session &session) {
    const std::string &mixers = session.Host().mixers;
    return NamesAlsaMixer(mixers) && mixers.find(',') == std::string::npos;
}

std::optional<TvMixAlsaElement> DescribeAlsaElement(const Session &session, std::string &why) {
    if (!AlsaMixerServes(session)) return std::nullopt;
    HMODULE driver = LoadLibraryA(session.Host().mixers.c_str());
    decltype(&TvMixAlsaDescribe) describe;
    TvMixAlsaElement element{};
    int answer = LookUp(driver, "TvMixAlsaDescribe", describe) ? describe(0, &element) : -4;
    if (driver != nullptr) FreeLibrary(driver);
    if (answer == 0) return element;
    // The driver says why in its own words.
    why = answer == -4 ? "" : MixerRefusals(session.Host().mixers);
    if (why.empty()) why = "the ALSA mixer driver does not describe its cards";
    return std::nullopt;
}

namespace {

std::string PerChannel(const TvMixAlsaElement &element, const auto &show) {
    return element.channels > 1 ? fmt::format("{} / {}", show(0), show(1)) : show(0);
}

}  // namespace

std::string DescribeCardLine(const TvMixAlsaElement &element) {
    std::string line = fmt::format("card {}, element '{}'", element.device, element.element);
    if (element.index != 0) line += fmt::format(",{}", element.index);
    if (element.hasVolume) {
        line += fmt::format(": {} of {}..{}", PerChannel(element, [&](int c) { return std::to_string(element.value[c]); }),
                            element.min, element.max);
        if (element.hasDb)
            line += fmt::format(" [{}]", PerChannel(element, [&](int c) {
                                    return fmt::format("{:.2f}dB", static_cast<double>(element.db[c]) / 100.0);
                                }));
        else
            line += " (no dB figures)";
    } else {
        line += ": no playback volume";
    }
    if (element.hasSwitch)
        line += fmt::format(", switch {}", PerChannel(element, [&](int c) { return element.switchOn[c] ? "on" : "off"; }));
    else
        line += ", no playback switch";
    return line;
}

namespace {

std::string CardDevice(const std::string &card) {
    return !card.empty() && card.find_first_not_of("0123456789") == std::string::npos ? "hw:" + card : card;
}

bool Differs(const char *name, const std::string &wanted) {
    const char *now = getenv(name);
    return !wanted.empty() && wanted != (now != nullptr ? now : "");
}

}  // namespace

bool AlsaSettingsDiffer(const std::string &card, const std::string &element) {
    return Differs("TVMIXALSA_DEVICES", CardDevice(card)) || Differs("TVMIXALSA_ELEMENT", element);
}

void UseAlsaCard(const std::string &card, const std::string &element) {
    if (!card.empty()) setenv("TVMIXALSA_DEVICES", CardDevice(card).c_str(), 1);
    if (!element.empty()) setenv("TVMIXALSA_ELEMENT", element.c_str(), 1);
}

uint64_t AtLeastOneAlsaStep(const Session &session, uint64_t target, bool up) {
    if (target > tvmixalsa::kScaleMax) return target;
    std::string why;
    std::optional<TvMixAlsaElement> element = DescribeAlsaElement(session, why);
    if (!element || !element->hasVolume) return target;
    const tvmixalsa::CardRange range{element->min, element->max};
    const int64_t now = element->value[0];
    if (tvmixalsa::ScaleToCard(static_cast<uint32_t>(target), range) != now) return target;
    const int64_t next = up ? now + 1 : now - 1;
    if (next < range.min || next > range.max) return target;
    return tvmixalsa::CardToScale(next, range);
}

}  // namespace tvctl
