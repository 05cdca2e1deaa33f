// Module lookup: NAME.dll is the file NAME.so, found on TVHOST_PATH in order.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "host/src/module_path.h"
#include "support/test_env.h"

namespace {

TEST(ModuleFileName, DllEndingBecomesSoInAnyCase) {
    struct Case {
        const char *name, *file;
    } cases[] = {
        {"tvbus16.dll", "tvbus16.so"}, {"TVBUS16.DLL", "TVBUS16.so"}, {"tvbus16.Dll", "tvbus16.so"},
        {"tvbus16", "tvbus16.so"},     {"tvbus16.so", "tvbus16.so"},  {"a.b/c", "a.b/c.so"},
    };
    for (const Case &c : cases) EXPECT_EQ(tvhost::HostModuleFileName(c.name), c.file) << c.name;
}

TEST(ModuleSearch, SearchesPathInOrderAndSkipsEmptyEntries) {
    std::string first = tvtest::MakeTempDir("first"), second = tvtest::MakeTempDir("second");
    tvtest::WriteFile(second + "/drv.so", "x");
    std::string path = ":" + first + "::" + second + ":";
    setenv("TVHOST_PATH", path.c_str(), 1);
    EXPECT_EQ(tvhost::FindModule("drv.dll"), second + "/drv.so");
    tvtest::WriteFile(first + "/drv.so", "x");
    EXPECT_EQ(tvhost::FindModule("DRV.DLL").empty(), true) << "names keep their letter case on the host";
    EXPECT_EQ(tvhost::FindModule("drv.dll"), first + "/drv.so");
    EXPECT_EQ(tvhost::FindModule("missing.dll"), "");
    EXPECT_EQ(tvhost::FindModule("/abs/path/x.so"), "/abs/path/x.so") << "a name with a slash is taken as given";
    tvtest::UseBuildTreeHost();
}

TEST(ModuleSearch, DirectoryNamedLikeModuleIsNotAModule) {
    std::string dir = tvtest::MakeTempDir("dirs");
    std::filesystem::create_directories(dir + "/drv.so");
    setenv("TVHOST_PATH", dir.c_str(), 1);
    EXPECT_EQ(tvhost::FindModule("drv.dll"), "");
    tvtest::UseBuildTreeHost();
}

TEST(ModuleSearch, EmptySettingCountsAsUnset) {
    setenv("TVHOST_PATH", "", 1);
    std::vector<std::string> dirs = tvhost::ModuleSearchPath();
    ASSERT_EQ(dirs.size(), 1u);
    EXPECT_NE(dirs[0].find("/tvcore"), std::string::npos) << dirs[0];
    tvtest::UseBuildTreeHost();
}

}  // namespace
