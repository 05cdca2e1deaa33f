// OutputDebugStringA: exact bytes to the TVHOST_DEBUG destination, read at
// each call; nothing when unset; whole calls never interleave.
#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_env.h"
#include "tvhost/win32.h"

namespace {

class DebugOutput : public ::testing::Test {
protected:
    void SetUp() override { dir_ = tvtest::MakeTempDir("debug"); }
    void TearDown() override { tvtest::UseBuildTreeHost(); }
    std::string dir_;
};

TEST_F(DebugOutput, FileGetsExactlyTheBytesAppended) {
    std::string file = dir_ + "/out.log";
    tvtest::WriteFile(file, "earlier\n");
    setenv("TVHOST_DEBUG", file.c_str(), 1);
    OutputDebugStringA("\n\rIn DLLEntryPoint: DllMain\r\n");
    OutputDebugStringA("No Mixers Found");
    OutputDebugStringA("\xC3\xA9\x01\x7F");
    EXPECT_EQ(tvtest::ReadFile(file), "earlier\n\n\rIn DLLEntryPoint: DllMain\r\nNo Mixers Found\xC3\xA9\x01\x7F");
}

TEST_F(DebugOutput, DestinationIsReadAtEachCall) {
    std::string first = dir_ + "/first.log", second = dir_ + "/second.log";
    setenv("TVHOST_DEBUG", first.c_str(), 1);
    OutputDebugStringA("one");
    setenv("TVHOST_DEBUG", second.c_str(), 1);
    OutputDebugStringA("two");
    unsetenv("TVHOST_DEBUG");
    OutputDebugStringA("three");
    setenv("TVHOST_DEBUG", first.c_str(), 1);
    OutputDebugStringA("four");
    EXPECT_EQ(tvtest::ReadFile(first), "onefour");
    EXPECT_EQ(tvtest::ReadFile(second), "two");
}

TEST_F(DebugOutput, StderrDestination) {
    setenv("TVHOST_DEBUG", "stderr", 1);
    testing::internal::CaptureStderr();
    OutputDebugStringA("to the console\r\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to the console\r\n");
}

TEST_F(DebugOutput, UnsetEmptyOrNullWritesNothing) {
    std::string file = dir_ + "/never.log";
    for (const char *setting : {static_cast<const char *>(nullptr), ""}) {
        if (setting == nullptr)
            unsetenv("TVHOST_DEBUG");
        else
            setenv("TVHOST_DEBUG", setting, 1);
        testing::internal::CaptureStderr();
        OutputDebugStringA("discarded");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    setenv("TVHOST_DEBUG", file.c_str(), 1);
    OutputDebugStringA(nullptr);
    OutputDebugStringA("");
    EXPECT_FALSE(std::filesystem::exists(file)) << "nothing to write opens nothing";
}

TEST_F(DebugOutput, UnwritableDestinationIsSilentAndKeepsErrno) {
    setenv("TVHOST_DEBUG", dir_.c_str(), 1);  // a directory
    errno = ERANGE;
    OutputDebugStringA("lost");
    EXPECT_EQ(errno, ERANGE);
    setenv("TVHOST_DEBUG", (dir_ + "/no/such/dir/x.log").c_str(), 1);
    OutputDebugStringA("lost");
    EXPECT_EQ(errno, ERANGE);
}

TEST_F(DebugOutput, CallsFromSeveralThreadsStayWhole) {
    std::string file = dir_ + "/threads.log";
    setenv("TVHOST_DEBUG", file.c_str(), 1);
    constexpr int kThreads = 4, kLines = 300;
    constexpr size_t kLineLength = 2000;  // long enough that a torn write would show
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            std::string line(kLineLength - 1, static_cast<char>('a' + t));
            line += '\n';
            for (int i = 0; i < kLines; ++i) OutputDebugStringA(line.c_str());
        });
    for (std::thread &t : threads) t.join();

    std::string text = tvtest::ReadFile(file);
    ASSERT_EQ(text.size(), kThreads * kLines * kLineLength);
    int perThread[kThreads] = {};
    for (size_t pos = 0; pos < text.size(); pos += kLineLength) {
        char c = text[pos];
        ASSERT_GE(c, 'a');
        ASSERT_LT(c, 'a' + kThreads);
        ASSERT_EQ(text.find_first_not_of(c, pos), pos + kLineLength - 1) << "torn line at " << pos;
        ++perThread[c - 'a'];
    }
    for (int count : perThread) EXPECT_EQ(count, kLines);
}

}  // namespace
