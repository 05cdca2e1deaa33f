// The library's life in a process, end to end: LoadLibraryA("tvcore.dll")
// on the simulated card and the simulated mixer, thread notifications, and
// FreeLibrary. What the entry routine says, what it refuses, what it
// touches (bus, board file, mixer) and what it leaves behind.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/host_tables.h"
#include "support/test_env.h"
#include "tvcore.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/win32.h"
#include "tvmixsim.h"
#include "tvsim.h"

namespace {

constexpr char kEntryLine[] = "\n\rIn DLLEntryPoint: DllMain\r\n";
constexpr char kFailedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n";
constexpr char kConnectedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret TRUE\r\n";

// What one notification with a standing link writes.
std::string Connected() { return std::string(kEntryLine) + kConnectedLine; }

template <typename Function>
Function Export(void *library, const char *name) {
    void *address = dlsym(library, name);
    if (address == nullptr) ADD_FAILURE() << "missing export " << name;
    return reinterpret_cast<Function>(address);
}

template <typename Function>
Function Export(HMODULE module, const char *name) {
    FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) ADD_FAILURE() << "missing export " << name;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// The simulated card and mixer, reached the way their headers describe: the
// same module files, opened once for the whole test program, so the instance
// the library talks to is the one the test inspects.
struct SimulatedHardware {
    void *card = dlopen((tvtest::ModuleDir() + "/tvbus16.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void *mixer = dlopen((tvtest::ModuleDir() + "/tvmixsim.so").c_str(), RTLD_NOW | RTLD_LOCAL);

    decltype(&TvSimLogTotal) logTotal = Export<decltype(&TvSimLogTotal)>(card, "TvSimLogTotal");
    decltype(&TvSimLogClear) logClear = Export<decltype(&TvSimLogClear)>(card, "TvSimLogClear");
    decltype(&TvSimPowerOn) powerOn = Export<decltype(&TvSimPowerOn)>(card, "TvSimPowerOn");
    decltype(&TvSimRestoreDefaults) restoreDefaults =
        Export<decltype(&TvSimRestoreDefaults)>(card, "TvSimRestoreDefaults");
    decltype(&TvSimSetBusAvailable) setBusAvailable =
        Export<decltype(&TvSimSetBusAvailable)>(card, "TvSimSetBusAvailable");
    decltype(&TvSimDecoderRegisters) decoderRegisters =
        Export<decltype(&TvSimDecoderRegisters)>(card, "TvSimDecoderRegisters");

    decltype(&TvMixSimCallCount) callCount = Export<decltype(&TvMixSimCallCount)>(mixer, "TvMixSimCallCount");
    decltype(&TvMixSimGetCall) getCall = Export<decltype(&TvMixSimGetCall)>(mixer, "TvMixSimGetCall");
    decltype(&TvMixSimClearCalls) clearCalls = Export<decltype(&TvMixSimClearCalls)>(mixer, "TvMixSimClearCalls");
    decltype(&TvMixSimReconfigure) reconfigure =
        Export<decltype(&TvMixSimReconfigure)>(mixer, "TvMixSimReconfigure");

    uint8_t DecoderRegister(uint8_t reg) {
        uint8_t registers[256];
        decoderRegisters(registers);
        return registers[reg];
    }

    std::vector<TvMixSimCall> MixerCalls() {
        std::vector<TvMixSimCall> calls(callCount());
        for (uint32_t i = 0; i < calls.size(); ++i) getCall(i, &calls[i]);
        return calls;
    }
};

SimulatedHardware &Hardware() {
    static SimulatedHardware hardware;
    return hardware;
}

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Hardware().card, nullptr) << dlerror();
        ASSERT_NE(Hardware().mixer, nullptr) << dlerror();
        for (const char *setting : {"TVSIM_BUS", "TVSIM_STATIONS", "TVSIM_SETTLE_MS", "TVMIXSIM_DEVICES",
                                    "TVMIXSIM_NO_AUX", "TVMIXSIM_NO_VOLUME", "TVMIXSIM_NO_MUTE",
                                    "TVMIXSIM_OPEN_RESULT"})
            unsetenv(setting);
        setenv("TVHOST_MIXERS", "tvmixsim", 1);
        Hardware().restoreDefaults();
        Hardware().powerOn();
        Hardware().logClear();
        Hardware().reconfigure();
        TvHostMixerReset();
        windir_ = getenv("TVHOST_WINDIR");
        log_ = tvtest::MakeTempDir("lifecycle") + "/debug.log";
        setenv("TVHOST_DEBUG", log_.c_str(), 1);
    }
    void TearDown() override {
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u) << "a test left a module loaded";
        std::filesystem::remove(windir_ + "/vidcfg.ini");
        TvHostMixerReset();
        tvtest::UseBuildTreeHost();
        unsetenv("TVHOST_MIXERS");
    }
    std::string DebugLog() const { return tvtest::ReadFile(log_); }

    std::string windir_;
    std::string log_;
};

