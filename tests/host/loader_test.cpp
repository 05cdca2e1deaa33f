// The host loader: loading, counting, refusing and freeing modules, symbol
// lookup, and thread notifications, with probe modules that report every
// entry-routine call on the debug-output channel.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

class Loader : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TVHOST_PATH", TVCORE_TEST_PROBE_DIR, 1);
        log_ = tvtest::MakeTempDir("loader") + "/debug.log";
        setenv("TVHOST_DEBUG", log_.c_str(), 1);
        unsetenv("PROBE_REFUSE");
        unsetenv("PROBE_LOAD_ON_ATTACH");
        unsetenv("PROBE_SELF_LOAD");
    }
    void TearDown() override {
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u) << "a test left a module loaded";
        unsetenv("PROBE_REFUSE");
        unsetenv("PROBE_LOAD_ON_ATTACH");
        unsetenv("PROBE_SELF_LOAD");
        tvtest::UseBuildTreeHost();
    }
    std::string Log() const { return tvtest::ReadFile(log_); }

    std::string log_;
};

// A function export as its real type (through the generic function type,
// which converts to any other without complaint).
template <typename Function>
Function Export(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string ProbeFile(const char *name) { return std::string(TVCORE_TEST_PROBE_DIR) + "/" + name; }

TEST_F(Loader, LoadAttachesOnceAndLastFreeDetaches) {
    HMODULE first = LoadLibraryA("probe_a.dll");
    ASSERT_NE(first, nullptr) << TvHostLastLoadError();
    HMODULE second = LoadLibraryA("probe_a");  // another spelling, the same module
    EXPECT_EQ(second, first);
    EXPECT_EQ(Log(), "probe_a attach 1\n") << "a counted load sends no second attach";

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Log(), "probe_a attach 1\n") << "still loaded once";
    EXPECT_NE(GetProcAddress(first, "ProbeAnswer"), nullptr);
    EXPECT_EQ(TvHostLoadedModuleCount(), 1u);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(Log(), "probe_a attach 1\nprobe_a detach 1\n");
    EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
}

TEST_F(Loader, SameFileByPathOrLinkIsOneModule) {
    std::string dir = tvtest::MakeTempDir("links");
    std::filesystem::create_symlink(ProbeFile("probe_a.so"), dir + "/alias.so");
    HMODULE byName = LoadLibraryA("probe_a.dll");
    HMODULE byLink = LoadLibraryA((dir + "/alias.so").c_str());
    HMODULE byPath = LoadLibraryA(ProbeFile("probe_a.so").c_str());
    EXPECT_EQ(byLink, byName);
    EXPECT_EQ(byPath, byName);
    EXPECT_EQ(Log(), "probe_a attach 1\n");
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(FreeLibrary(byName));
    EXPECT_EQ(Log(), "probe_a attach 1\nprobe_a detach 1\n");
}

TEST_F(Loader, FreedHandleIsRefusedAndReloadStartsFresh) {
    HMODULE old = LoadLibraryA("probe_a.dll");
    ASSERT_NE(old, nullptr);
    ASSERT_TRUE(FreeLibrary(old));

    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(old));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(old, "ProbeAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    HMODULE fresh = LoadLibraryA("probe_a.dll");
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old) << "handles are never handed out twice";
    EXPECT_FALSE(FreeLibrary(old)) << "the old handle does not reach the new load";
    EXPECT_EQ(Log(), "probe_a attach 1\nprobe_a detach 1\nprobe_a attach 1\n")
        << "the module was really unloaded: its attach count starts again";
    EXPECT_TRUE(FreeLibrary(fresh));
}

