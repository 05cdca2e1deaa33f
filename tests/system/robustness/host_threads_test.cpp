// The host's services from several threads at once, as an operating system
// must take them: semaphores and waits, handles closed under a waiter, 16:16
// translations, debug output, the loader with thread notifications, the
// mixer services, files and page memory, and the library's bus calls (which
// take no lock; the bus driver serialises).
// Every thread checks its own answers; afterwards every table is empty
// again. scripts/stages/50-tsan runs these under ThreadSanitizer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace {

using robust::Library;

constexpr int kThreads = 6;

// Runs `body(thread)` on kThreads threads at once and waits for them.
void OnThreads(const std::function<void(int)> &body) {
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) std::this_thread::yield();  // start together
            body(t);
        });
    }
    for (std::thread &thread : threads) thread.join();
}

class HostThreads : public ::testing::Test {
protected:
    void SetUp() override {
        robust::UseSimulatedHardware();
        dir = tvtest::MakeTempDir("host-threads");
    }
    void TearDown() override {
        EXPECT_EQ(TvHostOpenHandleCount(), 0u);
        EXPECT_EQ(TvHostLiveTranslations(), 0u);
        EXPECT_EQ(TvHostLiveRegions(), 0u);
        EXPECT_EQ(TvHostOpenMixerHandles(), 0u);
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
        robust::UseSimulatedHardware();
    }
    std::string dir;
};

TEST_F(HostThreads, SemaphoresAreSharedAndClosedUnderWaiters) {
    HANDLE shared = CreateSemaphoreA(nullptr, 0, kThreads, nullptr);
    ASSERT_NE(shared, 0u);
    std::atomic<int> taken{0}, failures{0};
    OnThreads([&](int t) {
        for (int round = 0; round < 200; ++round) {
            // Each thread's own semaphore: created, released, taken, closed.
            HANDLE own = CreateSemaphoreA(nullptr, 0, 1, nullptr);
            if (own == 0 || !ReleaseSemaphore(own, 1, nullptr) || WaitForSingleObject(own, 0) != WAIT_OBJECT_0 ||
                WaitForSingleObject(own, 0) != WAIT_TIMEOUT || !CloseHandle(own) || CloseHandle(own))
                ++failures;
            // The shared one: the even threads give, the odd ones take.
            if (t % 2 == 0) {
                while (!ReleaseSemaphore(shared, 1, nullptr)) std::this_thread::yield();
            } else {
                while (WaitForSingleObject(shared, 1) != WAIT_OBJECT_0) {
                }
                ++taken;
            }
        }
    });
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(taken.load(), kThreads / 2 * 200);
    EXPECT_EQ(WaitForSingleObject(shared, 0), WAIT_TIMEOUT) << "every count given was taken once";
    EXPECT_TRUE(CloseHandle(shared));

    // A handle closed while others wait on it: the waits end by their
    // time-out or a release, never crash; the handle is refused afterwards.
    HANDLE doomed = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    std::atomic<int> ended{0};
    OnThreads([&](int t) {
        if (t == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_TRUE(CloseHandle(doomed));
        } else {
            DWORD result = WaitForSingleObject(doomed, 30);
            EXPECT_TRUE(result == WAIT_TIMEOUT || result == WAIT_FAILED) << result;
            ++ended;
        }
    });
    EXPECT_EQ(ended.load(), kThreads - 1);
    EXPECT_EQ(WaitForSingleObject(doomed, 0), WAIT_FAILED);
}

