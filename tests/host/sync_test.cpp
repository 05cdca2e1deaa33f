// The host's semaphores, timed wait and Sleep.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(Semaphore, InitialCountIsTakenThenWaitTimesOut) {
    HANDLE s = CreateSemaphoreA(nullptr, 2, 3, nullptr);
    ASSERT_NE(s, 0u);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(s));
}

TEST(Semaphore, TimedWaitLastsAtLeastItsTimeOut) {
    HANDLE s = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    ASSERT_NE(s, 0u);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(WaitForSingleObject(s, 60), WAIT_TIMEOUT);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60));
    EXPECT_TRUE(CloseHandle(s));
}

TEST(Semaphore, ReleaseWakesAnInfiniteWaiter) {
    HANDLE s = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    ASSERT_NE(s, 0u);
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] { result = WaitForSingleObject(s, INFINITE); });
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(s, 1, &previous));
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
    EXPECT_EQ(previous, 0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT) << "the waiter took the count";
    EXPECT_TRUE(CloseHandle(s));
}

TEST(Semaphore, ReleaseWakesAsManyWaitersAsItCounts) {
    HANDLE s = CreateSemaphoreA(nullptr, 0, 4, nullptr);
    ASSERT_NE(s, 0u);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (WaitForSingleObject(s, INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    EXPECT_TRUE(ReleaseSemaphore(s, 3, nullptr));
    for (std::thread &t : waiters) t.join();
    EXPECT_EQ(woken.load(), 3);
    EXPECT_TRUE(CloseHandle(s));
}

TEST(Semaphore, ReleaseBeyondMaximumIsRefusedAndChangesNothing) {
    HANDLE s = CreateSemaphoreA(nullptr, 1, 2, nullptr);
    ASSERT_NE(s, 0u);
    LONG previous = -1;
    EXPECT_FALSE(ReleaseSemaphore(s, 2, &previous));
    EXPECT_EQ(GetLastError(), ERROR_TOO_MANY_POSTS);
    EXPECT_FALSE(ReleaseSemaphore(s, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(ReleaseSemaphore(s, 1, &previous));
    EXPECT_EQ(previous, 1);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(s));
}

TEST(Semaphore, FullHandleTableRefusesCreationUntilAHandleCloses) {
    uint32_t openBefore = TvHostOpenHandleCount();
    std::vector<HANDLE> held;
    for (HANDLE h; (h = CreateSemaphoreA(nullptr, 0, 1, nullptr)) != 0 && held.size() < 100000;) held.push_back(h);
    ASSERT_FALSE(held.empty());
    EXPECT_EQ(CreateSemaphoreA(nullptr, 0, 1, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    const HANDLE stale = held.back();
    ASSERT_TRUE(CloseHandle(stale));
    held.pop_back();
    // The one free slot is the closed handle's own: the newcomer takes it
    // under a value of its own, and the old value reaches nothing.
    HANDLE again = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    ASSERT_NE(again, 0u);
    held.push_back(again);
    EXPECT_NE(again, stale);
    EXPECT_FALSE(ReleaseSemaphore(stale, 1, nullptr));
    EXPECT_FALSE(CloseHandle(stale));
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_TIMEOUT) << "the stale release reached the newcomer";
    EXPECT_TRUE(ReleaseSemaphore(again, 1, nullptr));
    EXPECT_EQ(WaitForSingleObject(again, 0), WAIT_OBJECT_0);
    for (HANDLE h : held) EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(TvHostOpenHandleCount(), openBefore);
}

void IgnoreSignal(int) {}

TEST(SleepCall, SleepsOutItsTimeThroughSignals) {
    struct sigaction action {};
    action.sa_handler = IgnoreSignal;  // no SA_RESTART: nanosleep is cut short
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    pthread_t sleeper = pthread_self();
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        while (!done) {
            pthread_kill(sleeper, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    Clock::time_point start = Clock::now();
    Sleep(80);
    std::chrono::nanoseconds slept = Clock::now() - start;
    done = true;
    interrupter.join();
    sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_GE(slept, std::chrono::milliseconds(80));
}

}  // namespace