TEST_F(Loader, RefusedAttachUnloadsWithoutDetach) {
    setenv("PROBE_REFUSE", "probe_a", 1);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("probe_a.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    EXPECT_EQ(Log(), "probe_a attach 1\n") << "no detach after a refused attach";
    EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
    EXPECT_NE(std::string(TvHostLastLoadError()), "");

    unsetenv("PROBE_REFUSE");
    HMODULE module = LoadLibraryA("probe_a.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(Log(), "probe_a attach 1\nprobe_a attach 1\n") << "the refused copy was unloaded";
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Loader, FilesThatAreNotModulesAreRefused) {
    std::string dir = tvtest::MakeTempDir("bad");
    tvtest::WriteFile(dir + "/text.so", "this is not a shared object\n");
    tvtest::WriteFile(dir + "/empty.so", "");
    std::string probe = tvtest::ReadFile(ProbeFile("probe_a.so"));
    std::string foreign = probe;
    foreign[18] = static_cast<char>(foreign[18] ^ 0x7F);  // e_machine: another processor
    tvtest::WriteFile(dir + "/foreign.so", foreign);
    std::string relocatable = probe;
    relocatable[16] = 1;  // e_type ET_REL: an object file, not a shared object
    relocatable[17] = 0;
    tvtest::WriteFile(dir + "/object.so", relocatable);
    std::filesystem::create_directories(dir + "/folder.so");
    setenv("TVHOST_PATH", dir.c_str(), 1);

    struct Case {
        const char *name;
        DWORD error;
    } cases[] = {
        {"missing.dll", ERROR_MOD_NOT_FOUND},  {"text.dll", ERROR_BAD_EXE_FORMAT},
        {"empty.dll", ERROR_BAD_EXE_FORMAT},   {"foreign.dll", ERROR_BAD_EXE_FORMAT},
        {"object.dll", ERROR_BAD_EXE_FORMAT},  {"folder.dll", ERROR_MOD_NOT_FOUND},
        {"", ERROR_MOD_NOT_FOUND},             {"/no/such/dir/x.so", ERROR_MOD_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(c.name), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Log(), "");
}

TEST_F(Loader, GetProcAddressFindsOnlyTheModulesOwnExports) {
    HMODULE module = LoadLibraryA("probe_a.dll");
    ASSERT_NE(module, nullptr);

    auto answer = Export<int (*)()>(module, "ProbeAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    auto *data = reinterpret_cast<int *>(GetProcAddress(module, "probeData"));
    ASSERT_NE(data, nullptr) << "exported data is found like a function";
    EXPECT_EQ(*data, 7);
    EXPECT_NE(GetProcAddress(module, "DllMain"), nullptr);

    const char *absent[] = {
        "NoSuchName",
        "ProbeHidden",   // defined but not exported
        "LoadLibraryA",  // exported by the host library the module links to
        "malloc",        // exported by the C library
        "probeanswer",   // names keep their letter case
        "",
    };
    for (const char *name : absent) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << name;
    }
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(uintptr_t{5})), nullptr) << "ordinal";
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(module, nullptr), nullptr);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(nullptr, "ProbeAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Loader, ModuleWithoutEntryRoutineJustLoads) {
    HMODULE module = LoadLibraryA("plain_module.dll");
    ASSERT_NE(module, nullptr) << TvHostLastLoadError();
    auto answer = Export<int (*)()>(module, "PlainAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 17);
    EXPECT_EQ(TvHostThreadAttach(), 0u) << "no entry routine to notify";
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(Log(), "");
}

// An entry routine may call the loader itself: load and free another
// module, or load its own module and get its handle. The nested loads and
// frees balance, and the log shows each step in order.
TEST_F(Loader, EntryRoutineMayLoadModulesItself) {
    struct Case {
        const char *setting, *value;  // what the probe's entry routine does
        const char *module;
        uint32_t loaded;        // modules loaded once the load returned
        const char *loadLog;    // the log then
        const char *detachLog;  // what the free adds to it
    } cases[] = {
        {"PROBE_LOAD_ON_ATTACH", "probe_b.dll", "probe_a.dll", 2, "probe_a attach 1\nprobe_b attach 1\n",
         "probe_a detach 1\nprobe_b detach 1\n"},
        {"PROBE_SELF_LOAD", "probe_b", "probe_b.dll", 1, "probe_b attach 1\nprobe_b self-load same 1\n",
         "probe_b detach 1\n"},
    };
    for (const Case &c : cases) {
        TearDown();
        SetUp();
        setenv(c.setting, c.value, 1);
        HMODULE module = LoadLibraryA(c.module);
        ASSERT_NE(module, nullptr) << c.setting;
        EXPECT_EQ(Log(), c.loadLog) << c.setting;
        EXPECT_EQ(TvHostLoadedModuleCount(), c.loaded) << c.setting;
        EXPECT_TRUE(FreeLibrary(module)) << c.setting << ": the nested loads and frees balance";
        EXPECT_EQ(Log(), std::string(c.loadLog) + c.detachLog) << c.setting;
    }
}

TEST_F(Loader, ThreadNotificationsReachModulesInLoadOrder) {
    HMODULE a = LoadLibraryA("probe_a.dll");
    HMODULE plain = LoadLibraryA("plain_module.dll");
    HMODULE b = LoadLibraryA("probe_b.dll");
    ASSERT_TRUE(a && plain && b);
    uint32_t attached = 0, detached = 0;
    std::thread worker([&] {
        attached = TvHostThreadAttach();
        detached = TvHostThreadDetach();
    });
    worker.join();
    EXPECT_EQ(attached, 2u);
    EXPECT_EQ(detached, 2u);
    EXPECT_EQ(Log(),
              "probe_a attach 1\nprobe_b attach 1\n"
              "probe_a thread-attach 1\nprobe_b thread-attach 1\n"
              "probe_b thread-detach 1\nprobe_a thread-detach 1\n");
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_TRUE(FreeLibrary(plain));
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(TvHostThreadAttach(), 0u);
}

TEST_F(Loader, ConcurrentLoadsAreSerialisedAndBalanced) {
    constexpr int kThreads = 4, kRounds = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < kRounds; ++i) {
                HMODULE module = LoadLibraryA("probe_a.dll");
                if (module == nullptr) {
                    ADD_FAILURE() << TvHostLastLoadError();
                    return;
                }
                TvHostThreadAttach();
                FreeLibrary(module);
            }
        });
    for (std::thread &t : threads) t.join();

    // Every detach follows an attach of the same copy, and no copy is
    // attached twice: the entry routine was never entered concurrently.
    std::string log = Log();
    size_t pos = 0;
    int attaches = 0, detaches = 0;
    bool loaded = false;
    while (pos < log.size()) {
        size_t end = log.find('\n', pos);
        ASSERT_NE(end, std::string::npos);
        std::string line = log.substr(pos, end - pos);
        pos = end + 1;
        if (line == "probe_a attach 1") {
            EXPECT_FALSE(loaded);
            loaded = true;
            ++attaches;
        } else if (line == "probe_a detach 1") {
            EXPECT_TRUE(loaded);
            loaded = false;
            ++detaches;
        } else {
            EXPECT_EQ(line, "probe_a thread-attach 1");
            EXPECT_TRUE(loaded);
        }
    }
    EXPECT_GE(attaches, 1);
    EXPECT_EQ(attaches, detaches);
}

TEST_F(Loader, ModuleOpenedByDlopenFirstIsStillAttachedByTheLoader) {
    void *library = dlopen(ProbeFile("probe_a.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    EXPECT_EQ(Log(), "") << "dlopen alone runs no entry routine";
    HMODULE module = LoadLibraryA("probe_a.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    dlclose(library);
    EXPECT_EQ(Log(), "probe_a attach 1\nprobe_a detach 1\n");
}

}  // namespace
