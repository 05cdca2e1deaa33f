// A driver module loaded from its file in the installation's module
// directory, for what the driver lists by itself (adapters, devices, cards)
// without a card or the library.
#pragma once

#include <string>

#include "module_lookup.h"
#include "tvhost/win32.h"

namespace tvctl {

// Loads `moduleDir`/`file`; nullptr with `error` a sentence naming the
// driver as `what` when it is not installed or does not load. The caller
// frees the module.
HMODULE LoadDriverFile(const std::string &moduleDir, const std::string &file, const std::string &what,
                       std::string &error);

// Loads the driver file, looks its call `name` up as `Call` and hands it to
// `use`, then frees the module. False, with `error` a sentence, when the
// driver is not installed or does not load, or lacks the call: "the `what`
// `lacking`" ("the V4L2 bus driver offers no device listing").
template <typename Call, typename Use>
bool UseDriverCall(const std::string &moduleDir, const std::string &file, const std::string &what, const char *name,
                   const char *lacking, std::string &error, Use use) {
    HMODULE module = LoadDriverFile(moduleDir, file, what, error);
    if (module == nullptr) return false;
    Call call = nullptr;
    const bool found = LookUp(module, name, call);
    if (found)
        use(call);
    else
        error = "the " + what + " " + lacking;
    FreeLibrary(module);
    return found;
}

}  // namespace tvctl
