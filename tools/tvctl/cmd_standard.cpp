// standard [NAME]: the TV standard the card decodes, its list, and setting one.
#include <fmt/format.h>

#include "bus_words.h"
#include "commands.h"
#include "driver_v4l2_tuner.h"
#include "standard_ops.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

class StandardCommand : public Command {
public:
    explicit StandardCommand(CLI::App &app) {
        app.add_option("name", name_, "the standard to set, as v4l2-ctl names it: ntsc-m, pal-bg, secam-l, ...");
    }
    std::string Name() const override { return "standard"; }
    std::string Validate() const override {
        std::string error;
        if (!name_.empty()) ParseStandard(name_, error);
        return error;
    }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        std::string error;
        const AnalogStandard *wanted = name_.empty() ? nullptr : ParseStandard(name_, error);
        if (session.Library(reply) == nullptr) return;
        if (wanted != nullptr) {
            if (!SetStandard(session, *wanted, reply)) return;
            reply.data["set"] = wanted->name;
        }
        std::optional<V4l2TunerCalls> v4l2 = V4l2Tuner(session);
        if (!v4l2) return ShowNtscOnly(session, reply);
        uint64_t id = 0;
        if (uint32_t failed = v4l2->getStandard(&id); failed != 0)
            return reply.Fail("the device's standard cannot be read: " + V4l2Failure(session, failed));
        std::vector<TvV4l2Standard> standards = V4l2Standards(session, *v4l2, error);
        if (!error.empty()) return reply.Fail(error);
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        std::string names;
        for (const TvV4l2Standard &standard : standards) {
            const std::string words = StandardWords(standard.id, standard.name);
            list.push_back({{"name", words}, {"id", standard.id}});
            names += (names.empty() ? "" : ", ") + words;
        }
        reply.data["standard"] = StandardWords(id);
        reply.data["id"] = id;
        reply.data["standards"] = list;
        const Console &out = session.Out();
        if (wanted != nullptr) out.Print("standard set to {}", wanted->name);
        out.Print("{:<10} {} (0x{:08x})", "standard", StandardWords(id), id);
        out.Print("{:<10} {}", "takes", names.empty() ? "(no standards: the device does not list any)" : names);
    }

private:
    static void ShowNtscOnly(Session &session, Reply &reply) {
        reply.data["standard"] = "ntsc-m";
        reply.data["id"] = kStdNtscM;
        reply.data["standards"] = nlohmann::ordered_json::array({{{"name", "ntsc-m"}, {"id", kStdNtscM}}});
        session.Out().Print("{:<10} ntsc-m ({} receives NTSC-M only)", "standard", TheDevice(BusDevice(session.Words())));
    }

    std::string name_;
};

}  // namespace

std::vector<CommandEntry> StandardCommands() {
    return {Entry<StandardCommand>("standard")};
}

}  // namespace tvctl
