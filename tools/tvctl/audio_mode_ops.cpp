#include "audio_mode_ops.h"

#include <errno.h>
#include <fmt/format.h>
#include <linux/videodev2.h>

#include "bus_words.h"
#include "driver_v4l2_tuner.h"
#include "standard_ops.h"
#include "tvcore/card/name_match.h"

namespace tvctl {
namespace {

struct ModeName {
    const char *name;
    uint32_t mode;
};

constexpr ModeName kModes[] = {
    {"mono", V4L2_TUNER_MODE_MONO},   {"stereo", V4L2_TUNER_MODE_STEREO},
    {"lang1", V4L2_TUNER_MODE_LANG1}, {"lang2", V4L2_TUNER_MODE_LANG2},
    {"sap", V4L2_TUNER_MODE_SAP},     {"lang1+lang2", V4L2_TUNER_MODE_LANG1_LANG2},
};

struct SubchannelName {
    const char *name;
    uint32_t bit;
};

constexpr SubchannelName kSubchannels[] = {{"mono", V4L2_TUNER_SUB_MONO},
                                           {"stereo", V4L2_TUNER_SUB_STEREO},
                                           {"lang1", V4L2_TUNER_SUB_LANG1},
                                           {"lang2", V4L2_TUNER_SUB_LANG2}};

// The tuner capability a mode needs; mono every tuner has.
uint32_t CapabilityOf(uint32_t mode) {
    switch (mode) {
        case V4L2_TUNER_MODE_STEREO: return V4L2_TUNER_CAP_STEREO;
        case V4L2_TUNER_MODE_LANG1: return V4L2_TUNER_CAP_LANG1;
        case V4L2_TUNER_MODE_LANG2: return V4L2_TUNER_CAP_LANG2;
        case V4L2_TUNER_MODE_LANG1_LANG2: return V4L2_TUNER_CAP_LANG1 | V4L2_TUNER_CAP_LANG2;
        default: return 0;
    }
}

}  // namespace

const std::vector<std::string> &AudioModeNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const ModeName &mode : kModes) all.emplace_back(mode.name);
        return all;
    }();
    return names;
}

std::optional<uint32_t> ParseAudioMode(std::string_view name) {
    for (const ModeName &mode : kModes)
        if (tvcore::card::SameName(mode.name, name)) return mode.mode;
    return std::nullopt;
}

std::string AudioModeWords(uint32_t mode) {
    for (const ModeName &known : kModes)
        if (known.mode == mode) return known.name;
    return fmt::format("mode {}", mode);
}

std::vector<std::string> SubchannelNames(uint32_t rxsubchans) {
    std::vector<std::string> names;
    for (const SubchannelName &sub : kSubchannels)
        if ((rxsubchans & sub.bit) != 0) names.emplace_back(sub.name);
    return names;
}

void RunAudioMode(Session &session, const std::string &name, Reply &reply) {
    const std::optional<uint32_t> parsed = ParseAudioMode(name);
    const bool setting = !name.empty();
    const uint32_t wanted = parsed.value_or(0);
    if (setting && !parsed)
        return reply.Fail(fmt::format("\"{}\" is no audio mode; the modes are {}", name,
                                      fmt::join(AudioModeNames(), ", ")),
                          kExitUsage);
    if (session.Library(reply) == nullptr) return;
    std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
    if (!v4l2)
        return reply.Fail(fmt::format("{} has no audio mode: only a V4L2 tuner has one (--bus v4l2)",
                                      TheDevice(BusDevice(session.Words()))));
    TvV4l2TunerReading tuner{};
    if (uint32_t failed = v4l2->readTuner(&tuner); failed != 0)
        return reply.Fail("the tuner cannot be read: " + V4l2Failure(session, failed));
    if (setting) {
        if (uint32_t needs = CapabilityOf(wanted); (tuner.capability & needs) != needs)
            return reply.Fail(fmt::format("the tuner \"{}\" has no {} mode", tuner.name, name));
        if (uint32_t failed = v4l2->setAudioMode(wanted); failed != 0)
            return reply.Fail(fmt::format("the audio mode {} was not set: {}", name, V4l2Failure(session, failed)));
        if (uint32_t failed = v4l2->readTuner(&tuner); failed != 0)
            return reply.Fail("the tuner cannot be read: " + V4l2Failure(session, failed));
        reply.data["set"] = AudioModeWords(wanted);
    }
    const std::vector<std::string> receives = SubchannelNames(tuner.rxsubchans);
    reply.data["mode"] = AudioModeWords(tuner.audmode);
    reply.data["receives"] = receives;
    session.Out().Print("audio mode {}; the tuner receives {}", AudioModeWords(tuner.audmode),
                        receives.empty() ? "nothing" : fmt::format("{}", fmt::join(receives, " ")));
}

}  // namespace tvctl
