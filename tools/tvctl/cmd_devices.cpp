// devices: every device tvctl could drive, as v4l2-ctl --list-devices lists
// its own: the V4L2 devices with a tuner, the I2C adapters of the i2c-dev
// bus, and the ALSA cards with the element that would carry the TV sound.
// Each driver module lists what it sees; no library is loaded.
#include <fmt/format.h>
#include <linux/videodev2.h>

#include "commands.h"
#include "driver_file.h"
#include "driver_i2cdev.h"
#include "driver_v4l2_tuner.h"
#include "standard_ops.h"
#include "tvmixalsa.h"

namespace tvctl {
namespace {

struct AlsaCardRow {
    std::string device, element;
    int answer;  // TvMixAlsaDescribe's: 0 found, -2 does not open, -3 no such element
};

// The ALSA mixer driver's devices (every card with mixer elements, or
// TVMIXALSA_DEVICES) and whether each has the TV sound element.
bool ListAlsaCards(const std::string &moduleDir, std::vector<AlsaCardRow> &cards, std::string &error) {
    return UseDriverCall<decltype(&TvMixAlsaDescribe)>(
        moduleDir, "tvmixalsa.so", "ALSA mixer driver", "TvMixAlsaDescribe", "cannot be asked for its cards", error,
        [&](auto describe) {
            for (uint32_t device = 0;; ++device) {
                TvMixAlsaElement element{};
                int answer = describe(device, &element);
                if (answer == -1) break;
                std::string name = element.element;
                if (element.index != 0) name += fmt::format(",{}", element.index);
                cards.push_back({element.device, name, answer});
            }
        });
}

std::string InputWords(const TvV4l2DeviceInfo &device) {
    std::string words;
    const uint32_t listed = std::min(device.inputCount, TVV4L2_MAX_LISTED_INPUTS);
    for (uint32_t i = 0; i < listed; ++i)
        words += fmt::format("{}{} {}{}", i == 0 ? "" : ", ", i, device.inputs[i],
                             device.inputTypes[i] == V4L2_INPUT_TYPE_TUNER ? " (tuner)" : "");
    if (device.inputCount > listed) words += fmt::format(", ... ({} in all)", device.inputCount);
    return words;
}

class DevicesCommand : public Command {
public:
    std::string Name() const override { return "devices"; }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        const std::string &moduleDir = session.Host().moduleDir;
        const Console &out = session.Out();
        std::string error;

        std::vector<TvV4l2DeviceInfo> videos;
        nlohmann::ordered_json v4l2 = nlohmann::ordered_json::array();
        out.Print("V4L2 devices with a tuner:");
        if (!ListV4l2Devices(moduleDir, videos, error)) Unlisted(session, reply, "v4l2Error", error);
        for (const TvV4l2DeviceInfo &device : videos) {
            std::vector<std::string> standards;
            for (uint32_t i = 0; i < device.standardCount; ++i)
                standards.push_back(StandardWords(device.standards[i].id, device.standards[i].name));
            nlohmann::ordered_json inputs = nlohmann::ordered_json::array();
            for (uint32_t i = 0; i < std::min(device.inputCount, TVV4L2_MAX_LISTED_INPUTS); ++i)
                inputs.push_back({{"index", i}, {"name", device.inputs[i]},
                                  {"tuner", device.inputTypes[i] == V4L2_INPUT_TYPE_TUNER}});
            v4l2.push_back({{"device", device.path}, {"card", device.card}, {"driver", device.driver},
                            {"bus", device.bus}, {"inputs", inputs}, {"standards", standards}});
            out.Print("  {} ({}, driver {}):", device.card, device.bus, device.driver);
            out.Print("        {}", device.path);
            out.Print("        inputs: {}", InputWords(device));
            out.Print("        standards: {}", standards.empty() ? "(none listed)" : fmt::format("{}", fmt::join(standards, ", ")));
        }
        if (videos.empty() && error.empty()) out.Print("  (none)");
        reply.data["v4l2"] = v4l2;

        error.clear();
        std::vector<I2cAdapter> adapters;
        std::string where;
        nlohmann::ordered_json i2c = nlohmann::ordered_json::array();
        out.Print("I2C adapters (i2c-dev):");
        if (!ListI2cAdapters(moduleDir, adapters, where, error)) Unlisted(session, reply, "i2cError", error);
        for (const I2cAdapter &adapter : adapters) {
            i2c.push_back({{"device", adapter.path}, {"name", adapter.name}});
            out.Print("  {:<14} {}", adapter.path, adapter.name.empty() ? "(name unreadable)" : adapter.name);
        }
        if (adapters.empty() && error.empty()) out.Print("  (none in {})", where);
        reply.data["i2c"] = i2c;

        error.clear();
        std::vector<AlsaCardRow> cards;
        nlohmann::ordered_json alsa = nlohmann::ordered_json::array();
        out.Print("ALSA cards, with the element for TV sound:");
        if (!ListAlsaCards(moduleDir, cards, error)) Unlisted(session, reply, "alsaError", error);
        for (const AlsaCardRow &card : cards) {
            const char *state = card.answer == 0 ? "present" : card.answer == -3 ? "missing" : "does not open";
            alsa.push_back({{"device", card.device}, {"element", card.element}, {"present", card.answer == 0},
                            {"opens", card.answer != -2}});
            out.Print("  {:<14} element '{}': {}", card.device, card.element, state);
        }
        if (cards.empty() && error.empty()) out.Print("  (none)");
        reply.data["alsa"] = alsa;
    }

private:
    // A driver that cannot list is said on its line and in the record; the
    // other lists still count.
    static void Unlisted(Session &session, Reply &reply, const char *key, const std::string &why) {
        reply.data[key] = why;
        session.Out().Print("  ({})", why);
    }
};

}  // namespace

std::vector<CommandEntry> DeviceCommands() {
    return {Entry<DevicesCommand>("devices")};
}

}  // namespace tvctl
