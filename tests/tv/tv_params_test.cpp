// The TV parameter interface: exact decoder traffic for the source and the
// picture controls, refusals, and what GetTVParam reports.
#include <gtest/gtest.h>

#include <vector>

#include "support/link_fixture.h"
#include "tvcore.h"

namespace spinetest {
namespace {

using TvParams = SpineTest;

TEST_F(TvParams, ValuesAfterLoad) {
    EXPECT_EQ(GetTVParam(1), 1);
    EXPECT_EQ(GetTVParam(2), 0);
    for (uint32_t id = 3; id <= 6; ++id) EXPECT_EQ(GetTVParam(id), 128) << id;
}

TEST_F(TvParams, UnknownIdsAreRefusedWithoutTraffic) {
    for (uint32_t id : {0u, 7u, 255u, 0x10003u, 0xFFFFFFFFu}) {
        EXPECT_EQ(GetTVParam(id), TV_ERR_BAD_PARAM) << id;
        EXPECT_EQ(SetTVParam(id, 0), TV_ERR_BAD_PARAM) << id;
    }
    EXPECT_TRUE(Ops().empty());
}

// ---- Video source -------------------------------------------------------------

struct SourceRow {
    bool accepted;
    uint32_t sourcePlan;
    bool svideo;
    bool compositeMux;  // else the tuner's mux field
};

// The source table, written out row by row.
SourceRow ExpectedSource(uint8_t value) {
    switch (value) {
    case 0: return {true, 4, false, true};
    case 1: return {true, 5, true, false};
    case 2: return {true, 4, false, true};
    case 4: return {true, 1, false, false};
    case 5: return {true, 0, false, false};
    default: return {false, 0, false, false};
    }
}

TEST_F(TvParams, EverySourceValueSendsExactlyItsRegisterBytes) {
    struct Board {
        uint8_t compositeMux, tunerMux;
    } boards[] = {{0x60, 0x20}, {0x40, 0x60}};
    struct Preset {
        uint8_t input, control;
    } presets[] = {{0xA9, 0xA6}, {0xFF, 0xFF}, {0x00, 0x00}};
    for (const Board &board : boards)
        for (const Preset &preset : presets)
            for (uint32_t value = 0; value <= 255; ++value) {
                tvState.compositeMux = board.compositeMux;
                tvState.tunerMux = board.tunerMux;
                tvState.sourcePlan = 99;  // shows whether the set changed it
                I2C_Write(0x88, 0x01, preset.input);
                I2C_Write(0x88, 0x0B, preset.control);
                card.LogClear();

                SourceRow row = ExpectedSource(static_cast<uint8_t>(value));
                int32_t result = SetTVParam(1, value);
                std::vector<Op> expected = {Read(0x01), Read(0x0B)};
                if (row.accepted) {
                    uint8_t control = row.svideo ? preset.control | 0x40 : preset.control & 0xBF;
                    uint8_t mux = row.compositeMux ? board.compositeMux : board.tunerMux;
                    expected.push_back(Write(0x0B, control));
                    expected.push_back(Write(0x01, (preset.input & 0x9F) | mux));
                }
                SCOPED_TRACE(testing::Message() << "value " << value << " input " << int(preset.input) << " mux "
                                                << int(board.tunerMux));
                EXPECT_EQ(result, row.accepted ? TV_OK : TV_ERR_BAD_VALUE);
                EXPECT_EQ(Ops(), expected);
                EXPECT_EQ(tvState.sourcePlan, row.accepted ? row.sourcePlan : 99u);
                EXPECT_EQ(GetTVParam(1), 1);
            }
}

TEST_F(TvParams, OnlyTheSourceValuesLowByteCounts) {
    for (uint32_t value : {0x104u, 0xFFFFFF04u, 0x80000004u}) {
        tvState.sourcePlan = 0;
        EXPECT_EQ(SetTVParam(1, value), TV_OK) << value;
        EXPECT_EQ(tvState.sourcePlan, 1u) << value;
    }
    EXPECT_EQ(SetTVParam(1, 0x103), TV_ERR_BAD_VALUE);
    EXPECT_EQ(tvState.sourcePlan, 1u);
}

// ---- Brightness and hue ----------------------------------------------------------

TEST_F(TvParams, BrightnessAndHueAreWrittenAsTwosComplementBytes) {
    struct Control {
        uint32_t id, reg;
    } controls[] = {{3, 0x0A}, {5, 0x0F}};
    struct Case {
        uint32_t value, byte;
    } cases[] = {{0, 0x80}, {127, 0xFF}, {128, 0x00}, {255, 0x7F}};
    for (const Control &control : controls)
        for (const Case &c : cases) {
            card.LogClear();
            EXPECT_EQ(SetTVParam(control.id, c.value), TV_OK);
            EXPECT_EQ(Ops(), (std::vector<Op>{Write(control.reg, c.byte)})) << control.id << " " << c.value;
            EXPECT_EQ(GetTVParam(control.id), static_cast<int32_t>(c.value));
        }
}

TEST_F(TvParams, PictureValuesAbove255AreRefusedBeforeAnyTraffic) {
    for (uint32_t id = 3; id <= 6; ++id) {
        ASSERT_EQ(SetTVParam(id, 77), TV_OK);
        card.LogClear();
        for (uint32_t value : {256u, 0x1FFu, 0x10000u, 0x80000000u, 0xFFFFFFFFu}) {
            EXPECT_EQ(SetTVParam(id, value), TV_ERR_BAD_VALUE) << id << " " << value;
        }
        EXPECT_TRUE(Ops().empty()) << "id " << id << ": not even the control register is read";
        EXPECT_EQ(GetTVParam(id), 77);
    }
}

// ---- Contrast ------------------------------------------------------------------

TEST_F(TvParams, ContrastSplitsItsNinthBitIntoTheControlRegister) {
    struct Case {
        uint32_t value, crossing;
        bool bit8;
    } cases[] = {{0, 0x000, false}, {127, 0x0FE, false}, {128, 0x100, true}, {255, 0x1FE, true}};
    for (uint8_t preset : {0x00, 0xFF, 0xA6})
        for (const Case &c : cases) {
            I2C_Write(0x88, 0x0B, preset);
            card.LogClear();
            EXPECT_EQ(SetTVParam(4, c.value), TV_OK);
            uint8_t control = c.bit8 ? preset | 0x04 : preset & ~0x04;
            EXPECT_EQ(Ops(), (std::vector<Op>{Read(0x0B), Write(0x0B, control), Write(0x0C, c.crossing)}))
                << c.value << " preset " << int(preset);
            EXPECT_EQ(Registers()[0x0C], c.crossing & 0xFF);
            EXPECT_EQ(GetTVParam(4), static_cast<int32_t>(c.value));
        }
}

// ---- Saturation ------------------------------------------------------------------

TEST_F(TvParams, SaturationTellingRows) {
    struct Row {
        uint32_t v;
        uint8_t reg0D, reg0E;
        bool bit1, bit0;
    } rows[] = {{0, 0x00, 0x00, false, false},   {127, 0xFE, 0xB4, false, false}, {128, 0x00, 0xB5, true, false},
                {180, 0x68, 0xFF, true, false}, {181, 0x6A, 0x00, true, true},   {255, 0xFE, 0x69, true, true}};
    for (const Row &row : rows) {
        I2C_Write(0x88, 0x0B, 0x00);
        EXPECT_EQ(SetTVParam(6, row.v), TV_OK);
        std::vector<uint8_t> regs = Registers();
        EXPECT_EQ(regs[0x0D], row.reg0D) << row.v;
        EXPECT_EQ(regs[0x0E], row.reg0E) << row.v;
        EXPECT_EQ((regs[0x0B] & 0x02) != 0, row.bit1) << row.v;
        EXPECT_EQ((regs[0x0B] & 0x01) != 0, row.bit0) << row.v;
    }
}

TEST_F(TvParams, EverySaturationValueSendsUAndVWithTheirNinthBits) {
    for (uint8_t preset : {0x00, 0xFF})
        for (uint32_t v = 0; v <= 255; ++v) {
            I2C_Write(0x88, 0x0B, preset);
            card.LogClear();
            uint32_t u = 2 * v, w = (200 * v) / 141;
            uint8_t control = static_cast<uint8_t>((preset & ~0x03) | (u > 255 ? 0x02 : 0) | (w > 255 ? 0x01 : 0));
            EXPECT_EQ(SetTVParam(6, v), TV_OK);
            EXPECT_EQ(Ops(), (std::vector<Op>{Read(0x0B), Write(0x0B, control), Write(0x0D, u), Write(0x0E, w)}))
                << "v " << v << " preset " << int(preset);
            EXPECT_EQ(GetTVParam(6), static_cast<int32_t>(v));
        }
}

TEST_F(TvParams, ControlRegisterIsReadFromTheDecoderEachTime) {
    ASSERT_EQ(SetTVParam(4, 200), TV_OK);
    I2C_Write(0x88, 0x0B, 0x40);  // the decoder changed since
    card.LogClear();
    ASSERT_EQ(SetTVParam(6, 0), TV_OK);
    EXPECT_EQ(Ops()[1], Write(0x0B, 0x40));
}

}  // namespace
}  // namespace spinetest
