// Conformance of the host's mixer functions with the documented Windows
// answers, over the simulated mixer (two devices): opens by number and by
// handle, callback kinds, line queries by handle and by number, bad handles,
// sizes and flags. Where the host answers otherwise on purpose, the case
// says so (docs/bad-input.md lists each difference with its reason).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <utility>

#include "support/sim_mixer_client.h"
#include "support/test_env.h"
#include "tvhost/diag.h"

namespace {

class ConformanceMixer : public ::testing::Test {
protected:
    void SetUp() override {
        tvtest::UseSimMixer({{"TVMIXSIM_DEVICES", "2"}});
        ASSERT_EQ(mixerOpen(&open_, 1, 0, 0, 0), MMSYSERR_NOERROR);
    }
    void TearDown() override {
        EXPECT_EQ(mixerClose(open_), MMSYSERR_NOERROR);
        TvHostMixerReset();
        EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
    }
    HMIXER open_ = 0;
};

TEST_F(ConformanceMixer, OpenAnswers) {
    struct Case {
        const char *what;
        UINT id;  // kOpen: the fixture's open handle
        DWORD_PTR callback;
        DWORD flags;
        MMRESULT result;
    };
    constexpr UINT kOpen = 0xFFFFFFFFu;
    const Case cases[] = {
        {"device 0, no callback", 0, 0, CALLBACK_NULL, MMSYSERR_NOERROR},
        {"window 0", 0, 0, CALLBACK_WINDOW, MMSYSERR_NOERROR},
        {"thread 0 (Windows 2000 on)", 0, 0, CALLBACK_THREAD, MMSYSERR_NOERROR},
        {"event 0 (Windows 2000 on)", 0, 0, CALLBACK_EVENT, MMSYSERR_NOERROR},
        {"an open handle with MIXER_OBJECTF_HMIXER", kOpen, 0, MIXER_OBJECTF_HMIXER, MMSYSERR_NOERROR},
        // Differs from Windows on purpose: the host's mixer contract keeps
        // handles and device numbers apart, so a handle given as a device
        // number is refused (Windows serves it through the handle).
        {"an open handle with MIXER_OBJECTF_MIXER", kOpen, 0, MIXER_OBJECTF_MIXER, MMSYSERR_BADDEVICEID},
        {"device out of range", 2, 0, 0, MMSYSERR_BADDEVICEID},
        {"a device number with MIXER_OBJECTF_HMIXER", 0, 0, MIXER_OBJECTF_HMIXER, MMSYSERR_INVALHANDLE},
        {"a wave-out object", 0, 0, MIXER_OBJECTF_WAVEOUT, MMSYSERR_INVALFLAG},
        {"an unknown flag bit", 0, 0, 0x00000100u, MMSYSERR_INVALFLAG},
        {"function callbacks are not offered for mixers", 0, 0, CALLBACK_FUNCTION, MMSYSERR_INVALFLAG},
        // Differs from Windows on purpose: the host sends no mixer
        // notifications, so a window, thread or event to notify is refused
        // rather than silently never told.
        {"a window to notify", 0, 0x42, CALLBACK_WINDOW, MMSYSERR_INVALPARAM},
        {"a thread to notify", 0, 0x42, CALLBACK_THREAD, MMSYSERR_INVALPARAM},
        {"an event to signal", 0, 0x42, CALLBACK_EVENT, MMSYSERR_INVALPARAM},
    };
    for (const Case &c : cases) {
        HMIXER handle = 0xABCDu;
        MMRESULT result = mixerOpen(&handle, c.id == kOpen ? open_ : c.id, c.callback, 0, c.flags);
        EXPECT_EQ(result, c.result) << c.what;
        if (result == MMSYSERR_NOERROR) {
            EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR) << c.what;
        } else {
            EXPECT_EQ(handle, 0xABCDu) << c.what << ": written on a refusal";
        }
    }
    EXPECT_EQ(mixerOpen(nullptr, 0, 0, 0, 0), MMSYSERR_INVALPARAM);
}

