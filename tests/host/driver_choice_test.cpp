// Choosing the module directory, the bus driver and the mixer drivers in
// code, and asking which drivers are in use (tvhost/drivers.h), against the
// library and drivers of this build tree.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <string>

#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/drivers.h"

namespace {

std::string Real(const std::string &path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

std::string TestBusDir() { return tvtest::ModuleDir() + "/test-bus-drivers"; }
std::string WellFormedDriver() { return TestBusDir() + "/well-formed/tvbus16.so"; }

class DriverChoice : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(TvHostChooseBusDriver(nullptr));
        EXPECT_TRUE(TvHostChooseMixerDrivers(nullptr));
        EXPECT_TRUE(TvHostSetModuleDirectory(nullptr));
        TvHostMixerReset();
        tvtest::UseBuildTreeHost();
    }

    static TvHostDriverInfo Info() {
        TvHostDriverInfo info{};
        info.cbStruct = sizeof info;
        return info;
    }
};

// The choice made in code (or none) and the module path from the environment
// decide which bus driver the library links to; the host names it.
TEST_F(DriverChoice, TheLibraryLinksToTheChosenBusDriverAndTheHostSaysWhich) {
    const std::string moduleDir = tvtest::ModuleDir();
    const std::string envFirstTest = TestBusDir() + "/well-formed:" + moduleDir;
    struct Case {
        const char *what;
        const char *modulePath;  // TVHOST_PATH
        std::string moduleDirChoice;
        std::string busChoice;
        std::string name, file;
        const char *device;  // the driver's words; the test driver has none
    } cases[] = {
        {"no choice: the module path decides", moduleDir.c_str(), "", "", "sim", moduleDir + "/tvbus16.so",
         "simulated card"},
        {"no choice: TVHOST_PATH keeps working", envFirstTest.c_str(), "", "", "", WellFormedDriver(), ""},
        {"the call beats TVHOST_PATH", envFirstTest.c_str(), "", "sim", "sim", moduleDir + "/tvbus16.so",
         "simulated card"},
        {"a path", moduleDir.c_str(), "", WellFormedDriver(), "", WellFormedDriver(), ""},
        {"a name below the chosen module directory", "/nonexistent", TestBusDir(), "well-formed", "well-formed",
         WellFormedDriver(), ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        setenv("TVHOST_PATH", c.modulePath, 1);
        ASSERT_TRUE(TvHostSetModuleDirectory(c.moduleDirChoice.c_str()));
        ASSERT_TRUE(TvHostChooseBusDriver(c.busChoice.c_str())) << GetLastError();
        // By path, so that the library is found whatever the module directory.
        HMODULE tv = LoadLibraryA((moduleDir + "/tvcore.so").c_str());
        ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
        TvHostDriverInfo info = Info();
        EXPECT_TRUE(TvHostGetBusDriver(tv, &info)) << GetLastError();
        EXPECT_EQ(std::string(info.name), c.name);
        EXPECT_EQ(std::string(info.path), Real(c.file));
        EXPECT_EQ(std::string(info.device), c.device);
        EXPECT_EQ(info.localDevice, 0u);
        EXPECT_TRUE(FreeLibrary(tv));
    }
}

TEST_F(DriverChoice, RefusesWhatIsNotThereAndWhatIsInUse) {
    EXPECT_FALSE(TvHostChooseBusDriver("nonesuch"));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(TvHostChooseBusDriver("/nonexistent/tvbus16.so"));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(TvHostChooseBusDriver(".."));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(TvHostSetModuleDirectory(WellFormedDriver().c_str())) << "a file is no directory";
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(TvHostChooseMixerDrivers("tvmixsim, nonesuch"));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(TvHostChooseMixerDrivers(" , "));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // While the library's link stands, its bus driver cannot be changed.
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    EXPECT_FALSE(TvHostChooseBusDriver(WellFormedDriver().c_str()));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_FALSE(TvHostChooseBusDriver(nullptr)) << "going back to the module path would change it too";
    EXPECT_TRUE(FreeLibrary(tv));
    EXPECT_TRUE(TvHostChooseBusDriver(WellFormedDriver().c_str()));

    // Nor the mixer drivers while a mixer handle is open.
    ASSERT_TRUE(TvHostChooseMixerDrivers("tvmixsim"));
    HMIXER mixer = 0;
    ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_FALSE(TvHostChooseMixerDrivers("tvmixsim,tvmixsim"));
    EXPECT_EQ(GetLastError(), ERROR_BUSY);
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
    EXPECT_TRUE(TvHostChooseMixerDrivers("tvmixsim,tvmixsim"));
}

TEST_F(DriverChoice, QueriesRefuseBadRecordsHandlesAndAbsentDrivers) {
    HMODULE plain = LoadLibraryA("tvbus16.dll");  // a module without a bus link of its own
    ASSERT_NE(plain, nullptr);
    HMODULE freed = LoadLibraryA(WellFormedDriver().c_str());
    ASSERT_TRUE(FreeLibrary(freed));
    TvHostDriverInfo info = Info(), small = Info();
    small.cbStruct = sizeof small - 1;
    struct Case {
        const char *what;
        BOOL answer;
        DWORD error, expected;
    };
    // Each answer is taken with its error at once (braced lists run in
    // order): the next call sets its own.
    auto call = [](const char *what, BOOL answer, DWORD expected) {
        return Case{what, answer, GetLastError(), expected};
    };
    const Case cases[] = {
        call("no record", TvHostGetBusDriver(plain, nullptr), ERROR_INVALID_PARAMETER),
        call("a short record", TvHostGetBusDriver(plain, &small), ERROR_INVALID_PARAMETER),
        call("a module with no link", TvHostGetBusDriver(plain, &info), ERROR_NOT_FOUND),
        call("a freed handle", TvHostGetBusDriver(freed, &info), ERROR_INVALID_HANDLE),
        call("a mixer record too short", TvHostGetMixerDriver(0, &small), ERROR_INVALID_PARAMETER),
        call("a mixer device beyond the last", TvHostGetMixerDriver(99, &info), ERROR_NOT_FOUND),
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.answer);
        EXPECT_EQ(c.error, c.expected);
    }
    EXPECT_TRUE(FreeLibrary(plain));
}

// A choice takes effect at the next mixer call, also after the drivers were
// loaded; each device is named with its driver and its number there.
TEST_F(DriverChoice, MixerDevicesFollowTheChoice) {
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
    EXPECT_EQ(mixerGetNumDevs(), 1u);
    const std::string second = tvtest::ModuleDir() + "/test-mixers/second/tvmixsim.so";
    ASSERT_TRUE(TvHostChooseMixerDrivers(("tvmixsim," + second).c_str()));
    EXPECT_EQ(mixerGetNumDevs(), 2u) << "the call beats TVHOST_MIXERS";
    TvHostDriverInfo info = Info();
    ASSERT_TRUE(TvHostGetMixerDriver(1, &info));
    EXPECT_EQ(std::string(info.name), "tvmixsim");
    EXPECT_EQ(std::string(info.path), Real(second));
    EXPECT_EQ(info.localDevice, 0u);
    EXPECT_EQ(std::string(info.device), "simulated mixer device 0");
    ASSERT_TRUE(TvHostChooseMixerDrivers(nullptr));
    EXPECT_EQ(mixerGetNumDevs(), 1u) << "back to TVHOST_MIXERS";
}

}  // namespace
