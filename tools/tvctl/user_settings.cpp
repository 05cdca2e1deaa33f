#include "user_settings.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "commands.h"
#include "driver_alsa.h"
#include "global_options.h"
#include "plan_info.h"
#include "settings_file.h"
#include "standard_ops.h"
#include "tuner_record_key.h"

namespace tvctl {

namespace {

enum Key : size_t { kBus, kDevice, kMixer, kCard, kElement, kPlan, kStandard, kKeyCount };
constexpr const char *kKeys[kKeyCount] = {"bus", "device", "mixer", "card", "element", "plan", "standard"};

std::string Env(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr ? value : "";
}

const char *BusName(BusChoice bus) {
    return bus == BusChoice::Simulated ? "sim" : bus == BusChoice::V4l2 ? "v4l2" : "i2cdev";
}

const char *MixerName(MixerChoice mixer) {
    return mixer == MixerChoice::Simulated ? "sim" : mixer == MixerChoice::V4l2 ? "v4l2" : "alsa";
}

// A value through tvctl's own option `option` (--bus, --mixer), checked as
// on the command line: "" when taken (into `into`), else why not.
std::string ThroughOption(const std::string &option, const std::string &value, GlobalChoices &into) {
    CLI::App app;
    DefineGlobalOptions(app, into);
    try {
        app.parse(std::vector<std::string>{option + "=" + value});
    } catch (const RefusedWord &refused) {
        return std::string(refused.what()).substr(2);  // "bus must be one of ..."
    } catch (const CLI::ParseError &error) {
        return error.what();
    }
    return "";
}

// The file's lines that can be taken, one a key.
struct FileValues {
    std::optional<SettingLine> of[kKeyCount];
    std::string where[kKeyCount];  // "FILE:LINE"
    HostOptions checked;           // the bus and the mixer as read
};

// The problem with one line; "" when its value can be taken.
std::string Problem(const SettingLine &setting, const FileValues &values, HostOptions &checked) {
    const auto *known = std::find(std::begin(kKeys), std::end(kKeys), setting.key);
    if (known == std::end(kKeys))
        return fmt::format("unknown setting \"{}\" (bus, device, mixer, card, element, plan, standard)",
                           Printable(setting.key));
    if (const std::optional<SettingLine> &first = values.of[known - std::begin(kKeys)])
        return fmt::format("{} is set on line {} already", setting.key, first->line);
    if (setting.key == "bus" || setting.key == "mixer") {
        GlobalChoices into;
        into.options.host = checked;
        std::string problem = ThroughOption("--" + setting.key, setting.value, into);
        checked = into.options.host;
        return problem;
    }
    std::string error;
    if (setting.key == "plan" && !PlanByName(setting.value)) {
        try {
            (void)ReadPlan(setting.value);
        } catch (const RefusedWord &refused) {
            error = refused.what();
        }
    }
    if (setting.key == "standard") (void)ParseStandard(setting.value, error);
    return error;
}

FileValues ReadSettings(const std::string &file, std::vector<std::string> &problems) {
    FileValues values;
    SettingsText text = LoadSettingsFile(file);
    if (!text.problem.empty()) problems.push_back(text.problem);
    for (SettingLine &setting : text.settings) {
        std::string problem = setting.error.empty() ? Problem(setting, values, values.checked) : setting.error;
        if (!problem.empty()) {
            problems.push_back(fmt::format("{}:{}: {}; the line is skipped", file, setting.line, problem));
            continue;
        }
        const auto key = static_cast<size_t>(std::find(std::begin(kKeys), std::end(kKeys), setting.key) - std::begin(kKeys));
        values.where[key] = fmt::format("{}:{}", file, setting.line);
        values.of[key] = std::move(setting);
    }
    return values;
}

// What the settings decide, step by step, into `choices`.
class Settler {
public:
    Settler(GlobalChoices &choices, FileValues file)
        : choices_(choices), host_(choices.options.host), defaults_(choices.options.defaults), file_(std::move(file)) {}

    // --bus (or a device option), TVHOST_PATH naming a bus driver first, the file.
    void Bus() {
        const char *option = choices_.bus->count() > 0 ? "--bus" : DeviceOption();
        const std::string environment = RecordKeyOfHost(HostOptions{}).bus;
        if (option != nullptr) {
            bus_ = BusName(host_.bus);
            return Show(kBus, bus_, fmt::format("command line ({})", option));
        }
        if (environment != "sim") {
            bus_ = environment;
            return Show(kBus, bus_, "environment (TVHOST_PATH)");
        }
        if (file_.of[kBus]) {
            host_.bus = file_.checked.bus;
            host_.busGiven = host_.bus != BusChoice::Simulated;  // the sim leaves the user's module path
        }
        bus_ = BusName(host_.bus);
        Show(kBus, bus_, From(kBus));
    }