TEST_F(Lifecycle, LoadThreadNotificationsAndUnloadSayTheirLines) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    EXPECT_EQ(DebugLog(), Connected());

    auto setParam = Export<PFN_SetTVParam>(tv, "SetTVParam");
    auto getParam = Export<PFN_GetTVParam>(tv, "GetTVParam");
    ASSERT_EQ(setParam(TV_PARAM_BRIGHTNESS, 200), TV_OK);
    uint64_t traffic = Hardware().logTotal();

    std::thread worker([] {
        EXPECT_EQ(TvHostThreadAttach(), 1u);
        EXPECT_EQ(TvHostThreadDetach(), 1u);
    });
    worker.join();
    EXPECT_EQ(DebugLog(), Connected() + Connected() + Connected());
    EXPECT_EQ(getParam(TV_PARAM_BRIGHTNESS), 200) << "a thread notification changes no state";
    EXPECT_EQ(Hardware().logTotal(), traffic) << "and sends nothing to the card";
    EXPECT_EQ(setParam(TV_PARAM_HUE, 10), TV_OK) << "the link still stands";

    EXPECT_TRUE(FreeLibrary(tv));
    EXPECT_EQ(DebugLog(), Connected() + Connected() + Connected() + Connected());
}

TEST_F(Lifecycle, LoadIsRefusedWhenTheBusCannotBeConnected) {
    // The library module alone on the module path: no bus driver to link to.
    std::string lonely = tvtest::MakeTempDir("no-bus");
    std::filesystem::create_symlink(tvtest::ModuleDir() + "/tvcore.so", lonely + "/tvcore.so");

    struct Case {
        const char *what;
        const char *modulePath;
        const char *busSetting;
        const char *loadError;  // how TvHostLastLoadError() ends, after the library's file
    } cases[] = {
        {"bus driver absent", lonely.c_str(), nullptr,
         "tvcore.so: the entry routine refused the load (module not found on the module path: tvbus16.dll)"},
        {"bus unavailable", nullptr, "unavailable",
         "tvcore.so: the bus driver refused: TVSIM_BUS=unavailable: the simulated card's bus is switched off"},
    };
    for (const Case &c : cases) {
        std::filesystem::remove(log_);
        if (c.modulePath != nullptr) setenv("TVHOST_PATH", c.modulePath, 1);
        if (c.busSetting != nullptr) setenv("TVSIM_BUS", c.busSetting, 1);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA("tvcore.dll"), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED) << c.what;
        std::string loadError = TvHostLastLoadError();
        EXPECT_TRUE(loadError.ends_with(c.loadError)) << c.what << ": " << loadError;
        EXPECT_EQ(DebugLog(), std::string(kEntryLine) + kFailedLine) << c.what;
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u) << c.what;
        EXPECT_EQ(Hardware().logTotal(), 0u) << c.what;
        tvtest::UseBuildTreeHost();
        setenv("TVHOST_DEBUG", log_.c_str(), 1);
        unsetenv("TVSIM_BUS");
        Hardware().restoreDefaults();
    }
}

TEST_F(Lifecycle, LoadAndUnloadSendNothingToTheCardOrMixer) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    EXPECT_EQ(Hardware().logTotal(), 0u) << "nothing is written to the card at load";
    EXPECT_TRUE(FreeLibrary(tv));
    EXPECT_EQ(Hardware().logTotal(), 0u);
    EXPECT_EQ(Hardware().MixerCalls().size(), 0u) << "unload without InitTVAudio touches no mixer";
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
}

