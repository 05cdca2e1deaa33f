// The host's file and page-memory services with Windows' answers:
// GetWindowsDirectoryA, wsprintfA, CreateFileA, ReadFile, VirtualAlloc and
// VirtualFree; their refusals of bad arguments are with the robustness
// suite's bad input. Every test ends with no handle and no region left open.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/win32.h"

namespace {

class HostFiles : public testing::Test {
protected:
    void SetUp() override {
        handlesAtStart_ = TvHostOpenHandleCount();
        regionsAtStart_ = TvHostLiveRegions();
        dir_ = tvtest::MakeTempDir("files");
    }
    void TearDown() override {
        EXPECT_EQ(TvHostOpenHandleCount(), handlesAtStart_) << "a handle was left open";
        EXPECT_EQ(TvHostLiveRegions(), regionsAtStart_) << "a region was left allocated";
        tvtest::UseBuildTreeHost();
    }

    static HANDLE OpenForReading(const std::string &path) {
        return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, 0);
    }

    std::string dir_;

private:
    uint32_t handlesAtStart_ = 0, regionsAtStart_ = 0;
};

// ---- GetWindowsDirectoryA --------------------------------------------------

TEST_F(HostFiles, WindowsDirectoryBufferSizes) {
    const std::string windir = "/opt/tv/windows";  // 15 characters
    setenv("TVHOST_WINDIR", windir.c_str(), 1);
    const UINT length = static_cast<UINT>(windir.size());
    struct Case {
        UINT size;
        UINT answer;
        bool copied;
    } cases[] = {
        {0, length + 1, false},          {1, length + 1, false},      {length, length + 1, false},
        {length + 1, length, true},      {length + 2, length, true},  {128, length, true},
    };
    for (const Case &c : cases) {
        char buffer[160];
        std::memset(buffer, '~', sizeof buffer);
        EXPECT_EQ(GetWindowsDirectoryA(buffer, c.size), c.answer) << "size " << c.size;
        if (c.copied) {
            EXPECT_STREQ(buffer, windir.c_str()) << "size " << c.size;
            for (std::size_t i = length + 1; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '~') << "size " << c.size;
        } else {
            for (char b : buffer) ASSERT_EQ(b, '~') << "touched a buffer that was too small, size " << c.size;
        }
    }
    EXPECT_EQ(GetWindowsDirectoryA(nullptr, 0), length + 1);
    EXPECT_EQ(GetWindowsDirectoryA(nullptr, 500), length + 1) << "no buffer: only the size needed";
}

TEST_F(HostFiles, WindowsDirectoryHasNoTrailingSeparatorAndFallsBackToConfigDir) {
    char buffer[4096];
    setenv("TVHOST_WINDIR", "/opt/tv//", 1);
    ASSERT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "/opt/tv");
    setenv("TVHOST_WINDIR", "/", 1);
    ASSERT_GT(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "/") << "the root keeps its separator";
    setenv("TVHOST_WINDIR", "", 1);  // empty counts as unset
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof buffer);
    EXPECT_TRUE(std::string(buffer).ends_with("/etc/tvcore")) << buffer;
}

// ---- wsprintfA ---------------------------------------------------------------

TEST_F(HostFiles, WsprintfFormsPathsAndKeepsItsLimit) {
    char path[64];
    EXPECT_EQ(wsprintfA(path, "%s\\vidcfg.ini", "/opt/tv"), 18);
    EXPECT_STREQ(path, "/opt/tv\\vidcfg.ini");
    EXPECT_EQ(wsprintfA(path, "100%% %d%s", "!"), 7) << "other conversions print their character, take no argument";
    EXPECT_STREQ(path, "100% d!");
    EXPECT_EQ(wsprintfA(path, "end%"), 3) << "a lone % at the end prints nothing";

    std::string longText(2000, 'x');
    std::vector<char> out(1100, '~');
    struct Case {
        const char *what;
        const char *format;
        const char *argument;
    } cases[] = {
        {"a long argument", "%s\\vidcfg.ini", longText.c_str()},
        {"a long format", longText.c_str(), nullptr},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(wsprintfA(out.data(), c.format, c.argument), 1024) << c.what;
        EXPECT_EQ(out[1023], 'x') << c.what;
        EXPECT_EQ(out[1024], '\0') << c.what;
        for (std::size_t i = 1025; i < out.size(); ++i) ASSERT_EQ(out[i], '~') << c.what << ": wrote past 1025 bytes";
    }
}

// ---- CreateFileA ---------------------------------------------------------

