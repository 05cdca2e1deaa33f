// From vidcfg.ini to the decoder: the board the file names decides which
// input-multiplexer bits source selection writes on the simulated card.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "bus/bus_link.h"
#include "support/simcard_access.h"
#include "support/test_env.h"
#include "tv/board_config.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvhost/diag.h"

namespace {

using namespace tvcore::card;

class BoardOnCard : public testing::Test {
protected:
    static void SetUpTestSuite() {
        tvtest::SimCard().RestoreDefaults();
        ASSERT_TRUE(ConnectBusLink(nullptr, DLL_PROCESS_ATTACH));
    }
    static void TearDownTestSuite() { ConnectBusLink(nullptr, DLL_PROCESS_DETACH); }

    void SetUp() override {
        tvState = kTvStateAtLoad;
        card_.RestoreDefaults();
        card_.PowerOn();
        windir_ = tvtest::MakeTempDir("windows");
        setenv("TVHOST_WINDIR", windir_.c_str(), 1);
    }
    void TearDown() override {
        tvState = kTvStateAtLoad;
        tvtest::UseBuildTreeHost();
    }

    // Loads the board file (none when `text` is null) the way the library
    // does at load.
    void LoadBoard(const char *text) {
        if (text != nullptr) tvtest::WriteFile(windir_ + "/vidcfg.ini", text);
        LoadBoardConfig();
    }

    uint8_t Register(uint8_t reg) const {
        uint8_t regs[256];
        card_.DecoderRegisters(regs);
        return regs[reg];
    }

    const tvtest::SimCardApi &card_ = tvtest::SimCard();
    std::string windir_;
};

TEST_F(BoardOnCard, SourceSelectionWritesTheBoardsMuxBits) {
    struct Board {
        const char *name;
        const char *file;  // null: no file
        uint8_t compositeMux, tunerMux;
    } boards[] = {
        {"no file", nullptr, 0x60, 0x20},
        {"standard board", "[SYSTEM]\r\nBoardType=STANDARD\r\n", 0x60, 0x20},
        {"alternative board", "[SYSTEM]\r\nBoardType = QX_KESTREL\r\n", 0x40, 0x60},
    };
    struct Source {
        uint32_t value;
        bool composite;  // else the tuner's field (tuner and S-video luma)
        bool svideo;
    } sources[] = {{0, true, false}, {2, true, false}, {1, false, true}, {4, false, false}, {5, false, false}};

    for (const Board &board : boards) {
        SCOPED_TRACE(board.name);
        tvState = kTvStateAtLoad;
        std::remove((windir_ + "/vidcfg.ini").c_str());
        LoadBoard(board.file);
        ASSERT_EQ(tvState.compositeMux, board.compositeMux);
        ASSERT_EQ(tvState.tunerMux, board.tunerMux);

        for (const Source &source : sources) {
            SCOPED_TRACE("source " + std::to_string(source.value));
            card_.PowerOn();
            const uint8_t inputBefore = Register(kRegInput);
            ASSERT_EQ(SetTVParam(TV_PARAM_SOURCE, source.value), TV_OK);
            const uint8_t input = Register(kRegInput);
            EXPECT_EQ(input & kInputMuxMask, source.composite ? board.compositeMux : board.tunerMux);
            EXPECT_EQ(input & ~kInputMuxMask & 0xFF, inputBefore & ~kInputMuxMask & 0xFF)
                << "bits outside the mux field were changed";
            EXPECT_EQ((Register(kRegControl) & kControlSVideo) != 0, source.svideo);
        }
    }
}

TEST_F(BoardOnCard, ReaderLeavesNothingOpenAndChangesNoOtherState) {
    const uint32_t handles = TvHostOpenHandleCount(), regions = TvHostLiveRegions();
    card_.LogClear();
    LoadBoard("[SYSTEM]\nBoardType=QX_KESTREL\n");
    EXPECT_EQ(card_.LogTotal(), 0u) << "reading the board file must not touch the card";
    EXPECT_EQ(TvHostOpenHandleCount(), handles);
    EXPECT_EQ(TvHostLiveRegions(), regions);
    EXPECT_EQ(GetTVParam(TV_PARAM_BRIGHTNESS), 128);
    EXPECT_EQ(GetTVParam(TV_PARAM_CHANNEL), 0);
}

}  // namespace
