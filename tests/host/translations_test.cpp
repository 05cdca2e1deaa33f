// The bus link's 16:16 translations.
#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace {

TEST(Translation, NullCrossesAsZeroAndMapsBackToNull) {
    uint32_t live = TvHostLiveTranslations();
    EXPECT_EQ(SMapLS_IP_EBP_12(nullptr), 0u);
    EXPECT_EQ(MapSL(0), nullptr);
    SUnMapLS_IP_EBP_12(0);
    EXPECT_EQ(TvHostLiveTranslations(), live);
}

TEST(Translation, RoundTripsUntilReleased) {
    unsigned char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    DWORD value = SMapLS_IP_EBP_12(bytes);
    ASSERT_NE(value, 0u);
    EXPECT_EQ(value & 0xFFFFu, 0u) << "offset word starts at 0";
    EXPECT_EQ((value >> 16) & 7u, 7u) << "selector shaped like an LDT selector";
    EXPECT_EQ(MapSL(value), bytes);
    EXPECT_EQ(MapSL(value + 3), bytes + 3) << "the offset word counts into the block";
    SUnMapLS_IP_EBP_12(value);
    EXPECT_EQ(MapSL(value), nullptr);
    SUnMapLS_IP_EBP_12(value);  // a second release changes nothing
    EXPECT_EQ(MapSL(value), nullptr);
}

TEST(Translation, OffsetWordReachesTheWholeSixtyFourKilobytes) {
    std::vector<unsigned char> block(0x10000);
    DWORD value = SMapLS_IP_EBP_12(block.data());
    ASSERT_NE(value, 0u);
    for (DWORD offset : {DWORD{0xFF}, DWORD{0x100}, DWORD{0x1234}, DWORD{0xFFFF}})
        EXPECT_EQ(MapSL(value + offset), block.data() + offset) << std::hex << offset;
    SUnMapLS_IP_EBP_12(value);
}

TEST(Translation, UnknownValuesMapToNullAndReleaseNothing) {
    int anchor = 0;
    DWORD live = SMapLS_IP_EBP_12(&anchor);
    ASSERT_NE(live, 0u);
    uint32_t count = TvHostLiveTranslations();
    // Not selector-shaped, or selector-shaped but never handed out.
    for (DWORD unknown : {DWORD{0x00010000}, DWORD{0x12340000}, DWORD{0x0000FFFF}, DWORD{live ^ 0x00080000u}}) {
        EXPECT_EQ(MapSL(unknown), nullptr) << std::hex << unknown;
        SUnMapLS_IP_EBP_12(unknown);
    }
    EXPECT_EQ(TvHostLiveTranslations(), count);
    EXPECT_EQ(MapSL(live), &anchor);
    SUnMapLS_IP_EBP_12(live);
}

TEST(Translation, FullTableGivesZeroAndRecovers) {
    uint32_t before = TvHostLiveTranslations();
    std::vector<unsigned char> bytes(TVHOST_TRANSLATION_SLOTS + 1);
    std::vector<DWORD> values;
    for (unsigned char &b : bytes) {
        DWORD v = SMapLS_IP_EBP_12(&b);
        if (v == 0) break;
        values.push_back(v);
    }
    EXPECT_EQ(values.size() + before, TVHOST_TRANSLATION_SLOTS);
    EXPECT_EQ(std::set<DWORD>(values.begin(), values.end()).size(), values.size()) << "values are distinct";
    EXPECT_EQ(SMapLS_IP_EBP_12(&bytes[0]), 0u);
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(MapSL(values[i]), &bytes[i]);
    SUnMapLS_IP_EBP_12(values.front());
    DWORD again = SMapLS_IP_EBP_12(&bytes.back());
    EXPECT_NE(again, 0u);
    values.front() = again;
    for (DWORD v : values) SUnMapLS_IP_EBP_12(v);
    EXPECT_EQ(TvHostLiveTranslations(), before);
}

TEST(Translation, ReleasedValueIsNotHandedOutAgainAtOnce) {
    int a = 0, b = 0;
    DWORD first = SMapLS_IP_EBP_12(&a);
    SUnMapLS_IP_EBP_12(first);
    DWORD second = SMapLS_IP_EBP_12(&b);
    EXPECT_NE(first, second) << "a stale value must not reach the newer block";
    EXPECT_EQ(MapSL(first), nullptr);
    SUnMapLS_IP_EBP_12(second);
}

TEST(Translation, ThreadsMapAndReleaseSafely) {
    uint32_t before = TvHostLiveTranslations();
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &failures] {
            int local[16];
            for (int round = 0; round < 2000; ++round) {
                int *p = &local[round % 16];
                DWORD v = SMapLS_IP_EBP_12(p);
                if (v == 0 || MapSL(v) != p) ++failures[t];
                SUnMapLS_IP_EBP_12(v);
            }
        });
    for (std::thread &t : threads) t.join();
    for (int f : failures) EXPECT_EQ(f, 0);
    EXPECT_EQ(TvHostLiveTranslations(), before);
}

}  // namespace
