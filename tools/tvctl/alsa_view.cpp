#include "alsa_view.h"

#include <fmt/format.h>

#include "tvhost/win32.h"

namespace tvctl {

bool AlsaMixerServes(const Session &session) {
    const std::string &mixers = session.Host().mixers;
    return mixers.find("tvmixalsa") != std::string::npos && mixers.find(',') == std::string::npos;
}

std::optional<TvMixAlsaElement> DescribeAlsaElement(const Session &session, std::string &why) {
    if (!AlsaMixerServes(session)) return std::nullopt;
    HMODULE driver = LoadLibraryA(session.Host().mixers.c_str());
    // Through the generic function type, as GetProcAddress's callers do.
    FARPROC proc = driver == nullptr ? nullptr : GetProcAddress(driver, "TvMixAlsaDescribe");
    auto describe = reinterpret_cast<decltype(&TvMixAlsaDescribe)>(reinterpret_cast<void (*)(void)>(proc));
    TvMixAlsaElement element{};
    int answer = describe == nullptr ? -4 : describe(0, &element);
    if (driver != nullptr) FreeLibrary(driver);
    switch (answer) {
    case 0:
        return element;
    case -1:
        why = "the ALSA mixer has no sound card";
        break;
    case -2:
        why = fmt::format("the sound card {} does not open", element.device);
        break;
    case -3:
        why = fmt::format("the sound card {} has no element '{}'", element.device, element.element);
        break;
    default:
        why = "the ALSA mixer driver does not describe its cards";
        break;
    }
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

}  // namespace tvctl