TEST_F(ConformanceMixer, LineQueryAnswers) {
    struct Case {
        const char *what;
        HMIXEROBJ object;
        DWORD flags;
        DWORD cbStruct;
        MMRESULT result;
    };
    constexpr DWORD kByType = MIXER_GETLINEINFOF_COMPONENTTYPE;
    const Case cases[] = {
        {"by handle", open_, MIXER_OBJECTF_HMIXER | kByType, sizeof(MIXERLINEA), MMSYSERR_NOERROR},
        // Differs from Windows on purpose, as for mixerOpen.
        {"a handle with MIXER_OBJECTF_MIXER", open_, MIXER_OBJECTF_MIXER | kByType, sizeof(MIXERLINEA),
         MMSYSERR_BADDEVICEID},
        {"by device number", 0, MIXER_OBJECTF_MIXER | kByType, sizeof(MIXERLINEA), MMSYSERR_NOERROR},
        {"a larger cbStruct", 0, kByType, sizeof(MIXERLINEA) + 8, MMSYSERR_NOERROR},
        {"a device number with MIXER_OBJECTF_HMIXER", 0, MIXER_OBJECTF_HMIXER | kByType, sizeof(MIXERLINEA),
         MMSYSERR_INVALHANDLE},
        {"a made-up handle", 0x12345678u, MIXER_OBJECTF_HMIXER | kByType, sizeof(MIXERLINEA), MMSYSERR_INVALHANDLE},
        {"device out of range", 2, kByType, sizeof(MIXERLINEA), MMSYSERR_BADDEVICEID},
        {"cbStruct short", open_, MIXER_OBJECTF_HMIXER | kByType, sizeof(MIXERLINEA) - 1, MMSYSERR_INVALPARAM},
        {"cbStruct 0", open_, MIXER_OBJECTF_HMIXER | kByType, 0, MMSYSERR_INVALPARAM},
        {"an unknown query", open_, MIXER_OBJECTF_HMIXER | 5, sizeof(MIXERLINEA), MMSYSERR_INVALFLAG},
        {"an aux object", 0, MIXER_OBJECTF_AUX | kByType, sizeof(MIXERLINEA), MMSYSERR_INVALFLAG},
    };
    for (const Case &c : cases) {
        struct {
            MIXERLINEA line;
            char room[8];
        } buffer{};
        buffer.line.cbStruct = c.cbStruct;
        buffer.line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
        buffer.line.dwUser = 0x1234;
        EXPECT_EQ(mixerGetLineInfoA(c.object, &buffer.line, c.flags), c.result) << c.what;
        if (c.result == MMSYSERR_NOERROR) {
            EXPECT_EQ(buffer.line.dwUser, 0u) << c.what;
        }
    }
    EXPECT_EQ(mixerGetLineInfoA(open_, nullptr, MIXER_OBJECTF_HMIXER | kByType), MMSYSERR_INVALPARAM);
}

TEST_F(ConformanceMixer, CloseAnswers) {
    HMIXER handle = 0;
    ASSERT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR);
    for (HMIXER bad : {handle, HMIXER{0}, HMIXER{1} /* a device number */, HMIXER{0xFFFFFFFFu}})
        EXPECT_EQ(mixerClose(bad), MMSYSERR_INVALHANDLE) << bad;
}

// A driver may keep its own data in dwUser; the caller gets the line with
// dwUser cleared, whatever the driver wrote.
TEST(ConformanceMixerDriver, LineComesBackWithDwUserCleared) {
    tvtest::UseSimMixer({}, tvtest::ModuleDir() + "/test-mixers/tvmixuserdata.so");
    ASSERT_EQ(mixerGetNumDevs(), 1u);
    HMIXER handle = 0;
    ASSERT_EQ(mixerOpen(&handle, 0, 0, 0, 0), MMSYSERR_NOERROR);
    const std::pair<HMIXEROBJ, DWORD> objects[] = {{HMIXEROBJ{handle}, MIXER_OBJECTF_HMIXER},
                                                   {HMIXEROBJ{0}, MIXER_OBJECTF_MIXER}};
    for (auto [object, type] : objects) {
        MIXERLINEA line{};
        line.cbStruct = sizeof line;
        line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
        line.dwUser = 0x1234;
        ASSERT_EQ(mixerGetLineInfoA(object, &line, type | MIXER_GETLINEINFOF_COMPONENTTYPE), MMSYSERR_NOERROR);
        EXPECT_EQ(line.dwLineID, 0x00050000u) << "the driver's answer arrived";
        EXPECT_EQ(line.dwUser, 0u);
    }
    EXPECT_EQ(mixerClose(handle), MMSYSERR_NOERROR);
    TvHostMixerReset();
    unsetenv("TVHOST_MIXERS");
}

}  // namespace