    // The device of the bus in force: an option, its environment setting,
    // the file's (when the file's bus, if it names one, is the one in force).
    void Device() {
        HostOptions busOnly;
        busOnly.bus = bus_ == "v4l2" ? BusChoice::V4l2 : bus_ == "i2cdev" ? BusChoice::I2cDev : BusChoice::Simulated;
        busOnly.busGiven = true;
        const std::string environment = RecordKeyOfHost(busOnly).device;
        const bool fileBusDiffers = file_.of[kBus] && BusName(file_.checked.bus) != bus_;
        if (bus_ == "sim") return Show(kDevice, "", "default (the simulated card has none)");
        if (const char *option = DeviceOption())
            return Show(kDevice, RecordKeyOfHost(host_).device, fmt::format("command line ({})", option));
        if (!environment.empty())
            return Show(kDevice, environment,
                        bus_ == "v4l2" ? "environment (TVV4L2_DEVICE, TVV4L2_CARD)"
                                       : "environment (TVI2C_DEVICE, TVI2C_ADAPTER)");
        if (!file_.of[kDevice] || fileBusDiffers) return Show(kDevice, "", "default (the driver finds the only one)");
        const std::string &device = file_.of[kDevice]->value;
        const bool number = device.find_first_not_of("0123456789") == std::string::npos;
        if (bus_ == "v4l2") host_.v4l2Device = device;
        else if (device[0] == '/' || number) host_.i2cDevice = number ? "/dev/i2c-" + device : device;
        else host_.i2cAdapter = device;
        Show(kDevice, device, From(kDevice));
    }

    // --mixer, TVHOST_MIXERS, the file.
    void Mixer() {
        if (choices_.mixer->count() > 0) return Show(kMixer, MixerName(host_.mixer), "command line (--mixer)");
        if (!Env("TVHOST_MIXERS").empty()) return Show(kMixer, Env("TVHOST_MIXERS"), "environment (TVHOST_MIXERS)");
        if (!file_.of[kMixer]) return Show(kMixer, TVCTL_DEFAULT_MIXER, "default");
        host_.mixer = file_.checked.mixer;
        host_.mixerGiven = host_.mixerFromFile = true;
        Show(kMixer, MixerName(host_.mixer), From(kMixer));
    }

    // The ALSA card and element: TVMIXALSA_DEVICES and TVMIXALSA_ELEMENT,
    // the file (into those settings, which audio --card and --element change).
    void Alsa() {
        std::string values[2];  // card, element
        for (Key key : {kCard, kElement}) {
            const char *variable = key == kCard ? "TVMIXALSA_DEVICES" : "TVMIXALSA_ELEMENT";
            if (!Env(variable).empty()) {
                Show(key, Env(variable), fmt::format("environment ({})", variable));
                continue;
            }
            if (file_.of[key]) values[key - kCard] = file_.of[key]->value;
            Show(key, file_.of[key] ? values[key - kCard] : key == kCard ? "" : "Aux", From(key));
        }
        UseAlsaCard(values[0], values[1]);
    }

    // The plan and the standard: the file's, for tune_ops and standard_ops to use.
    void Tuning() {
        std::string error;
        if (file_.of[kPlan]) defaults_.plan = PlanByName(file_.of[kPlan]->value)->plan;
        if (file_.of[kStandard]) defaults_.standard = ParseStandard(file_.of[kStandard]->value, error)->name;
        defaults_.standardFrom = From(kStandard);
        Show(kPlan, defaults_.plan ? PlanByNumber(*defaults_.plan)->name : CablePlan().name, From(kPlan));
        Show(kStandard, defaults_.standard, From(kStandard));
    }

private:
    const char *DeviceOption() const {
        return choices_.i2cDevice->count() > 0    ? "--i2c-device"
               : choices_.i2cAdapter->count() > 0 ? "--i2c-adapter"
               : choices_.v4l2Device->count() > 0 ? "--v4l2-device"
                                                  : nullptr;
    }
    std::string From(Key key) const { return file_.of[key] ? file_.where[key] : std::string("default"); }
    void Show(Key key, std::string value, std::string from) {
        defaults_.shown.push_back({kKeys[key], std::move(value), std::move(from)});
    }

    GlobalChoices &choices_;
    HostOptions &host_;
    UserDefaults &defaults_;
    FileValues file_;
    std::string bus_;  // the bus in force
};

}  // namespace

void ApplySettings(GlobalChoices &choices) {
    GlobalOptions &options = choices.options;
    UserDefaults &defaults = options.defaults;
    if (!options.noSettings) defaults.file = options.settingsFile.empty() ? DefaultSettingsFile() : options.settingsFile;
    Settler settle(choices, defaults.file.empty() ? FileValues{} : ReadSettings(defaults.file, defaults.problems));
    settle.Bus();
    settle.Device();
    settle.Mixer();
    settle.Alsa();
    settle.Tuning();
}

}  // namespace tvctl
