// The connect step of the bus link, on blocks of the test's own, against
// the simulated card and against test drivers with one flaw each.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

#include "support/driver_words.h"
#include "support/simcard_access.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace {

const char *const kPartner = "thk_ThunkData16";
const char *const kModule16 = "tvbus16.dll";

BOOL Connect(ThunkData32 &block, DWORD reason) {
    return ThunkConnect32(&block, kPartner, kModule16, "tvcore.dll", nullptr, reason);
}

std::string TestDriverDir(const std::string &flaw) { return tvtest::ModuleDir() + "/test-bus-drivers/" + flaw; }

// Whether the process still has the module loaded (by anyone).
bool IsLoaded(const std::string &file) {
    void *module = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (module != nullptr) dlclose(module);
    return module != nullptr;
}

// The well-formed test driver's knobs and records, reached through a
// reference of the test's own (which keeps the module loaded while held).
struct TestDriver {
    void *module;
    int32_t *answer;
    uint32_t *calls;
    uint32_t *reasons;

    explicit TestDriver(int flags = 0) {
        module = dlopen(File().c_str(), RTLD_NOW | flags);
        answer = module ? static_cast<int32_t *>(dlsym(module, "testConnectAnswer")) : nullptr;
        calls = module ? static_cast<uint32_t *>(dlsym(module, "testConnectCalls")) : nullptr;
        reasons = module ? static_cast<uint32_t *>(dlsym(module, "testConnectReasons")) : nullptr;
    }
    ~TestDriver() {
        if (module != nullptr) dlclose(module);
    }
    std::vector<uint32_t> Reasons() const { return std::vector<uint32_t>(reasons, reasons + *calls); }
    static std::string File() { return TestDriverDir("well-formed") + "/tvbus16.so"; }
};

class ThunkConnect : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("TVSIM_BUS");
        tvtest::UseBuildTreeHost();
        tvtest::SimCard().RestoreDefaults();
    }
    void UseModuleDir(const std::string &dir) { setenv("TVHOST_PATH", dir.c_str(), 1); }
    // Links `block` (as THUNK_DATA32_INIT makes it) to the well-formed test driver.
    bool LinkTestDriver(ThunkData32 &block) {
        UseModuleDir(TestDriverDir("well-formed"));
        return Connect(block, DLL_PROCESS_ATTACH);
    }
};

