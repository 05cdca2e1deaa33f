// Proof that no exported call allocates heap memory once the library is
// loaded: every call, with accepted and refused arguments, a tune that locks
// and one that does not, the I2C calls and the audio calls on the simulated
// mixer, each counted on its own while everything else in the process is
// counted too (the host library, the bus driver, the mixer driver, the C++
// runtime).
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

#include <cstdint>
#include <string>

#include "system/alloc/alloc_counter.h"
#include "bench/module_exports.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace {

using tvbench::ModuleExports;

// The application's state across the calls: its mixer record.
struct Application {
    ModuleExports tv;
    TvMixerLine line{};
};

struct Call {
    const char *name;
    void (*run)(Application &app);
};

const uint8_t kTunerBlock[4] = {0x0D, 0xD0, 0x8E, 0x02};

// In the order an application might make them; the first pass makes each
// call for the first time after load.
const Call kCalls[] = {
    {"GetTVParam(2)", [](Application &a) { a.tv.GetTVParam(TV_PARAM_CHANNEL); }},
    {"GetTVParam(0), refused", [](Application &a) { a.tv.GetTVParam(0); }},
    {"SetTVParam(1, 0) composite", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SOURCE, 0); }},
    {"SetTVParam(1, 1) S-video", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SOURCE, 1); }},
    {"SetTVParam(1, 3), refused", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SOURCE, 3); }},
    {"SetTVParam(2, 7) without a plan, refused", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CHANNEL, 7); }},
    {"SetTVParam(1, 5) tuner, broadcast", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SOURCE, 5); }},
    {"SetTVParam(2, 2) tune, locks", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CHANNEL, 2); }},
    {"SetTVParam(1, 4) tuner, cable", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SOURCE, 4); }},
    {"SetTVParam(2, 7) tune, locks", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CHANNEL, 7); }},
    {"SetTVParam(2, 3) tune, no lock", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CHANNEL, 3); }},
    {"SetTVParam(2, 126) outside the plan, refused", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CHANNEL, 126); }},
    {"SetTVParam(3, 200) brightness", [](Application &a) { a.tv.SetTVParam(TV_PARAM_BRIGHTNESS, 200); }},
    {"SetTVParam(4, 200) contrast", [](Application &a) { a.tv.SetTVParam(TV_PARAM_CONTRAST, 200); }},
    {"SetTVParam(5, 200) hue", [](Application &a) { a.tv.SetTVParam(TV_PARAM_HUE, 200); }},
    {"SetTVParam(6, 200) saturation", [](Application &a) { a.tv.SetTVParam(TV_PARAM_SATURATION, 200); }},
    {"SetTVParam(3, 256), refused", [](Application &a) { a.tv.SetTVParam(TV_PARAM_BRIGHTNESS, 256); }},
    {"SetTVParam(7, 0), refused", [](Application &a) { a.tv.SetTVParam(7, 0); }},
    {"I2C_Read(0x88, 0x00)", [](Application &a) { a.tv.I2C_Read(TV_I2C_DECODER, 0x00); }},
    {"I2C_Write(0x88, 0x0A, 0x1FE)", [](Application &a) { a.tv.I2C_Write(TV_I2C_DECODER, 0x0A, 0x1FE); }},
    {"I2C_Write(0x50, 0, 0) to no device", [](Application &a) { a.tv.I2C_Write(0x50, 0, 0); }},
    {"I2C_WriteBlk(0xC2, block, 4)", [](Application &a) { a.tv.I2C_WriteBlk(TV_I2C_TUNER, kTunerBlock, 4); }},
    {"I2C_WriteBlk(0xC2, NULL, 4)", [](Application &a) { a.tv.I2C_WriteBlk(TV_I2C_TUNER, nullptr, 4); }},
    {"InitTVAudio(record)", [](Application &a) { a.tv.InitTVAudio(&a.line); }},
    {"SetTVVol(record, 1000)", [](Application &a) { a.tv.SetTVVol(&a.line, 1000); }},
    {"GetTVVol(record)", [](Application &a) { a.tv.GetTVVol(&a.line); }},
    {"SetTVMute(record, 1)", [](Application &a) { a.tv.SetTVMute(&a.line, 1); }},
    {"GetTVMute(record)", [](Application &a) { a.tv.GetTVMute(&a.line); }},
    {"SetTVVol(record, 0x7FFFFFFF) out of bounds", [](Application &a) { a.tv.SetTVVol(&a.line, 0x7FFFFFFF); }},
    {"SetTVVol(NULL, 0), refused", [](Application &a) { a.tv.SetTVVol(nullptr, 0); }},
    {"GetTVMute(NULL), refused", [](Application &a) { a.tv.GetTVMute(nullptr); }},
};

