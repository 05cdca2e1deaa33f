// The board file's path and its one read, apart from any file: the path's
// form at the directory buffer's edge, and what a read's answer may do.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "tvcore/card/board_file.h"

namespace {

using namespace tvcore::card;

TEST(BoardFile, PathIsTheDirectoryABackslashAndTheNameWhenTheDirectoryFits) {
    const std::string longest(kWindowsDirBufferSize - 1, 'd');
    const struct {
        std::string dir;
        uint32_t answer;
        std::string path;
    } cases[] = {
        {"/etc/tv", 7, "/etc/tv\\vidcfg.ini"},
        {"/etc/tv-and-more", 7, "/etc/tv\\vidcfg.ini"},  // the answer's length counts, not the text's
        {longest, kWindowsDirBufferSize - 1, longest + "\\vidcfg.ini"},
        {longest, kWindowsDirBufferSize, ""},  // did not fit: the buffer holds no path
        {"", 0, ""},                          // no directory
    };
    for (const auto &c : cases) EXPECT_EQ(BoardFilePath(c.dir.c_str(), c.answer), c.path) << c.answer;
    EXPECT_LE(BoardFilePath(longest.c_str(), kWindowsDirBufferSize - 1).size() + 1, kBoardFilePathSize);
}

TEST(BoardFile, OnlyAReadThatSucceedsCountsAndNeverBeyondTheBuffer) {
    const std::string alternative = "[SYSTEM]\nBoardType=QX_KESTREL\n";
    const struct {
        const char *name;
        std::optional<uint32_t> answer;  // what the read says it got
        bool expected;
    } cases[] = {
        {"read", static_cast<uint32_t>(alternative.size()), true},
        {"failed read, though the bytes arrived", std::nullopt, false},
        {"count short of the last line feed", static_cast<uint32_t>(alternative.size() - 1), false},
        {"count beyond the buffer", 0xFFFFFFFFu, true},
    };
    for (const auto &c : cases) {
        std::vector<char> buffer(kBoardConfigMaxBytes, ' ');
        std::memcpy(buffer.data(), alternative.data(), alternative.size());
        uint32_t asked = 0;
        bool verdict = ReadBoardConfig(buffer.data(), [&](char *, uint32_t size) {
            asked = size;
            return c.answer;
        });
        EXPECT_EQ(verdict, c.expected) << c.name;
        EXPECT_EQ(asked, kBoardConfigMaxBytes) << c.name;
    }
}

}  // namespace
