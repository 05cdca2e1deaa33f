// The formatter behind wsprintfA: the conversions the library uses, and the
// 1024-character limit that bounds every output.
#include <gtest/gtest.h>

#include <cstdarg>
#include <climits>
#include <cstring>
#include <string>

#include "host/src/wsprintf.h"

namespace {

constexpr std::size_t kMax = tvhost::kWsprintfMaxChars;

// Formats into a buffer with a canary band after the 1025 bytes the
// formatter may use, and checks the band and the returned count.
std::string Format(const char *format, ...) {
    char buffer[kMax + 1 + 64];
    std::memset(buffer, '~', sizeof buffer);
    va_list args;
    va_start(args, format);
    int written = tvhost::FormatWsprintf(buffer, format, args);
    va_end(args);
    for (std::size_t i = kMax + 1; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '~') << "wrote past 1025 bytes";
    EXPECT_GE(written, 0);
    EXPECT_LE(static_cast<std::size_t>(written), kMax);
    EXPECT_EQ(buffer[written], '\0') << "not terminated right after the output";
    return std::string(buffer, static_cast<std::size_t>(written));
}

TEST(WsprintfFormat, Conversions) {
    EXPECT_EQ(Format("%s\\vidcfg.ini", "/etc/tv"), "/etc/tv\\vidcfg.ini");
    EXPECT_EQ(Format("%d %i", -42, 7), "-42 7");
    EXPECT_EQ(Format("%d", INT_MIN), "-2147483648");
    EXPECT_EQ(Format("%u", 4294967295u), "4294967295");
    EXPECT_EQ(Format("%x %X", 0xbeefu, 0xbeefu), "beef BEEF");
    EXPECT_EQ(Format("%lu %ld %lx %hd", 5u, -5, 255u, 3), "5 -5 ff 3") << "size prefixes change nothing";
    EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%s", static_cast<const char *>(nullptr)), "(null)");
    EXPECT_EQ(Format("%y|%d", 9), "y|9") << "an unknown conversion takes no argument";
    EXPECT_EQ(Format("end%"), "end") << "a lone % at the end";
    EXPECT_EQ(Format(nullptr), "");
}

TEST(WsprintfFormat, WidthPrecisionAndFlags) {
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]") << "zeros go after the sign";
    EXPECT_EQ(Format("[%08X]", 0xBEEFu), "[0000BEEF]");
    EXPECT_EQ(Format("[%-05d]", 42), "[42   ]") << "left-align wins over zero-pad";
    EXPECT_EQ(Format("[%.4u]", 7u), "[0007]");
    EXPECT_EQ(Format("[%6.3d]", -7), "[  -007]");
    EXPECT_EQ(Format("[%.0u]", 0u), "[]");
    EXPECT_EQ(Format("[%#x|%#X|%#x]", 255u, 255u, 0u), "[0xff|0XFF|0]");
    EXPECT_EQ(Format("[%6s|%-6s]", "ab", "ab"), "[    ab|ab    ]");
    EXPECT_EQ(Format("[%3c]", 'z'), "[  z]");
    char unterminated[3] = {'a', 'b', 'c'};
    EXPECT_EQ(Format("[%.3s]", unterminated), "[abc]") << "precision bounds the read";
}

TEST(WsprintfFormat, OutputStopsAt1024Characters) {
    std::string longText(3000, 'a');
    struct Case {
        const char *name;
        std::string out;
    } cases[] = {
        {"long argument", Format("%s", longText.c_str())},
        {"long literal", Format(longText.c_str())},
        {"huge width", Format("%5000d", 1)},
        {"width past the int range", Format("%99999999999999999999d", 1)},
        {"many conversions", Format("%s%s%s", longText.c_str() + 2000, longText.c_str() + 2000,
                                    longText.c_str() + 2000)},
    };
    for (const Case &c : cases) EXPECT_EQ(c.out.size(), kMax) << c.name;
    EXPECT_EQ(Format("%5000d", 1).back(), ' ') << "cut inside the padding";
    EXPECT_EQ(Format("%s", longText.c_str()), std::string(kMax, 'a'));
    std::string justFits(kMax - 1, 'b');
    EXPECT_EQ(Format("%s!", justFits.c_str()), justFits + "!");
}

}  // namespace
