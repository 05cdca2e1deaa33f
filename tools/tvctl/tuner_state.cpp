#include "tuner_state.h"

#include <fmt/format.h>

#include <sstream>

#include "numbers.h"
#include "plan_info.h"
#include "safe_file.h"
#include "tuning_limits.h"
#include "xdg_paths.h"

namespace tvctl {

std::string TunerStatePath(const std::string &name) {
    std::string dir = XdgDir("XDG_STATE_HOME", ".local/state");
    return dir.empty() ? "" : dir + "/tvctl/" + name;
}

TunerMemory LoadTunerMemory(const std::string &path, std::string *problem) {
    TunerMemory memory;
    FileText read = ReadRegularFile(path, kMaxTunerRecordBytes, "the tuner record");
    if (read.outcome == FileText::Outcome::Refused && problem != nullptr) *problem = read.error;
    // Lines end with LF, CR LF or CR.
    for (char &c : read.text)
        if (c == '\r') c = '\n';
    std::istringstream lines(read.text);
    std::string line, channelLine;
    int channelLineNumber = 0, problemLine = 0;
    // The first line at fault is said (the channel is judged at the end,
    // once the plan is known).
    auto complain = [&](int number, const std::string &text) {
        if (problem == nullptr || (!problem->empty() && problemLine < number)) return;
        problemLine = number;
        *problem = fmt::format("{}:{}: \"{}\" is not understood or out of range; the line is ignored", path,
                                   number, text);
    };
    for (int number = 1; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string key, value, extra;
        if (!(words >> key) || key[0] == '#') continue;
        words >> value >> extra;
        bool ok = extra.empty() && !value.empty();
        if (ok && key == "source") {
            ok = value == "tuner" || value == "composite" || value == "svideo";
            if (ok) memory.source = value;
        } else if (ok && key == "plan") {
            std::optional<PlanInfo> plan = PlanByName(value);
            ok = plan.has_value();
            if (ok) memory.plan = plan->plan;
        } else if (ok && key == "channel") {
            memory.channel = value;  // checked against the plan below
            channelLine = line;
            channelLineNumber = number;
        } else if (ok && key == "carrier") {
            std::optional<uint64_t> hz = ParseMhz(value);
            ok = hz && CarrierProblem(*hz).empty();
            if (ok) memory.carrierHz = *hz;
        } else if (ok && key == "fine") {
            std::optional<uint64_t> steps = ParseNumber(value[0] == '-' || value[0] == '+' ? value.substr(1) : value);
            ok = steps && *steps <= static_cast<uint64_t>(kFineLimit);
            if (ok) memory.fine = static_cast<int32_t>(*steps) * (value[0] == '-' ? -1 : 1);
        } else {
            ok = false;
        }
        if (!ok) complain(number, line);
    }
    // A channel that is not in its plan is no tuning to remember.
    std::optional<PlanInfo> plan = PlanByNumber(memory.plan);
    std::optional<ChannelInfo> channel = plan ? Channel(*plan, memory.channel) : std::nullopt;
    if (!memory.channel.empty() && !channel) complain(channelLineNumber, channelLine);
    memory.channel = channel ? channel->name : "";
    return memory;
}

bool SaveTunerMemory(const std::string &path, const TunerMemory &memory, std::string *error) {
    std::optional<PlanInfo> plan = PlanByNumber(memory.plan);
    std::string text = "# tvctl's record of the tuner (rewritten by tvctl; delete it to forget)\n";
    text += fmt::format("source {}\nplan {}\n", memory.source, plan.value_or(CablePlan()).name);
    if (memory.carrierHz != 0) {
        if (!memory.channel.empty()) text += fmt::format("channel {}\n", memory.channel);
        text += fmt::format("carrier {}\nfine {:+}\n", MhzOfHz(memory.carrierHz), memory.fine);
    }
    return WriteFileAtomically(path, text, error);
}

}  // namespace tvctl
