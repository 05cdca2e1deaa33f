// A fixed host environment for tests: modules from this build tree, a
// private Windows directory, and no debug output unless a test asks for it.
#pragma once

#include <string>
#include <vector>

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
// The same, line by line (without the line feeds).
std::vector<std::string> ReadLines(const std::string &path);

// Run as root, this process meets file permissions as a user does from now
// on: the capabilities that override them leave its effective set. For a
// test's own process (ctest runs each test in one of its own).
void MeetFilePermissionsAsAUser();

// A module file of the build tree's module directory, opened for the rest of
// the program (so a test shares its state with the host's loads of it), and
// its symbols. Both abort the test program with a message when the file or
// a name is missing: nothing could be tested without them.
void *OpenModuleForLife(const std::string &file);
void *SymbolOrAbort(void *module, const char *name);

template <typename Function>
void Resolve(void *module, const char *name, Function &slot) {
    slot = reinterpret_cast<Function>(SymbolOrAbort(module, name));
}

}  // namespace tvtest
