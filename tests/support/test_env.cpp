#include "support/test_env.h"

#include <dlfcn.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tvtest {
namespace {

std::string ScratchRoot() {
    static const std::string root = [] {
        std::string base = std::filesystem::temp_directory_path().string() + "/tvcore-test-XXXXXX";
        if (mkdtemp(base.data()) == nullptr) abort();
        return base;
    }();
    return root;
}

// Runs before main: every test binary starts from the same host settings,
// whatever the calling shell has set.
struct EnvironmentSetter {
    EnvironmentSetter() { UseBuildTreeHost(); }
    ~EnvironmentSetter() {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchRoot(), ignored);
    }
} environmentSetter;

}  // namespace

void UseBuildTreeHost() {
    setenv("TVHOST_PATH", TVCORE_TEST_MODULE_DIR, 1);
    setenv("TVHOST_WINDIR", MakeTempDir("windows").c_str(), 1);
    unsetenv("TVHOST_DEBUG");
    // The simulated card and mixer keep no state file unless a test gives one
    // of its own, so parallel tests never share what a card holds.
    setenv("TVSIM_STATE", "off", 1);
    setenv("TVMIXSIM_STATE", "off", 1);
}

std::string ModuleDir() { return TVCORE_TEST_MODULE_DIR; }

void MeetFilePermissionsAsAUser() {
    if (geteuid() != 0) return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) std::abort();
    for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) data[cap / 32].effective &= ~(1u << (cap % 32));
    if (syscall(SYS_capset, &header, data) != 0) std::abort();
}

void *OpenModuleForLife(const std::string &file) {
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), dlerror());
        std::abort();
    }
    return module;
}

void *SymbolOrAbort(void *module, const char *name) {
    void *symbol = dlsym(module, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "the module lacks %s\n", name);
        std::abort();
    }
    return symbol;
}

std::string MakeTempDir(const std::string &name) {
    static std::atomic<int> serial = 0;  // tests may run tools from several threads
    std::string dir = ScratchRoot() + "/" + name + "-" + std::to_string(++serial);
    std::filesystem::create_directories(dir);
    return dir;
}

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const std::string &path) {
    std::vector<std::string> lines;
    std::istringstream text(ReadFile(path));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

}  // namespace tvtest