TEST_F(Lifecycle, DlopenAloneRunsNoEntryRoutine) {
    void *library = dlopen((tvtest::ModuleDir() + "/tvcore.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    dlclose(library);
    EXPECT_EQ(DebugLog(), "");
    EXPECT_EQ(Hardware().logTotal(), 0u);
}

TEST_F(Lifecycle, BoardFileIsAppliedAtEachLoad) {
    struct Case {
        const char *boardFile;  // nullptr: no file
        uint32_t source;
        uint8_t mux;
    } cases[] = {
        {"[SYSTEM]\r\nBoardType = QX_KESTREL\r\n", TV_SOURCE_COMPOSITE, 0x40},
        {"[SYSTEM]\r\nBoardType = QX_KESTREL\r\n", TV_SOURCE_TUNER_CABLE, 0x60},
        {nullptr, TV_SOURCE_COMPOSITE, 0x60},  // the next load starts from the defaults again
        {nullptr, TV_SOURCE_TUNER_CABLE, 0x20},
        {"[SYSTEM]\nBoardType=STANDARD\n", TV_SOURCE_TUNER_BROADCAST, 0x20},
    };
    for (const Case &c : cases) {
        if (c.boardFile != nullptr)
            tvtest::WriteFile(windir_ + "/vidcfg.ini", c.boardFile);
        else
            std::filesystem::remove(windir_ + "/vidcfg.ini");
        HMODULE tv = LoadLibraryA("tvcore.dll");
        ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
        auto setParam = Export<PFN_SetTVParam>(tv, "SetTVParam");
        EXPECT_EQ(setParam(TV_PARAM_SOURCE, c.source), TV_OK);
        EXPECT_EQ(Hardware().DecoderRegister(0x01) & 0x60, c.mux)
            << (c.boardFile ? c.boardFile : "no file") << " source " << c.source;
        EXPECT_TRUE(FreeLibrary(tv));
    }
}

// Another dlopen keeps tvcore.so mapped between a FreeLibrary and the next
// LoadLibraryA: the next load must still start from the load values, read
// the board file again and not close the previous load's mixer a second time.
TEST_F(Lifecycle, EveryLoadStartsFromTheLoadValuesWhileTheModuleStaysMapped) {
    void *held = dlopen((tvtest::ModuleDir() + "/tvcore.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(held, nullptr) << dlerror();
    tvtest::WriteFile(windir_ + "/vidcfg.ini", "[SYSTEM]\r\nBoardType = QX_KESTREL\r\n");
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    auto setParam = Export<decltype(&SetTVParam)>(tv, "SetTVParam");
    auto initAudio = Export<decltype(&InitTVAudio)>(tv, "InitTVAudio");
    ASSERT_EQ(setParam(TV_PARAM_BRIGHTNESS, 200), TV_OK);
    setParam(TV_PARAM_CHANNEL, 7);  // locked or not, the channel is stored
    TvMixerLine line{};
    ASSERT_EQ(initAudio(&line), 1u);
    ASSERT_TRUE(FreeLibrary(tv));
    std::filesystem::remove(windir_ + "/vidcfg.ini");

    tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    auto getParam = Export<decltype(&GetTVParam)>(tv, "GetTVParam");
    setParam = Export<decltype(&SetTVParam)>(tv, "SetTVParam");
    EXPECT_EQ(getParam(TV_PARAM_BRIGHTNESS), 128);
    EXPECT_EQ(getParam(TV_PARAM_CHANNEL), 0);
    EXPECT_EQ(setParam(TV_PARAM_SOURCE, TV_SOURCE_COMPOSITE), TV_OK);
    EXPECT_EQ(Hardware().DecoderRegister(0x01) & 0x60, 0x60) << "the standard board: the file is gone";
    Hardware().clearCalls();
    EXPECT_TRUE(FreeLibrary(tv));
    EXPECT_TRUE(Hardware().MixerCalls().empty()) << "this load opened no mixer, so its unload closes none";
    dlclose(held);
}

TEST_F(Lifecycle, UnloadClosesOnlyTheLatestMixerOpen) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    auto initAudio = Export<PFN_InitTVAudio>(tv, "InitTVAudio");
    uint32_t handlesBefore = TvHostOpenMixerHandles();
    TvMixerLine first{}, second{};
    ASSERT_EQ(initAudio(&first), 1u);
    ASSERT_EQ(initAudio(&second), 1u);
    ASSERT_NE(first.mixerHandle, second.mixerHandle);
    EXPECT_EQ(TvHostOpenMixerHandles(), handlesBefore + 2);

    uint32_t secondInstance = 0, opens = 0;
    for (const TvMixSimCall &call : Hardware().MixerCalls())
        if (call.message == MXDM_OPEN && call.result == MMSYSERR_NOERROR && ++opens == 2)
            secondInstance = call.instance;
    ASSERT_EQ(opens, 2u);

    Hardware().clearCalls();
    EXPECT_TRUE(FreeLibrary(tv));
    std::vector<TvMixSimCall> calls = Hardware().MixerCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, MXDM_CLOSE);
    EXPECT_EQ(calls[0].instance, secondInstance);
    EXPECT_EQ(TvHostOpenMixerHandles(), handlesBefore + 1) << "the first record's handle stays open";

    EXPECT_EQ(mixerClose(second.mixerHandle), MMSYSERR_INVALHANDLE) << "already closed by the unload";
    EXPECT_EQ(mixerClose(first.mixerHandle), MMSYSERR_NOERROR);
}

TEST_F(Lifecycle, LinkLostAfterLoadFailsLaterNotificationsButUnloadStillClosesTheMixer) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    TvMixerLine line{};
    ASSERT_EQ(Export<PFN_InitTVAudio>(tv, "InitTVAudio")(&line), 1u);
    uint32_t handlesOpen = TvHostOpenMixerHandles();

    Hardware().setBusAvailable(0);  // the re-check at the next notification finds no bus
    std::thread([] { TvHostThreadAttach(); }).join();
    std::string failed = std::string(kEntryLine) + kFailedLine;
    EXPECT_EQ(DebugLog(), Connected() + failed);
    EXPECT_EQ(Export<PFN_I2C_Read>(tv, "I2C_Read")(TV_I2C_DECODER, 0), TV_I2C_NO_LINK)
        << "nothing crosses a link that no longer stands";

    Hardware().clearCalls();
    EXPECT_TRUE(FreeLibrary(tv));
    EXPECT_EQ(DebugLog(), Connected() + failed + failed);
    std::vector<TvMixSimCall> calls = Hardware().MixerCalls();
    ASSERT_EQ(calls.size(), 1u) << "the module's mixer is closed at unload all the same";
    EXPECT_EQ(calls[0].message, MXDM_CLOSE);
    EXPECT_EQ(TvHostOpenMixerHandles(), handlesOpen - 1);
}

TEST_F(Lifecycle, ThousandLoadsLeaveNothingBehind) {
    unsetenv("TVHOST_DEBUG");
    tvtest::WriteFile(windir_ + "/vidcfg.ini", "[SYSTEM]\nBoardType=QX_KESTREL\n");  // the read path too
    // Everything a load and unload take from the process, counted.
    const uint32_t fds = tvtest::OpenFdCount();
    const tvtest::HostTables tables = tvtest::HostTables::Now();
    for (int round = 0; round < 1000; ++round) {
        HMODULE tv = LoadLibraryA("tvcore.dll");
        ASSERT_NE(tv, nullptr) << "round " << round << ": " << TvHostLastLoadError();
        if (round % 2 == 1) {  // every other round opens the mixer, which the unload must close
            TvMixerLine line{};
            ASSERT_EQ(Export<PFN_InitTVAudio>(tv, "InitTVAudio")(&line), 1u) << "round " << round;
        }
        ASSERT_TRUE(FreeLibrary(tv)) << "round " << round;
    }
    EXPECT_EQ(tvtest::OpenFdCount(), fds);
    EXPECT_EQ(tvtest::HostTables::Now(), tables);
}

}  // namespace