TEST_F(HostThreads, TranslationsOfManyThreadsNeverMix) {
    std::atomic<int> failures{0};
    OnThreads([&](int t) {
        uint8_t mine[64];
        std::memset(mine, t, sizeof mine);
        for (int round = 0; round < 2000; ++round) {
            DWORD value = SMapLS_IP_EBP_12(mine);
            auto *flat = static_cast<uint8_t *>(MapSL(value + 10));
            if (value == 0 || flat != mine + 10 || *flat != t) ++failures;
            SUnMapLS_IP_EBP_12(value);
        }
    });
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(HostThreads, DebugLinesOfManyThreadsStayWhole) {
    std::string log = dir + "/debug.log";
    setenv("TVHOST_DEBUG", log.c_str(), 1);
    OnThreads([&](int t) {
        std::string line = "thread " + std::to_string(t) + ": " + std::string(200, static_cast<char>('a' + t)) + "\n";
        for (int round = 0; round < 100; ++round) OutputDebugStringA(line.c_str());
    });
    unsetenv("TVHOST_DEBUG");
    std::string text = tvtest::ReadFile(log);
    size_t lines = 0;
    for (size_t start = 0; start < text.size(); ++lines) {
        size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        std::string line = text.substr(start, end - start);
        ASSERT_GE(line.size(), 9u);
        int t = line[7] - '0';
        EXPECT_EQ(line, "thread " + std::to_string(t) + ": " + std::string(200, static_cast<char>('a' + t)));
        start = end + 1;
    }
    EXPECT_EQ(lines, static_cast<size_t>(kThreads * 100));
}

TEST_F(HostThreads, FilesAndPagesOfManyThreads) {
    std::string file = dir + "/data.txt";
    tvtest::WriteFile(file, std::string(5000, 'x'));
    std::atomic<int> failures{0};
    OnThreads([&](int) {
        for (int round = 0; round < 100; ++round) {
            HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, 0);
            auto *page = static_cast<char *>(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
            DWORD got = 0;
            if (h == INVALID_HANDLE_VALUE || page == nullptr || !ReadFile(h, page, 4096, &got, nullptr) ||
                got != 4096 || page[4095] != 'x')
                ++failures;
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            if (page != nullptr && !VirtualFree(page, 0, MEM_RELEASE)) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(HostThreads, LoadsNotificationsAndBusCallsOfManyThreads) {
    // One load kept by this thread, so the module stays while the others
    // load and free it again and again (counted loads of one module).
    Library kept;
    ASSERT_TRUE(kept.Load()) << TvHostLastLoadError();
    std::atomic<int> failures{0};
    OnThreads([&](int t) {
        // Registers of this thread's own: 0x20 + 2t and the one after it.
        const uint8_t block[3] = {static_cast<uint8_t>(0x20 + 2 * t), 0x5A, 0xA5};
        for (int round = 0; round < 50; ++round) {
            Library lib;
            if (!lib.Load() || lib.module != kept.module) ++failures;
            TvHostThreadAttach();
            if (lib.I2C_WriteBlk(TV_I2C_DECODER, block, sizeof block) != TVSIM_OK) ++failures;
            if (lib.I2C_Read(TV_I2C_DECODER, block[0]) != 0x5A) ++failures;  // this thread's own register
            if (lib.GetTVParam(TV_PARAM_SOURCE) != 1) ++failures;
            TvHostThreadDetach();
            if (GetProcAddress(lib.module, "I2C_Read") == nullptr) ++failures;
            if (!lib.Free()) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(TvHostLoadedModuleCount(), 1u);
    EXPECT_TRUE(kept.Free());
}

TEST_F(HostThreads, MixerRequestsOfManyThreads) {
    std::atomic<int> failures{0};
    OnThreads([&](int t) {
        for (int round = 0; round < 100; ++round) {
            HMIXER mixer = 0;
            if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
                ++failures;
                continue;
            }
            DWORD values[2] = {static_cast<DWORD>(t), static_cast<DWORD>(t)};
            MIXERCONTROLDETAILS details{sizeof details, 11, 2, {0}, sizeof(DWORD), values};
            MMRESULT set = mixerSetControlDetails(mixer, &details, MIXER_OBJECTF_HMIXER);
            MMRESULT get = mixerGetControlDetailsA(mixer, &details, MIXER_OBJECTF_HMIXER);
            MMRESULT closed = mixerClose(mixer);
            for (MMRESULT result : {set, get, closed})
                if (result != MMSYSERR_NOERROR) ++failures;
        }
    });
    EXPECT_EQ(failures.load(), 0);
    TvHostMixerReset();
    EXPECT_EQ(robust::Mixer().openCount(), 0u) << "every open the driver made was closed once";
}

}  // namespace
