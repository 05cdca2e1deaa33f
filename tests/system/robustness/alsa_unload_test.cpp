// The ALSA mixer driver shares alsa-lib with the program that loads it: a
// host program may use alsa-lib itself, on other threads, before, during
// and after the driver's life. The driver therefore never frees alsa-lib's
// process-wide state (its global configuration) when it is let go.
//
// The driver as built stays in memory once loaded (the toolchain marks it
// not unloadable), so its teardown would only run at exit; these tests use
// a copy built to be unloadable, so that every reset really unloads it and
// whatever its teardown does happens under the test's eyes.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <string>
#include <thread>

#include "harness.h"
#include "support/test_env.h"
#include "tvhost/diag.h"

namespace {

bool DriverLoaded() {
    void *module = dlopen(TVCORE_TEST_UNLOADABLE_ALSA_DRIVER, RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) dlclose(module);
    return module != nullptr;
}

class AlsaShared : public ::testing::Test {
protected:
    void SetUp() override {
        robust::UseSimulatedHardware();
        std::string dir = tvtest::MakeTempDir("alsa-shared");
        std::string config = dir + "/asound.conf";
        tvtest::WriteFile(config, "ctl_type.tvtest { lib \"" TVCORE_TEST_ALSA_PLUGIN "\" }\n"
                                  "ctl.tvtest { type tvtest state \"" + dir + "/card\" }\n");
        setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
        setenv("TVMIXALSA_DEVICES", "tvtest", 1);
        setenv("TVHOST_MIXERS", TVCORE_TEST_UNLOADABLE_ALSA_DRIVER, 1);
        TvHostMixerReset();
        ASSERT_GE(snd_config_update(), 0);
        ASSERT_NE(snd_config, nullptr);
    }
    void TearDown() override {
        TvHostMixerReset();
        robust::UseSimulatedHardware();
    }

    // The driver at work: opened, asked, closed, and let go by the host.
    static void UseAndLetGoOfTheDriver() {
        HMIXER mixer = 0;
        ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NOERROR);
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
        EXPECT_EQ(mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE),
                  MMSYSERR_NOERROR);
        EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
        EXPECT_TRUE(DriverLoaded());
        TvHostMixerReset();
        EXPECT_FALSE(DriverLoaded()) << "the reset unloaded the driver";
    }

    // What the program does with alsa-lib on its own.
    static bool ProgramUsesAlsa() {
        snd_config_t *node = nullptr;
        if (snd_config_search(snd_config, "ctl.tvtest", &node) != 0) return false;
        snd_ctl_t *ctl = nullptr;
        if (snd_ctl_open(&ctl, "tvtest", 0) != 0) return false;
        snd_ctl_close(ctl);
        return true;
    }
};

TEST_F(AlsaShared, TheProgramsOwnAlsaUseOnAnotherThreadIsUndisturbed) {
    snd_config_t *before = snd_config;
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0}, uses{0};
    std::thread program([&] {
        while (!stop.load() || uses.load() < 20) {
            if (!ProgramUsesAlsa()) ++failures;
            ++uses;
        }
    });
    for (int round = 0; round < 20; ++round) UseAndLetGoOfTheDriver();
    stop = true;
    program.join();
    EXPECT_GT(uses.load(), 0);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(snd_config, before) << "the driver left alsa-lib's global configuration alone";
    EXPECT_TRUE(ProgramUsesAlsa());
}

TEST_F(AlsaShared, EachUnloadLeavesTheProgramsConfiguration) {
    snd_config_t *before = snd_config;
    for (int round = 0; round < 3; ++round) {
        UseAndLetGoOfTheDriver();
        EXPECT_EQ(snd_config, before) << "round " << round;
        EXPECT_TRUE(ProgramUsesAlsa()) << "round " << round;
    }
}

}  // namespace
