// Finding module files: NAME.dll on Windows is the file NAME.so on the host.
#pragma once

#include <string>
#include <vector>

namespace tvhost {

// The directories searched for modules, in order: the module directory chosen
// in code, else TVHOST_PATH (colon-separated), else the installation's module
// directory.
std::vector<std::string> ModuleSearchPath();

// The host file name of a module name: a ".dll" ending (any letter case)
// becomes ".so", a name without an ending gets ".so". "tvbus16.dll" ->
// "tvbus16.so".
std::string HostModuleFileName(const std::string &name);

// The file to open for a module name: a name with a '/' is taken as given;
// otherwise the first existing regular file on the search path. Empty when
// nothing is found.
std::string FindModule(const std::string &name);

}  // namespace tvhost
