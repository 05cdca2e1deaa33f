#include "host_setup.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "driver_i2cdev.h"
#include "driver_v4l2.h"

namespace tvctl {

namespace fs = std::filesystem;

namespace {

std::string Env(const char *name) {
    const char *value = getenv(name);
    return value != nullptr ? value : "";
}

bool IsFile(const fs::path &path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The directory of the running program (resolved).
std::string ProgramDir() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return ".";
    return self.parent_path().string();
}

// The module directory next to the program, as installed (<bindir>/../lib/tvcore)
// or in the build tree, which has the same layout.
std::string FindModuleDir() {
    std::error_code error;
    fs::path dir = fs::weakly_canonical(fs::path(ProgramDir()) / TVCTL_BIN_TO_MODULES, error);
    if (error || !IsFile(dir / "tvcore.so")) return "";
    return dir.string();
}

// A private file for the library's debug output, so that a refused load can
// be explained with the lines the library and the bus driver wrote. Its name
// is removed at once and the file is reached through the descriptor kept in
// `fd` (/proc/self/fd/N), so no signal or crash can leave it in TMPDIR.
// Without /proc the named file is kept and removed at the end of the run.
std::string MakeDebugFile(int &fd) {
    std::string dir = Env("TMPDIR");
    if (dir.empty()) dir = "/tmp";
    std::string pattern = dir + "/tvctl-debug-XXXXXX";
    int created = mkostemp(pattern.data(), O_CLOEXEC);
    if (created < 0) return "";
    std::string alias = "/proc/self/fd/" + std::to_string(created);
    if (access(alias.c_str(), R_OK | W_OK) == 0 && unlink(pattern.c_str()) == 0) {
        fd = created;
        return alias;
    }
    close(created);
    return pattern;
}

// The bus: the module path decides which tvbus16.so the link loads; a real
// bus driver's directory goes first.
void ChooseBus(HostSetup &setup, const HostOptions &options) {
    const std::string userPath = Env("TVHOST_PATH");
    if (options.bus == BusChoice::Simulated) {
        // Without --bus the user's module path stands; else the host's own default.
        setup.modulePath = !options.busGiven && !userPath.empty() ? userPath : setup.moduleDir;
        return;
    }
    const bool v4l2 = options.bus == BusChoice::V4l2;
    const std::string subdir = v4l2 ? "v4l2" : "i2cdev";
    const std::string what = v4l2 ? "V4L2" : "i2c-dev";
    if (setup.moduleDir.empty())
        setup.error = "cannot find the module directory next to tvctl (" + ProgramDir() + "/" + TVCTL_BIN_TO_MODULES +
                      "), so the " + what + " bus driver cannot be chosen";
    else if (!IsFile(fs::path(setup.moduleDir) / subdir / "tvbus16.so"))
        setup.error = "this build has no " + what + " bus driver (" + setup.moduleDir + "/" + subdir + "/tvbus16.so)";
    else
        setup.modulePath = setup.moduleDir + "/" + subdir + ":" + (userPath.empty() ? setup.moduleDir : userPath);
}

// The mixer: the library's own choice (TVHOST_MIXERS, else the
// installation's default driver), exactly as any program that loads it
// gets; --mixer names a driver by path, so it is found whatever the module
// path.
void ChooseMixer(HostSetup &setup, const HostOptions &options) {
    const std::string userMixers = Env("TVHOST_MIXERS");
    setup.libraryMixers = userMixers.empty() ? std::string(TVCTL_DEFAULT_MIXER) + " (the installation's default)"
                                             : userMixers + " (TVHOST_MIXERS)";
    if (!options.mixerGiven) {
        setup.mixers = userMixers.empty() ? TVCTL_DEFAULT_MIXER : userMixers;
        setup.mixersFrom = userMixers.empty() ? MixerSource::Default : MixerSource::Setting;
        return;
    }
    struct Driver {
        const char *file, *what;
    };
    const Driver driver = options.mixer == MixerChoice::Alsa   ? Driver{"tvmixalsa.so", "ALSA"}
                          : options.mixer == MixerChoice::V4l2 ? Driver{"tvmixv4l2.so", "V4L2"}
                                                               : Driver{"tvmixsim.so", "simulated"};
    fs::path path = fs::path(setup.moduleDir) / driver.file;
    if (!setup.moduleDir.empty() && IsFile(path)) {
        setup.mixers = path.string();
        setup.mixersFrom = options.mixerFromFile ? MixerSource::File : MixerSource::Option;
        setenv("TVHOST_MIXERS", setup.mixers.c_str(), 1);
    } else if (setup.error.empty()) {
        setup.error = setup.moduleDir.empty()
                          ? "cannot find the module directory next to tvctl, so --mixer cannot be honoured"
                          : std::string("this build has no ") + driver.what + " mixer driver (" + path.string() + ")";
    }
}

}  // namespace

HostSetup PrepareHost(const HostOptions &options) {
    HostSetup setup;
    setup.moduleDir = FindModuleDir();
    ChooseBus(setup, options);
    if (!setup.modulePath.empty()) setenv("TVHOST_PATH", setup.modulePath.c_str(), 1);
    UseI2cDevAdapter(options.i2cDevice, options.i2cAdapter);
    UseV4l2Device(options.v4l2Device);
    ChooseMixer(setup, options);
    // Debug output: the user's destination, or a file of ours.
    setup.userDebug = Env("TVHOST_DEBUG");
    if (setup.userDebug.empty()) {
        setup.debugFile = MakeDebugFile(setup.debugFd);
        if (!setup.debugFile.empty()) setenv("TVHOST_DEBUG", setup.debugFile.c_str(), 1);
    }
    return setup;
}

void ReleaseHost(const HostSetup &setup) {
    if (setup.debugFd >= 0)
        close(setup.debugFd);  // the file had no name left; this frees it
    else if (!setup.debugFile.empty())
        unlink(setup.debugFile.c_str());
}

}  // namespace tvctl
