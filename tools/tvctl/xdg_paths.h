// Per-user files after the XDG base directory rules.
#pragma once

#include <string>

namespace tvctl {

// $VARIABLE when set to an absolute path, else $HOME/fallback when HOME is
// absolute; "" when neither is usable. A relative setting is ignored, as the
// rules say, rather than taken from wherever tvctl happens to run.
// E.g. XdgDir("XDG_STATE_HOME", ".local/state").
std::string XdgDir(const char *variable, const char *fallback);

}  // namespace tvctl
