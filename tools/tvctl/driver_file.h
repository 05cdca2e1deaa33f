// A driver module loaded from its file in the installation's module
// directory, for what the driver lists by itself (adapters, devices, cards)
// without a card or the library.
#pragma once

#include <string>

#include "tvhost/win32.h"

namespace tvctl {

// Loads `moduleDir`/`file`; nullptr with `error` a sentence naming the
// driver as `what` when it is not installed or does not load. The caller
// frees the module.
HMODULE LoadDriverFile(const std::string &moduleDir, const std::string &file, const std::string &what,
                       std::string &error);

}  // namespace tvctl
