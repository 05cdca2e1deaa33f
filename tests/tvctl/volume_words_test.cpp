// `audio volume` words: what is taken, what is refused, and the volume each
// asks for on a control's range.
#include <gtest/gtest.h>

#include "volume_words.h"

namespace {

using namespace tvctl;

struct VolumeCase {
    const char *text;
    uint32_t min, max, current;
    std::optional<uint64_t> target;  // empty: refused
    bool clamped;
};

TEST(VolumeWordsTest, WordsGiveTheVolumeOnTheRange) {
    const VolumeCase cases[] = {
        {"40000", 0, 65535, 0, 40000, false},
        {"70000", 0, 65535, 0, 70000, false},  // absolute values go to the mixer, which judges them
        {"0x10", 0, 65535, 0, 16, false},
        {"50%", 0, 65535, 0, 32768, false},    // 32767.5 rounds up
        {"0%", 0, 65535, 9, 0, false},
        {"100%", 0, 65535, 0, 65535, false},
        {"50%", 100, 300, 0, 200, false},      // a share of the range, from its bottom
        {"+5%", 0, 65535, 40000, 43277, false},
        {"-5%", 0, 65535, 40000, 36723, false},
        {"-5%", 0, 65535, 1000, 0, true},      // stops at the ends
        {"+5%", 0, 65535, 65000, 65535, true},
        {"+5%", 0, 65535, 62258, 65535, false}, // exactly reaching the end is no stop
        {"-1000", 0, 65535, 500, 0, true},
        {"+1000", 0, 65535, 500, 1500, false},
        {"-5%", 100, 300, 50, 100, true},      // a current value below the range
        {"+0%", 0, 65535, 7, 7, false},
        {"101%", 0, 65535, 0, std::nullopt, false},
        {"-101%", 0, 65535, 0, std::nullopt, false},
        {"5%%", 0, 65535, 0, std::nullopt, false},
        {"+-5", 0, 65535, 0, std::nullopt, false},
        {"%", 0, 65535, 0, std::nullopt, false},
        {"", 0, 65535, 0, std::nullopt, false},
        {"half", 0, 65535, 0, std::nullopt, false},
        {"-4294967291", 0, 65535, 3, 0, true},
    };
    for (const VolumeCase &c : cases) {
        SCOPED_TRACE(c.text);
        Parsed<VolumeWords> words = ParseVolumeWords(c.text);
        ASSERT_EQ(words.value.has_value(), c.target.has_value()) << words.error;
        if (!words.value) {
            EXPECT_NE(words.error.find(c.text), std::string::npos) << words.error;
            continue;
        }
        bool clamped = !c.clamped;
        EXPECT_EQ(VolumeTarget(*words.value, c.min, c.max, c.current, &clamped), *c.target);
        EXPECT_EQ(clamped, c.clamped);
    }
}

}  // namespace
