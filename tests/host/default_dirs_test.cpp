// With no host settings, the host finds its modules and its configuration
// directory relative to the host library, so the build tree (which mirrors
// the installed layout) works like an installed tree.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

class NoSettings : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("TVHOST_PATH");
        unsetenv("TVHOST_WINDIR");
    }
    void TearDown() override { tvtest::UseBuildTreeHost(); }
};

TEST_F(NoSettings, WindowsDirectoryIsTheInstallationsConfigurationDirectory) {
    char dir[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    EXPECT_EQ(std::string(dir), TVCORE_TEST_CONFIG_DIR);
    EXPECT_EQ(length, std::string(TVCORE_TEST_CONFIG_DIR).size());
}

TEST_F(NoSettings, LibraryAndBusDriverLoadFromTheModuleDirectory) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    EXPECT_NE(GetProcAddress(tv, "SetTVParam"), nullptr);
    EXPECT_TRUE(FreeLibrary(tv));
}

}  // namespace