TEST_F(HostFiles, OpenErrorsForWhatIsNotThere) {
    tvtest::WriteFile(dir_ + "/plain.txt", "text");
    std::filesystem::create_directories(dir_ + "/subdir");
    ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
    struct Case {
        std::string path;
        DWORD error;
    } cases[] = {
        {dir_ + "/missing.ini", ERROR_FILE_NOT_FOUND},
        {dir_ + "\\missing.ini", ERROR_FILE_NOT_FOUND},
        {dir_ + "/nodir/missing.ini", ERROR_PATH_NOT_FOUND},
        {dir_ + "/plain.txt/inner", ERROR_PATH_NOT_FOUND},
        {dir_ + "/subdir", ERROR_ACCESS_DENIED},
        {dir_ + "/fifo", ERROR_ACCESS_DENIED},  // and the open must not wait for a writer
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(OpenForReading(c.path), INVALID_HANDLE_VALUE) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST_F(HostFiles, BackslashSeparatesDirectories) {
    std::filesystem::create_directories(dir_ + "/a/b");
    tvtest::WriteFile(dir_ + "/a/b/c.ini", "abc");
    HANDLE file = OpenForReading(dir_ + "\\a\\b\\c.ini");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    DWORD got = 99;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "abc");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file)) << "closed twice";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// ---- ReadFile -------------------------------------------------------------

TEST_F(HostFiles, ReadCountsUpToTheEndOfTheFile) {
    std::string content;
    for (int i = 0; content.size() < 10000; ++i) content += std::to_string(i) + ",";
    content.resize(10000);
    tvtest::WriteFile(dir_ + "/big.ini", content);
    HANDLE file = OpenForReading(dir_ + "/big.ini");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string seen;
    std::vector<DWORD> counts;
    char buffer[4096];
    for (int i = 0; i < 5; ++i) {
        DWORD got = 12345;
        ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
        counts.push_back(got);
        seen.append(buffer, got);
    }
    EXPECT_EQ(counts, (std::vector<DWORD>{4096, 4096, 1808, 0, 0}));
    EXPECT_EQ(seen, content);
    DWORD got = 12345;
    EXPECT_TRUE(ReadFile(file, nullptr, 0, &got, nullptr)) << "a zero-byte read needs no buffer";
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

// The process's own memory file is a regular file whose read at offset 0
// fails (nothing is mapped there): a read error that even root gets.
TEST_F(HostFiles, FailedReadIsReported) {
    HANDLE file = OpenForReading("/proc/self/mem");
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    char buffer[64];
    DWORD got = 77;
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(HostFiles, ThreadsOpenReadAndCloseTogether) {
    const std::string content(6000, 'q');
    tvtest::WriteFile(dir_ + "/shared.ini", content);
    const std::string path = dir_ + "\\shared.ini";
    std::vector<std::thread> threads;
    std::vector<int> good(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                HANDLE file = OpenForReading(path);
                if (file == INVALID_HANDLE_VALUE) continue;
                std::vector<char> buffer(8192);
                DWORD got = 0;
                if (ReadFile(file, buffer.data(), 8192, &got, nullptr) && got == content.size()) ++good[t];
                CloseHandle(file);
            }
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(good, (std::vector<int>{100, 100, 100, 100}));
}

// ---- VirtualAlloc / VirtualFree --------------------------------------------

TEST_F(HostFiles, AllocatedPagesAreZeroedWritableAndWhole) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const uint32_t before = TvHostLiveRegions();
    char *block = static_cast<char *>(VirtualAlloc(nullptr, 1, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(TvHostLiveRegions(), before + 1);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % page, 0u);
    for (std::size_t i = 0; i < page; ++i) ASSERT_EQ(block[i], 0) << i;
    block[page - 1] = 'z';  // a size of 1 still gives the whole page
    EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
    EXPECT_EQ(TvHostLiveRegions(), before);

    char *both = static_cast<char *>(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(both, nullptr);
    both[4095] = 1;
    EXPECT_TRUE(VirtualFree(both, 0, MEM_RELEASE));

    void *readOnly = VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READONLY);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(static_cast<const char *>(readOnly)[10], 0);
    EXPECT_TRUE(VirtualFree(readOnly, 0, MEM_RELEASE));

    void *reserved = VirtualAlloc(nullptr, 1 << 20, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    EXPECT_TRUE(VirtualFree(reserved, 0, MEM_RELEASE));
}

TEST_F(HostFiles, DecommittedPagesFault) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    char *block = static_cast<char *>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    block[4096] = 'x';
    ASSERT_TRUE(VirtualFree(block + 4096, 1, MEM_DECOMMIT));
    block[4095] = 'y';  // the first page is still committed
    volatile char *gone = block + 4096;
    EXPECT_DEATH((void)*gone, "");
    EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
}

TEST_F(HostFiles, ThreadsAllocateAndReleaseTogether) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                char *block = static_cast<char *>(VirtualAlloc(nullptr, 4096 * (1 + i % 3), MEM_COMMIT, PAGE_READWRITE));
                if (block == nullptr) {
                    ++failures[t];
                    continue;
                }
                block[0] = static_cast<char>(t);
                if (!VirtualFree(block, 0, MEM_RELEASE)) ++failures[t];
            }
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
