// A fixed host environment for tests: modules from this build tree, a
// private Windows directory, and no debug output unless a test asks for it.
#pragma once

#include <string>

namespace tvtest {

// Points TVHOST_PATH at the build tree's module directory, TVHOST_WINDIR at a
// fresh empty directory of this process, clears TVHOST_DEBUG, and turns the
// simulated card's and mixer's state files off (TVSIM_STATE, TVMIXSIM_STATE;
// a test that wants one sets a path of its own). Called once
// per process before main's tests run (by the support library itself).
void UseBuildTreeHost();

// The build tree's module directory.
std::string ModuleDir();

// A fresh empty directory under the process's scratch directory.
std::string MakeTempDir(const std::string &name);

// Writes `text` to `path`, replacing the file.
void WriteFile(const std::string &path, const std::string &text);

// Reads a whole file; empty when it does not exist.
std::string ReadFile(const std::string &path);

}  // namespace tvtest
