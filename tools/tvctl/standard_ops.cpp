#include "standard_ops.h"

#include <errno.h>
#include <fmt/format.h>

#include <cctype>

#include "bus_words.h"
#include "commands.h"
#include "driver_v4l2_tuner.h"

namespace tvctl {

using namespace tvcore::card;

const AnalogStandard *ParseStandard(std::string_view name, std::string &error) {
    if (const AnalogStandard *standard = FindStandard(name)) return standard;
    std::string names;
    for (const AnalogStandard &standard : kAnalogStandards) names += (names.empty() ? "" : ", ") + std::string(standard.name);
    error = fmt::format("\"{}\" is no TV standard; the standards are {}", name, names);
    return nullptr;
}

std::string NtscOnlyRefusal(const std::string &device, const AnalogStandard &standard) {
    if ((standard.mask & kStdNtscM) != 0 && (standard.mask & ~kStdNtsc) == 0) return "";
    return fmt::format("{} receives NTSC-M only, so it cannot be set to {}", device, standard.name);
}

std::string StandardWords(uint64_t id, std::string_view driverName) {
    if (const char *name = StandardName(id)) return name;
    if (!driverName.empty()) {
        std::string lower;
        for (char c : driverName) lower += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }
    return fmt::format("0x{:08x}", id);
}

std::string TheDevice(const std::string &words) {
    return !words.empty() && words[0] >= 'a' && words[0] <= 'z' ? "the " + words : words;
}

bool SetStandard(Session &session, const AnalogStandard &standard, Reply &reply) {
    if (session.Library(reply) == nullptr) return false;
    std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
    if (!v4l2) {
        std::string refusal = NtscOnlyRefusal(TheDevice(BusDevice(session.Words())), standard);
        if (!refusal.empty()) reply.Fail(refusal);
        if (refusal.empty()) session.standardSet = true;
        return refusal.empty();
    }
    uint32_t failed = v4l2->setStandard(standard.mask);
    if (failed == EINVAL || failed == ENODATA) {
        reply.Fail(fmt::format("{} does not take the standard {} (tvctl standard lists its standards)",
                               TheDevice(BusDevice(session.Words())), standard.name));
        return false;
    }
    if (failed != 0) {
        reply.Fail(fmt::format("the standard {} was not set: {}", standard.name, V4l2Failure(session, failed)));
        return false;
    }
    session.standardSet = true;
    return true;
}

bool SetPlanStandard(Session &session, const PlanInfo &plan, Reply &reply) {
    if (session.Library(reply) == nullptr) return false;
    const AnalogStandard *standard = FindStandard(StandardName(plan.table->defaultStandard));
    // A standard the run set itself or the settings file names wins.
    if (!V4l2Tuner(session) || standard == nullptr || session.standardSet ||
        !session.Options().defaults.standard.empty())
        return true;
    Reply attempt;
    const bool set = SetStandard(session, *standard, attempt);
    session.standardSet = false;  // the next table's channel sets that table's standard
    if (set)
        reply.data["standard"] = standard->name;
    else
        Note(session, reply,
             fmt::format("{}; the {} plan's channel is tuned with the device's present standard", attempt.error,
                         plan.name));
    return true;
}

bool SetDefaultStandard(Session &session, Reply &reply) {
    const UserDefaults &defaults = session.Options().defaults;
    if (session.standardSet || defaults.standard.empty()) return true;
    std::string error;
    const AnalogStandard *standard = ParseStandard(defaults.standard, error);
    if (standard == nullptr || SetStandard(session, *standard, reply)) return true;
    reply.error += fmt::format(" (the standard that {} sets; tvctl --no-settings reads no settings)", defaults.standardFrom);
    return false;
}

bool SetStationStandard(Session &session, const Station &station, Reply &reply) {
    const AnalogStandard *standard = FindStandard(station.standard);
    if (standard == nullptr && !station.channel.empty()) return SetPlanStandard(session, *PlanByNumber(station.plan), reply);
    if (standard == nullptr) return true;
    if (!SetStandard(session, *standard, reply)) return false;
    reply.data["standard"] = standard->name;
    return true;
}

}  // namespace tvctl
