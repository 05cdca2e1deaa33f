// Conformance of the host's semaphores, waits and CloseHandle with the
// documented Windows answers: valid use, bad handles, bad counts. Where the
// host answers otherwise on purpose, the case says so (docs/bad-input.md
// lists each difference with its reason).
#include <gtest/gtest.h>

#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

// A kernel handle's two low bits are tags the system ignores: h|1, h|2 and
// h|3 name the same object as h in every call that takes the handle.
TEST(ConformanceSync, TagBitsOfAHandleAreIgnored) {
    for (HANDLE tag : {0u, 1u, 2u, 3u}) {
        HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 2, nullptr);
        ASSERT_NE(semaphore, 0u);
        EXPECT_EQ(semaphore & 3u, 0u) << "handles are multiples of 4";
        EXPECT_EQ(WaitForSingleObject(semaphore | tag, 0), WAIT_OBJECT_0) << tag;
        LONG previous = -1;
        EXPECT_TRUE(ReleaseSemaphore(semaphore | tag, 1, &previous)) << tag;
        EXPECT_EQ(previous, 0) << tag;
        EXPECT_TRUE(CloseHandle(semaphore | tag)) << tag;
        EXPECT_FALSE(CloseHandle(semaphore)) << "closed through its tagged value";
    }
    EXPECT_EQ(TvHostOpenHandleCount(), 0u);
}

TEST(ConformanceSync, CreateSemaphoreAnswers) {
    struct Case {
        const char *what;
        LONG initial, maximum;
        const char *name;
        DWORD error;  // ERROR_SUCCESS: created
    } cases[] = {
        {"0 of 1", 0, 1, nullptr, ERROR_SUCCESS},
        {"full", 5, 5, nullptr, ERROR_SUCCESS},
        {"an empty name is no name", 0, 1, "", ERROR_SUCCESS},
        {"initial below 0", -1, 1, nullptr, ERROR_INVALID_PARAMETER},
        {"initial above the maximum", 2, 1, nullptr, ERROR_INVALID_PARAMETER},
        {"maximum 0", 0, 0, nullptr, ERROR_INVALID_PARAMETER},
        {"maximum -1", 0, -1, nullptr, ERROR_INVALID_PARAMETER},
        {"maximum below 0", 0, -5, nullptr, ERROR_INVALID_PARAMETER},
        // Differs from Windows on purpose: no namespace of kernel objects, so
        // a name is refused rather than silently made private.
        {"a name", 0, 1, "tv", ERROR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SetLastError(0xDEAD);
        HANDLE handle = CreateSemaphoreA(nullptr, c.initial, c.maximum, c.name);
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(handle != 0, c.error == ERROR_SUCCESS) << c.what;
        if (handle != 0) {
            EXPECT_TRUE(CloseHandle(handle));
        }
    }
}

TEST(ConformanceSync, ReleaseAndWaitAnswers) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 2, nullptr);
    ASSERT_NE(semaphore, 0u);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT) << "not signalled";
    EXPECT_EQ(WaitForSingleObject(semaphore, 20), WAIT_TIMEOUT);
    struct Release {
        const char *what;
        LONG count;
        BOOL ok;
        DWORD error;
    } releases[] = {
        {"count 0", 0, FALSE, ERROR_INVALID_PARAMETER},
        {"negative count", -1, FALSE, ERROR_INVALID_PARAMETER},
        {"past the maximum", 3, FALSE, ERROR_TOO_MANY_POSTS},
        {"up to the maximum", 2, TRUE, 0xDEAD},
        {"one more", 1, FALSE, ERROR_TOO_MANY_POSTS},
    };
    for (const Release &r : releases) {
        SetLastError(0xDEAD);
        EXPECT_EQ(ReleaseSemaphore(semaphore, r.count, nullptr), r.ok) << r.what;
        EXPECT_EQ(GetLastError(), r.error) << r.what;
    }
    EXPECT_EQ(WaitForSingleObject(semaphore, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT) << "both counts taken";
    EXPECT_TRUE(CloseHandle(semaphore));
}

// Handles that name no open object: every call refuses them with
// ERROR_INVALID_HANDLE, and WaitForSingleObject answers WAIT_FAILED.
TEST(ConformanceSync, BadHandles) {
    HANDLE closed = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    const struct {
        const char *what;
        HANDLE handle;
    } bad[] = {
        {"0", 0},
        {"1, which is 0 tagged", 1},
        {"closed", closed},
        {"closed, tagged", closed | 3u},
        {"made up", 0x12345678u},
        // Differs from Windows on purpose: there this value is the current
        // process's pseudo-handle, which the host has no object for.
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE},
    };
    for (const auto &b : bad) {
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(b.handle, 0), WAIT_FAILED) << b.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << b.what;
        SetLastError(0);
        EXPECT_FALSE(ReleaseSemaphore(b.handle, 1, nullptr)) << b.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << b.what;
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(b.handle)) << b.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << b.what;
    }
}

}  // namespace
