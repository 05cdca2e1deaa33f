// Host settings (the environment) and the installation's built-in defaults.
#pragma once

#include <optional>
#include <string>

namespace tvhost {

// The value of a host setting; a setting that is set but empty counts as unset.
std::optional<std::string> Setting(const char *name);

// The same without a copy, for services on hot paths that must not allocate:
// the environment's own text, or null when unset or empty. Valid until the
// environment changes.
const char *SettingText(const char *name);

// The directory that holds the host library itself (resolved, absolute).
// Every built-in default is found relative to it, so an installed tree works
// from any prefix and can be moved.
const std::string &HostLibraryDir();

// Where modules are searched when TVHOST_PATH is unset.
std::string DefaultModuleDir();

// What GetWindowsDirectoryA reports when TVHOST_WINDIR is unset.
std::string DefaultConfigDir();

// The mixer driver used when TVHOST_MIXERS is unset.
std::string DefaultMixerDriver();

// The name of the bus driver at the top of the module directory, the one
// the library links to with no choice or setting ("sim": the simulated card).
std::string DefaultBusDriver();

}  // namespace tvhost
