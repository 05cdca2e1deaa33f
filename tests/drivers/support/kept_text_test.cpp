// The copy-out rule every driver word export keeps: cut to fit, always
// terminated, never a byte past `size`, and the full length answered.
#include <gtest/gtest.h>

#include <string>

#include "kept_text.h"

namespace {

TEST(DriverText, CutToFitTerminatedAndFullLengthAnswered) {
    struct Case {
        uint32_t size;
        const char *kept;  // what the buffer holds afterwards; nullptr: untouched
    } cases[] = {
        {0, nullptr}, {1, ""}, {2, "/"}, {10, "/dev/i2c-"}, {11, "/dev/i2c-3"}, {64, "/dev/i2c-3"},
    };
    for (const Case &c : cases) {
        char buffer[80];
        std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
        EXPECT_EQ(tvdrv::PutText("/dev/i2c-3", buffer, c.size), 10u) << c.size;
        if (c.kept == nullptr) {
            EXPECT_EQ(buffer[0], '#');
            continue;
        }
        EXPECT_STREQ(buffer, c.kept) << c.size;
        EXPECT_EQ(buffer[c.size == 64 ? 11 : c.size], '#') << c.size << ": nothing written past the text";
    }
    EXPECT_EQ(tvdrv::PutText("words", nullptr, 64), 5u) << "no buffer: the length alone";
}

TEST(DriverText, KeptLineIsSetClearedAndCutAtItsRoom) {
    tvdrv::KeptText kept;
    EXPECT_EQ(kept.Put(nullptr, 0), 0u) << "nothing kept at first";
    kept.Set("%s \"%s\"", "/dev/video0", "TV card");
    char buffer[32];
    EXPECT_EQ(kept.Put(buffer, sizeof buffer), 21u);
    EXPECT_STREQ(buffer, "/dev/video0 \"TV card\"");
    kept.Set("%s", std::string(2000, 'x').c_str());
    EXPECT_EQ(kept.Put(nullptr, 0), 767u) << "a longer line is kept cut at the room it has";
    kept.Clear();
    EXPECT_EQ(kept.Put(buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

}  // namespace
