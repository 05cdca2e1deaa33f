// Per-user files after the XDG base directory rules, and writing a small file
// so that a reader never sees it half written.
#pragma once

#include <string>

namespace tvctl {

// $VARIABLE when set to an absolute path, else $HOME/fallback; "" when
// neither is usable. E.g. XdgDir("XDG_STATE_HOME", ".local/state").
std::string XdgDir(const char *variable, const char *fallback);

// Writes `text` to `path` through a temporary file in the same directory,
// flushed and renamed over it; creates missing directories (mode 0700).
// False with `*error` set as a sentence.
bool WriteFileAtomically(const std::string &path, const std::string &text, std::string *error);

}  // namespace tvctl
