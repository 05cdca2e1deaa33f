// Conformance of the host loader with the documented Windows answers of
// LoadLibraryA, GetProcAddress and FreeLibrary, over a small probe module.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

class ConformanceModule : public ::testing::Test {
protected:
    void SetUp() override { setenv("TVHOST_PATH", TVCORE_TEST_PROBE_DIR, 1); }
    void TearDown() override {
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
        tvtest::UseBuildTreeHost();
    }
};

TEST_F(ConformanceModule, LoadLibraryAnswers) {
    struct Case {
        const char *what;
        const char *name;
        DWORD error;  // ERROR_SUCCESS: loaded
    } cases[] = {
        {"with its ending", "probe_a.dll", ERROR_SUCCESS},
        {"without an ending", "probe_a", ERROR_SUCCESS},
        {"the ending in capitals", "probe_a.DLL", ERROR_SUCCESS},
        {"trailing blanks are dropped", "probe_a.dll   ", ERROR_SUCCESS},
        {"trailing blanks without an ending", "probe_a ", ERROR_SUCCESS},
        {"NULL", nullptr, ERROR_INVALID_PARAMETER},
        {"only blanks", "   ", ERROR_MOD_NOT_FOUND},
        {"no such module", "no_such_module.dll", ERROR_MOD_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(0xDEAD);
        HMODULE module = LoadLibraryA(c.name);
        EXPECT_EQ(module != nullptr, c.error == ERROR_SUCCESS) << c.what << ": " << TvHostLastLoadError();
        if (module == nullptr) {
            EXPECT_EQ(GetLastError(), c.error) << c.what;
            continue;
        }
        EXPECT_NE(GetProcAddress(module, "ProbeAnswer"), nullptr) << c.what;
        EXPECT_TRUE(FreeLibrary(module)) << c.what;
    }
}

// GetProcAddress and FreeLibrary on handles that name no module: NULL is the
// program itself to GetProcAddress (which exports nothing through the host)
// and no handle at all to FreeLibrary; any other value is a module not found.
TEST_F(ConformanceModule, BadModuleHandles) {
    HMODULE freed = LoadLibraryA("probe_a.dll");
    ASSERT_NE(freed, nullptr) << TvHostLastLoadError();
    ASSERT_TRUE(FreeLibrary(freed));
    struct Case {
        const char *what;
        HMODULE module;
        DWORD procError, freeError;
    } cases[] = {
        {"NULL", nullptr, ERROR_PROC_NOT_FOUND, ERROR_INVALID_HANDLE},
        {"made up", reinterpret_cast<HMODULE>(uintptr_t{0xDEADBEEF}), ERROR_MOD_NOT_FOUND, ERROR_MOD_NOT_FOUND},
        {"freed", freed, ERROR_MOD_NOT_FOUND, ERROR_MOD_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(c.module, "ProbeAnswer"), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), c.procError) << c.what;
        SetLastError(0);
        EXPECT_FALSE(FreeLibrary(c.module)) << c.what;
        EXPECT_EQ(GetLastError(), c.freeError) << c.what;
    }
}

TEST_F(ConformanceModule, GetProcAddressNames) {
    HMODULE module = LoadLibraryA("probe_a.dll");
    ASSERT_NE(module, nullptr) << TvHostLastLoadError();
    EXPECT_NE(GetProcAddress(module, "ProbeAnswer"), nullptr);
    struct Case {
        const char *what;
        LPCSTR name;
    } cases[] = {
        {"NULL", nullptr},
        {"an ordinal", reinterpret_cast<LPCSTR>(uintptr_t{1})},  // the host's modules export by name only
        {"empty", ""},
        {"letter case differs", "probeanswer"},
        {"a host service the module imports", "OutputDebugStringA"},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(module, c.name), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND) << c.what;
    }
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
