// The host settings tvctl gives the library before loading it: which bus
// driver and mixer driver the host finds, and where its debug output goes.
// A setting the user made is kept unless an option of tvctl says otherwise,
// and without options tvctl gets the bus and mixer any program gets.
#pragma once

#include <string>

namespace tvctl {

enum class BusChoice { Simulated, I2cDev, V4l2 };
enum class MixerChoice { Simulated, Alsa, V4l2 };

struct HostOptions {
    BusChoice bus = BusChoice::Simulated;
    bool busGiven = false;  // --bus (or an --i2c-* or --v4l2-device option) was given
    std::string i2cDevice;  // --i2c-device: TVI2C_DEVICE
    std::string i2cAdapter; // --i2c-adapter: TVI2C_ADAPTER
    std::string v4l2Device; // --v4l2-device: TVV4L2_DEVICE (a path) or TVV4L2_CARD (a card name)
    MixerChoice mixer = MixerChoice::Simulated;
    bool mixerGiven = false;
    bool mixerFromFile = false;  // the mixer given is the settings file's
};

// Where the mixer drivers in use were chosen: by --mixer (tvctl set
// TVHOST_MIXERS for this run), by the user's TVHOST_MIXERS, by nobody (the
// installation's default driver, which TVHOST_MIXERS is then left without),
// by the settings file (as --mixer would), or by a command for itself (the
// tour's simulated mixer).
enum class MixerSource { Option, Setting, Default, File, Command };

struct HostSetup {
    std::string moduleDir;   // the installation's (or build tree's) module directory; "" if not found
    std::string modulePath;  // TVHOST_PATH as the host will use it ("" = the host's own default)
    std::string mixers;      // the mixer drivers the host loads: TVHOST_MIXERS, or the default driver's name
    MixerSource mixersFrom = MixerSource::Default;
    std::string libraryMixers;  // what a program that loads the library gets, in words
    std::string debugFile;   // where tvctl collects the debug output; "" when the user chose TVHOST_DEBUG
    int debugFd = -1;        // keeps the capture file alive when it has no name left (see MakeDebugFile)
    std::string userDebug;   // TVHOST_DEBUG as the user set it
    std::string error;       // a setup that cannot work, said as a sentence; "" when fine
};

// Sets the host's environment for `options` and answers what it chose. Must
// run before the library or any host mixer call is used.
HostSetup PrepareHost(const HostOptions &options);

// Removes (or lets go of) the debug capture file.
void ReleaseHost(const HostSetup &setup);

}  // namespace tvctl