class ExportedCallAllocations : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The simulated mixer serves the audio calls; the board file is read at load.
        setenv("TVHOST_MIXERS", "tvmixsim", 1);
        // The card and the mixer keep state files, so the proof covers the
        // read-modify-write of each change too.
        stateDir_ = tvtest::MakeTempDir("state");
        setenv("TVSIM_STATE", (stateDir_ + "/card").c_str(), 1);
        setenv("TVMIXSIM_STATE", (stateDir_ + "/mixer").c_str(), 1);
        const char *windir = getenv("TVHOST_WINDIR");
        ASSERT_NE(windir, nullptr);
        tvtest::WriteFile(std::string(windir) + "/vidcfg.ini", "[SYSTEM]\r\nBoardType = QX_KESTREL\r\n");
        HMODULE module = LoadLibraryA("tvcore.dll");
        ASSERT_NE(module, nullptr) << TvHostLastLoadError();
        ASSERT_TRUE(tvbench::ResolveExports(module, app_.tv));
        // The host starts its mixer service at the first mixer call of the
        // process: it loads the driver modules (dlopen) and asks them for
        // their devices, once, as the platform's multimedia library does when
        // it starts. That start-up allocates; it is made here, before the
        // proof, as it would be by any earlier mixer use in the process.
        ASSERT_GE(mixerGetNumDevs(), 1u);
    }

    static void TearDownTestSuite() {
        if (app_.tv.module != nullptr) FreeLibrary(app_.tv.module);
        app_ = Application{};
        setenv("TVSIM_STATE", "off", 1);
        setenv("TVMIXSIM_STATE", "off", 1);
    }

    static Application app_;
    static std::string stateDir_;
};

Application ExportedCallAllocations::app_;
std::string ExportedCallAllocations::stateDir_;

TEST_F(ExportedCallAllocations, NoCallAllocatesFromTheFirstCallAfterLoadOn) {
    for (const char *pass : {"first call after load", "repeated call"}) {
        for (const Call &call : kCalls) {
            tvtest::ArmAllocationCounter();
            call.run(app_);
            uint64_t allocations = tvtest::DisarmAllocationCounter();
            EXPECT_EQ(allocations, 0u) << call.name << " (" << pass << ", counted by "
                                       << tvtest::AllocationCounterKind() << ")";
        }
    }
    // The calls did what they were asked, so the proof covers working paths.
    EXPECT_EQ(app_.tv.GetTVParam(TV_PARAM_CHANNEL), 3);
    EXPECT_EQ(app_.tv.InitTVAudio(&app_.line), 1u);
    EXPECT_EQ(app_.tv.SetTVVol(&app_.line, 1234), 0u);
    EXPECT_EQ(app_.tv.GetTVVol(&app_.line), 1234u);
    EXPECT_EQ(tvtest::ReadFile(stateDir_ + "/card").size(), 277u);  // the changes were saved
    EXPECT_FALSE(tvtest::ReadFile(stateDir_ + "/mixer").empty());
}

// The host services on the calls' paths, each on its own, so that an
// allocation can be told from the library's own: the tune's pause, the
// block translation, an open mixer, and debug output sent to a file (the
// "No Mixers Found" line of InitTVAudio, the entry routine's lines).
TEST(HostServiceAllocations, ServicesOnTheCallPathsAllocateNothing) {
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
    ASSERT_GE(mixerGetNumDevs(), 1u);  // the mixer service's one-time start, outside the count
    const std::string debugFile = tvtest::MakeTempDir("debug") + "/a-debug-file-with-a-long-name.txt";
    const struct {
        const char *service;
        void (*use)();
    } cases[] = {
        {"CreateSemaphoreA, WaitForSingleObject(0), CloseHandle",
         [] {
             HANDLE pause = CreateSemaphoreA(nullptr, 0, 1, nullptr);
             WaitForSingleObject(pause, 0);
             CloseHandle(pause);
         }},
        {"SMapLS_IP_EBP_12, MapSL, SUnMapLS_IP_EBP_12",
         [] {
             static const uint8_t block[4] = {};
             DWORD value = SMapLS_IP_EBP_12(block);
             MapSL(value);
             SUnMapLS_IP_EBP_12(value);
         }},
        {"mixerOpen, mixerClose",
         [] {
             HMIXER mixer = 0;
             if (mixerOpen(&mixer, 0, 0, 0, CALLBACK_WINDOW) == MMSYSERR_NOERROR) mixerClose(mixer);
         }},
        {"OutputDebugStringA to a file", [] { OutputDebugStringA("No Mixers Found"); }},
    };
    setenv("TVHOST_DEBUG", debugFile.c_str(), 1);
    for (const auto &c : cases) {
        c.use();  // a first use outside the count: the statics of the service exist
        tvtest::ArmAllocationCounter();
        c.use();
        EXPECT_EQ(tvtest::DisarmAllocationCounter(), 0u) << c.service;
    }
    unsetenv("TVHOST_DEBUG");
    EXPECT_EQ(tvtest::ReadFile(debugFile), "No Mixers FoundNo Mixers Found");
    EXPECT_EQ(TvHostOpenHandleCount(), 0u);
    EXPECT_EQ(TvHostLiveTranslations(), 0u);
}

// The counter must see an allocation wherever in the process it happens;
// otherwise the proof above could pass by seeing nothing.
TEST(AllocationCounter, SeesAllocationsInEveryPartOfTheProcess) {
    const struct {
        const char *where;
        void (*allocate)();
    } cases[] = {
        {"operator new in the program",
         [] {
             // Kept in a volatile pointer, so the compiler cannot leave the pair out.
             static std::string *volatile kept;
             kept = new std::string(100, 'x');
             delete kept;
         }},
        {"the C library (strdup)", [] { free(strdup("a string for the heap")); }},
        {"the host library (module lookup)", [] { LoadLibraryA("no-such-module-with-a-long-name.dll"); }},
        {"the dynamic linker (a failed dlopen's message)",
         [] { dlopen("/nonexistent/tvcore-test-no-such-module.so", RTLD_NOW | RTLD_LOCAL); }},
    };
    for (const auto &c : cases) {
        tvtest::ArmAllocationCounter();
        c.allocate();
        EXPECT_GT(tvtest::DisarmAllocationCounter(), 0u) << c.where;
    }
}

}  // namespace
