// The decoder's registers read back in the library's values: the inverse of
// what SetTVParam writes, on both boards.
#include <gtest/gtest.h>

#include "card_readback.h"

namespace {

using tvctl::CardPicture;
using tvctl::DecoderPicture;
using tvctl::ReadBackPicture;

TEST(TvctlCardReadbackTest, RegistersInTheLibrarysValues) {
    const struct {
        const char *name;
        DecoderPicture registers;  // input, control, brightness, contrast, saturation U, V, hue
        bool alternativeBoard;
        CardPicture expected;  // brightness, contrast, hue, saturation, input, mux
    } cases[] = {
        {"power-on", {0xA9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00}, false, {128, 128, 128, 128, "tuner", 0x20}},
        {"set values, bit 8 clear", {0xE9, 0xA0, 0x48, 0x68, 0x6A, 0x00, 0xE4}, false, {200, 52, 100, 53, "composite", 0x60}},
        {"largest values", {0xA9, 0xE7, 0x7F, 0xFE, 0xFE, 0x69, 0x7F}, false, {255, 255, 255, 255, "svideo", 0x20}},
        {"zero", {0xA9, 0xA0, 0x80, 0x00, 0x00, 0x00, 0x80}, false, {0, 0, 0, 0, "tuner", 0x20}},
        {"odd figure reads the value below", {0xA9, 0xA4, 0x00, 0x01, 0x00, 0x00, 0x00}, false, {128, 128, 128, 0, "tuner", 0x20}},
        {"alternative board tuner", {0xE9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00}, true, {128, 128, 128, 128, "tuner", 0x60}},
        {"alternative board composite", {0xC9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00}, true, {128, 128, 128, 128, "composite", 0x40}},
        {"no input of the board", {0x89, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00}, false, {128, 128, 128, 128, "multiplexer 0x00", 0x00}},
    };
    for (const auto &c : cases) {
        CardPicture card = ReadBackPicture(c.registers, c.alternativeBoard);
        EXPECT_EQ(card.brightness, c.expected.brightness) << c.name;
        EXPECT_EQ(card.contrast, c.expected.contrast) << c.name;
        EXPECT_EQ(card.hue, c.expected.hue) << c.name;
        EXPECT_EQ(card.saturation, c.expected.saturation) << c.name;
        EXPECT_EQ(card.input, c.expected.input) << c.name;
        EXPECT_EQ(card.mux, c.expected.mux) << c.name;
    }
}

}  // namespace
