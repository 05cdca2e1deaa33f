#include "global_options.h"

#include "commands.h"

namespace tvctl {

void DefineGlobalOptions(CLI::App &app, GlobalChoices &choices) {
    HostOptions &host = choices.options.host;
    choices.bus = BindChoice<BusChoice>(app, "--bus", host.bus,
                       {{"sim", BusChoice::Simulated}, {"i2cdev", BusChoice::I2cDev}, {"v4l2", BusChoice::V4l2}},
                       "the bus driver: sim (the simulated card, default), i2cdev (a real adapter) or v4l2 (a card "
                       "the kernel drives, /dev/videoN)");
    CLI::Option *device = app.add_option("--i2c-device", host.i2cDevice, "the i2c-dev adapter's device, e.g. /dev/i2c-3, or its bus number, 3 (implies --bus i2cdev)");
    CLI::Option *adapter = app.add_option("--i2c-adapter", host.i2cAdapter, "the i2c-dev adapter by name, see tvctl i2c adapters (implies --bus i2cdev)");
    device->excludes(adapter);
    CLI::Option *v4l2 = app.add_option("--v4l2-device", host.v4l2Device, "the V4L2 device: a path such as /dev/video0, or the card's name as v4l2-ctl --info shows it (implies --bus v4l2)");
    v4l2->excludes(device)->excludes(adapter);
    choices.i2cDevice = device;
    choices.i2cAdapter = adapter;
    choices.v4l2Device = v4l2;
    choices.mixer = BindChoice<MixerChoice>(app, "--mixer", host.mixer,
                         {{"sim", MixerChoice::Simulated}, {"alsa", MixerChoice::Alsa}, {"v4l2", MixerChoice::V4l2}},
                         "the mixer driver: sim (the simulated mixer), alsa, or v4l2 (the audio controls of V4L2 devices); "
                         "default: the drivers TVHOST_MIXERS names, else the installation's default, " TVCTL_DEFAULT_MIXER);
    app.add_flag(kJsonOption, choices.options.json, "answer each command with one JSON object on a line");
    CLI::Option *settings = Bind(app, "--settings", choices.options.settingsFile, FileName("--settings"),
                                 "the settings file to read instead of $XDG_CONFIG_HOME/tvctl/settings");
    settings->excludes(app.add_flag("--no-settings", choices.options.noSettings, "read no settings file"));
    app.add_flag("--trace", choices.options.trace, "show the simulated card's bus transactions after each command (on standard error)");
}

std::string SettleDrivers(GlobalChoices &choices) {
    HostOptions &host = choices.options.host;
    // A bare bus number names the adapter as i2c-tools do: 3 is /dev/i2c-3.
    if (!host.i2cDevice.empty() && host.i2cDevice.find_first_not_of("0123456789") == std::string::npos)
        host.i2cDevice = "/dev/i2c-" + host.i2cDevice;
    const bool busGiven = choices.bus->count() > 0;
    const bool adapterGiven = choices.i2cDevice->count() > 0 || choices.i2cAdapter->count() > 0;
    const bool v4l2Given = choices.v4l2Device->count() > 0;
    const std::string bus = host.bus == BusChoice::Simulated ? "sim" : host.bus == BusChoice::V4l2 ? "v4l2" : "i2cdev";
    if (adapterGiven && busGiven && host.bus != BusChoice::I2cDev)
        return "--i2c-device and --i2c-adapter choose an adapter of the i2c-dev bus, not of --bus " + bus;
    if (v4l2Given && busGiven && host.bus != BusChoice::V4l2)
        return "--v4l2-device chooses a device of the V4L2 bus, not of --bus " + bus;
    if (v4l2Given && adapterGiven)
        return "--v4l2-device and --i2c-device/--i2c-adapter choose different buses; give one";
    host.busGiven = busGiven || adapterGiven || v4l2Given;
    if (adapterGiven) host.bus = BusChoice::I2cDev;
    if (v4l2Given) host.bus = BusChoice::V4l2;
    host.mixerGiven = choices.mixer->count() > 0;
    return "";
}

namespace {

struct GlobalTable {
    GlobalChoices choices;
    CLI::App app;
    GlobalTable() { DefineGlobalOptions(app, choices); }
};

const CLI::Option *GlobalOption(std::string_view word) {
    static const GlobalTable table;
    return word.rfind("--", 0) == 0 ? table.app.get_option_no_throw(std::string(word)) : nullptr;
}

}  // namespace

bool IsGlobalOption(std::string_view word) { return GlobalOption(word) != nullptr; }

bool GlobalOptionTakesValue(std::string_view word) {
    const CLI::Option *option = GlobalOption(word);
    return option != nullptr && option->get_expected_min() > 0;
}

}  // namespace tvctl
