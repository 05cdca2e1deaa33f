// The module directory, bus driver and mixer drivers an application chose in
// code (tvhost/drivers.h), and how a bus driver's name maps to its file.
// A choice beats the matching environment setting; no choice leaves the
// setting, or the installation's default, in force.
#pragma once

#include <optional>
#include <string>

namespace tvhost {

// The stored choices; each is read by the service it concerns at the moment it
// needs it (module lookup, the bus link's connect step, loading the mixers).
// Safe from any thread.
std::optional<std::string> ChosenModuleDir();
void ChooseModuleDir(std::optional<std::string> dir);
std::optional<std::string> ChosenBusDriver();
void ChooseBusDriverName(std::optional<std::string> driver);
std::optional<std::string> ChosenMixerDrivers();
void ChooseMixerDriverList(std::optional<std::string> drivers);

// The directory whose bus drivers have names: the chosen module directory,
// else the installation's.
std::string NamedDriverDir();

// The file of bus driver `driver` whose module file is `moduleFile`
// ("tvbus16.so"): a path (a name with a '/') as given; the default bus name
// ("sim"): dir/moduleFile; another name: dir/name/moduleFile.
std::string BusDriverFile(const std::string &driver, const std::string &moduleFile, const std::string &dir);

// The name of a bus driver's file, the reverse of BusDriverFile for files
// below `dir` (both absolute, without symbolic links); "" for another file.
std::string BusDriverName(const std::string &file, const std::string &dir);

}  // namespace tvhost