TEST_F(ThunkConnect, LinksToTheSimulatedCardAndLetsGoAtDetach) {
    const tvtest::SimCardApi &card = tvtest::SimCard();
    card.PowerOn();
    ThunkData32 block = THUNK_DATA32_INIT;
    ASSERT_TRUE(Connect(block, DLL_PROCESS_ATTACH));
    EXPECT_EQ(block.linked, 1u);
    void *simcard = dlopen((tvtest::ModuleDir() + "/tvbus16.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(simcard, nullptr);
    EXPECT_EQ(block.partner, dlsym(simcard, kPartner));
    dlclose(simcard);
    EXPECT_EQ(block.partner->read(0x88, 0x01), 0xA9u) << "the power-on input register";

    EXPECT_TRUE(Connect(block, DLL_PROCESS_DETACH));
    EXPECT_EQ(block.linked, 0u);
    EXPECT_EQ(block.partner, nullptr);
    EXPECT_EQ(block.module16, nullptr);
    EXPECT_FALSE(Connect(block, DLL_PROCESS_DETACH)) << "no link stood any more";
}

TEST_F(ThunkConnect, RefusesMalformedArgumentsWithoutTouchingTheBlock) {
    ThunkData32 foreign = {{'X', 'S', '0', '1'}, 0u, nullptr, nullptr};
    EXPECT_FALSE(Connect(foreign, DLL_PROCESS_ATTACH));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(foreign.linked, 0u);
    EXPECT_EQ(foreign.partner, nullptr);
    EXPECT_FALSE(ThunkConnect32(nullptr, kPartner, kModule16, "tvcore.dll", nullptr, DLL_PROCESS_ATTACH));
    ThunkData32 block = THUNK_DATA32_INIT;
    EXPECT_FALSE(ThunkConnect32(&block, nullptr, kModule16, "tvcore.dll", nullptr, DLL_PROCESS_ATTACH));
    EXPECT_FALSE(ThunkConnect32(&block, kPartner, nullptr, "tvcore.dll", nullptr, DLL_PROCESS_ATTACH));
    EXPECT_EQ(block.linked, 0u);
}

TEST_F(ThunkConnect, ADriverThatCannotBeLoadedFailsAsTheLoaderSays) {
    std::string textDir = tvtest::MakeTempDir("text-driver");
    tvtest::WriteFile(textDir + "/tvbus16.so", "not a module\n");
    struct Case {
        const char *what;
        std::string dir;  // the module path; empty: the build tree's
        const char *block;
        DWORD error;
        const char *words;
    } cases[] = {
        {"no driver", tvtest::MakeTempDir("no-drivers"), kPartner, ERROR_MOD_NOT_FOUND, "module not found"},
        {"no shared object", textDir, kPartner, ERROR_BAD_EXE_FORMAT, "not a shared object"},
        {"no such block", "", "thk_NoSuchBlock", ERROR_PROC_NOT_FOUND, "exports no thk_NoSuchBlock"},
    };
    for (const Case &c : cases) {
        if (c.dir.empty())
            tvtest::UseBuildTreeHost();
        else
            UseModuleDir(c.dir);
        ThunkData32 block = THUNK_DATA32_INIT;
        EXPECT_FALSE(ThunkConnect32(&block, c.block, kModule16, "tvcore.dll", nullptr, DLL_PROCESS_ATTACH)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_NE(std::string(TvHostLastLoadError()).find(c.words), std::string::npos) << c.what << ": "
                                                                                         << TvHostLastLoadError();
        EXPECT_EQ(block.linked, 0u) << c.what;
        EXPECT_EQ(block.partner, nullptr) << c.what;
    }
}

TEST_F(ThunkConnect, TheLinksLoadIsTheHostsNotTheApplications) {
    ThunkData32 block = THUNK_DATA32_INIT;
    ASSERT_TRUE(LinkTestDriver(block));
    EXPECT_EQ(TvHostLoadedModuleCount(), 0u) << "the application loaded nothing";
    HMODULE own = LoadLibraryA(kModule16);
    ASSERT_EQ(static_cast<const void *>(block.partner), reinterpret_cast<const void *>(GetProcAddress(own, kPartner)))
        << "one module, shared";
    EXPECT_EQ(TvHostLoadedModuleCount(), 1u);
    EXPECT_TRUE(FreeLibrary(own));
    EXPECT_FALSE(FreeLibrary(own)) << "the link's load is not the application's to free";
    EXPECT_TRUE(IsLoaded(TestDriver::File())) << "the link still holds it";
    EXPECT_TRUE(Connect(block, DLL_THREAD_ATTACH));
    EXPECT_TRUE(Connect(block, DLL_PROCESS_DETACH));
    EXPECT_FALSE(IsLoaded(TestDriver::File()));
}

TEST_F(ThunkConnect, RefusesMalformedDriverBlocksAndReleasesTheModule) {
    for (const char *flaw : {"bad-signature", "bad-count", "null-entry"}) {
        UseModuleDir(TestDriverDir(flaw));
        ThunkData32 block = THUNK_DATA32_INIT;
        EXPECT_FALSE(Connect(block, DLL_PROCESS_ATTACH)) << flaw;
        EXPECT_EQ(block.linked, 0u) << flaw;
        EXPECT_EQ(block.partner, nullptr) << flaw;
        EXPECT_FALSE(IsLoaded(TestDriverDir(flaw) + "/tvbus16.so")) << flaw;
    }
}

TEST_F(ThunkConnect, DriverThatRefusesLeavesNoLink) {
    UseModuleDir(TestDriverDir("well-formed"));
    TestDriver driver;
    ASSERT_NE(driver.answer, nullptr);
    *driver.answer = 0;
    ThunkData32 block = THUNK_DATA32_INIT;
    EXPECT_FALSE(Connect(block, DLL_PROCESS_ATTACH));
    EXPECT_EQ(block.linked, 0u);
    EXPECT_EQ(driver.Reasons(), (std::vector<uint32_t>{DLL_PROCESS_ATTACH}));
}

// After the link the driver is asked at every step, with its answer set
// before each: a refused step drops the link, and a detach ignores the
// answer; either way the module is let go.
TEST_F(ThunkConnect, AsksTheDriverAtEveryStepAndDropsTheLinkWhenItRefusesOrDetaches) {
    struct Step {
        DWORD reason;
        int32_t answer;
        BOOL connected;
    };
    struct Case {
        const char *what;
        std::vector<Step> steps;
    } cases[] = {
        {"refused thread attach",
         {{DLL_THREAD_ATTACH, 1, TRUE}, {DLL_THREAD_DETACH, 1, TRUE}, {DLL_THREAD_ATTACH, 0, FALSE}}},
        {"detach whose answer is no", {{DLL_PROCESS_DETACH, 0, TRUE}}},
    };
    for (const Case &c : cases) {
        ThunkData32 block = THUNK_DATA32_INIT;
        ASSERT_TRUE(LinkTestDriver(block)) << c.what;
        std::vector<uint32_t> reasons{DLL_PROCESS_ATTACH};
        {
            TestDriver driver(RTLD_NOLOAD);
            ASSERT_NE(driver.answer, nullptr) << c.what;
            for (const Step &step : c.steps) {
                *driver.answer = step.answer;
                EXPECT_EQ(Connect(block, step.reason), step.connected) << c.what;
                reasons.push_back(step.reason);
            }
            EXPECT_EQ(driver.Reasons(), reasons) << c.what;
            EXPECT_EQ(block.linked, 0u) << c.what;
            EXPECT_EQ(block.partner, nullptr) << c.what;
        }
        EXPECT_FALSE(IsLoaded(TestDriver::File())) << c.what << ": the module was let go";
    }
}

TEST_F(ThunkConnect, UnavailableBusRefusesTheLink) {
    const tvtest::SimCardApi &card = tvtest::SimCard();
    ThunkData32 block = THUNK_DATA32_INIT;
    card.SetBusAvailable(0);
    EXPECT_FALSE(Connect(block, DLL_PROCESS_ATTACH));
    EXPECT_EQ(block.linked, 0u);
    EXPECT_EQ(tvtest::AskWords(card.RefusalReason),
              "the simulated card's bus is switched off (TvSimSetBusAvailable(0))");
    card.SetBusAvailable(1);

    setenv("TVSIM_BUS", "unavailable", 1);
    EXPECT_FALSE(Connect(block, DLL_PROCESS_ATTACH)) << "the card reads its settings at process attach";
    EXPECT_EQ(block.linked, 0u);
    EXPECT_EQ(tvtest::AskWords(card.RefusalReason), "TVSIM_BUS=unavailable: the simulated card's bus is switched off");
    setenv("TVSIM_BUS", "available", 1);
    EXPECT_TRUE(Connect(block, DLL_PROCESS_ATTACH));
    EXPECT_EQ(card.RefusalReason(nullptr, 0), 0u) << "no refusal once it connects";

    setenv("TVSIM_BUS", "unavailable", 1);
    EXPECT_TRUE(Connect(block, DLL_THREAD_ATTACH)) << "thread notifications do not reread the settings";
    EXPECT_FALSE(Connect(block, DLL_PROCESS_ATTACH));
    EXPECT_EQ(block.linked, 0u);
}

TEST_F(ThunkConnect, ConcurrentStepsKeepOneConsistentLink) {
    ThunkData32 block = THUNK_DATA32_INIT;
    ASSERT_TRUE(Connect(block, DLL_PROCESS_ATTACH));
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i)
                if (!Connect(block, i % 2 ? DLL_THREAD_ATTACH : DLL_THREAD_DETACH)) ++failures[t];
        });
    for (std::thread &t : threads) t.join();
    for (int f : failures) EXPECT_EQ(f, 0);
    EXPECT_TRUE(Connect(block, DLL_PROCESS_DETACH));
}

}  // namespace
