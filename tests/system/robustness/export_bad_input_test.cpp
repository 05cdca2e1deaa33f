// Bad input to every exported function, through the loaded module on the
// simulated card and mixer: each class of id, value, pointer and record
// gets its documented answer, and sends exactly what it should (most often
// nothing) to the card or the mixer. docs/bad-input.md is the same table.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "harness.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/thunk.h"

namespace {

using robust::Card;
using robust::CardLog;
using robust::CardRegister;
using robust::Mixer;

constexpr uint32_t kIdClasses[] = {0, 7, 255, 256, 0xFFFF, 0x10000, 0x10003, 0x80000001u, 0xFFFFFFFFu};
constexpr uint32_t kValueClasses[] = {0, 1, 6, 7, 255, 256, 0xFFFF, 0x10000, 0xFFFFFFFFu};

class ExportBadInput : public robust::LoadedLibraryTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(LoadedLibraryTest::SetUp());
        Card().LogClear();
    }

    uint64_t Traffic() const { return Card().LogTotal(); }
};

TEST_F(ExportBadInput, ParameterIdsOutsideOneToSixAreRefusedAndSendNothing) {
    for (uint32_t id : kIdClasses) {
        for (uint32_t value : kValueClasses) {
            EXPECT_EQ(lib.SetTVParam(id, value), TV_ERR_BAD_PARAM) << "id " << id << " value " << value;
        }
        EXPECT_EQ(lib.GetTVParam(id), TV_ERR_BAD_PARAM) << "id " << id;
    }
    EXPECT_EQ(Traffic(), 0u);
    for (uint32_t id = TV_PARAM_CHANNEL; id <= TV_PARAM_SATURATION; ++id)
        EXPECT_EQ(lib.GetTVParam(id), id == TV_PARAM_CHANNEL ? 0 : 128) << "id " << id << " is as loaded";
}

TEST_F(ExportBadInput, PictureValuesAboveAByteAreRefusedWholeAndChangeNothing) {
    // The whole 32-bit value is compared: a value whose low byte would be
    // fine is refused all the same.
    constexpr uint32_t kRefused[] = {256, 0x1FF, 0xFFFF, 0x10000, 0x10080, 0x80000000u, 0xFFFFFFFFu};
    uint8_t before[256];
    Card().DecoderRegisters(before);
    for (uint32_t id = TV_PARAM_BRIGHTNESS; id <= TV_PARAM_SATURATION; ++id) {
        for (uint32_t value : kRefused)
            EXPECT_EQ(lib.SetTVParam(id, value), TV_ERR_BAD_VALUE) << "id " << id << " value " << value;
        EXPECT_EQ(lib.GetTVParam(id), 128) << "id " << id;
    }
    EXPECT_EQ(Traffic(), 0u) << "a refused picture value is judged before anything is read or written";
    uint8_t after[256];
    Card().DecoderRegisters(after);
    EXPECT_EQ(std::vector<uint8_t>(before, before + 256), std::vector<uint8_t>(after, after + 256));

    for (uint32_t id = TV_PARAM_BRIGHTNESS; id <= TV_PARAM_SATURATION; ++id) {
        for (uint32_t edge : {0u, 255u}) {
            EXPECT_EQ(lib.SetTVParam(id, edge), TV_OK) << "id " << id << " value " << edge;
            EXPECT_EQ(lib.GetTVParam(id), static_cast<int32_t>(edge)) << "id " << id;
        }
    }
}

TEST_F(ExportBadInput, SourceValuesAreJudgedByTheirLowByteAfterTwoReads) {
    struct Case {
        uint32_t value;
        int32_t result;
    } cases[] = {
        {3, TV_ERR_BAD_VALUE},          {6, TV_ERR_BAD_VALUE},   {255, TV_ERR_BAD_VALUE},
        {0x103, TV_ERR_BAD_VALUE},      {0x80000006u, TV_ERR_BAD_VALUE},
        {0xFFFFFFFFu, TV_ERR_BAD_VALUE}, {0x104, TV_OK},          {0xFFFFFF05u, TV_OK},
        {0x100, TV_OK},                 {0x10001, TV_OK},        {0x10002, TV_OK},
    };
    for (const Case &c : cases) {
        uint64_t first = Traffic();
        EXPECT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, c.value), c.result) << c.value;
        std::vector<TvSimTransaction> sent = CardLog(first);
        size_t expected = c.result == TV_OK ? 4 : 2;
        ASSERT_EQ(sent.size(), expected) << c.value << ": input and control are read, and written only if taken";
        EXPECT_EQ(sent[0].op, TVSIM_OP_READ);
        EXPECT_EQ(sent[0].reg, 0x01u);
        EXPECT_EQ(sent[1].op, TVSIM_OP_READ);
        EXPECT_EQ(sent[1].reg, 0x0Bu);
        EXPECT_EQ(lib.GetTVParam(TV_PARAM_SOURCE), 1) << "the source is never read back";
    }
}

TEST_F(ExportBadInput, ChannelsOutsideThePlanOrWithoutAPlanSendNothing) {
    struct Case {
        uint32_t source;  // selected first
        uint32_t value;
    } cases[] = {
        {TV_SOURCE_TUNER_CABLE, 126},       {TV_SOURCE_TUNER_CABLE, 255},
        {TV_SOURCE_TUNER_CABLE, 0xFFFFFFFFu}, {TV_SOURCE_TUNER_CABLE, 0x1FF},
        {TV_SOURCE_TUNER_BROADCAST, 70},    {TV_SOURCE_TUNER_BROADCAST, 0x80000046u},
        {TV_SOURCE_COMPOSITE, 5},           {TV_SOURCE_COMPOSITE, 0},
        {TV_SOURCE_SVIDEO, 0x105},          {TV_SOURCE_SVIDEO, 0xFFFFFFFFu},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, c.source), TV_OK);
        uint64_t first = Traffic();
        EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, c.value), TV_ERR_BAD_VALUE)
            << "source " << c.source << " channel value " << c.value;
        EXPECT_EQ(Traffic(), first) << "source " << c.source << " channel value " << c.value;
        EXPECT_EQ(lib.GetTVParam(TV_PARAM_CHANNEL), 0) << "the stored channel is unchanged";
    }
    // Only the low byte counts: 0xFFFFFF05 tunes channel 5 of the cable plan.
    ASSERT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE), TV_OK);
    uint64_t first = Traffic();
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 0xFFFFFF05u), TV_OK);
    EXPECT_EQ(lib.GetTVParam(TV_PARAM_CHANNEL), 5);
    std::vector<TvSimTransaction> sent = CardLog(first);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].op, TVSIM_OP_BLOCK);
    EXPECT_EQ(sent[0].count, 4u);
    EXPECT_EQ(sent[1].op, TVSIM_OP_READ);
}

TEST_F(ExportBadInput, BusCallWordsLoseTheirUpperBitsBeforeTheyCross) {
    struct Case {
        uint32_t op;  // TVSIM_OP_READ or TVSIM_OP_WRITE
        uint32_t device, reg, value;
        uint32_t crossedDevice, crossedReg, crossedValue;
        uint32_t answer;
    } cases[] = {
        {TVSIM_OP_WRITE, 0x88, 0x0C, 0x1FE, 0x88, 0x0C, 0x1FE, TVSIM_OK},
        {TVSIM_OP_WRITE, 0x10088, 0x1000C, 0xFFFFFFFFu, 0x88, 0x0C, 0xFFFF, TVSIM_OK},
        {TVSIM_OP_READ, 0x10088, 0xFFFF000C, 0, 0x88, 0x0C, 0, 0xFF},
        {TVSIM_OP_READ, 0x88, 0x10F, 0, 0x88, 0x10F, 0, 0x00},  // the card keys its registers by the low byte
        {TVSIM_OP_READ, 0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0xFFFF, 0xFFFF, 0, 0xFF},
        {TVSIM_OP_WRITE, 0, 0, 0, 0, 0, 0, TVSIM_NO_ACK},
        {TVSIM_OP_WRITE, 0x188, 0x0A, 0x80, 0x188, 0x0A, 0x80, TVSIM_NO_ACK},
        {TVSIM_OP_WRITE, TV_I2C_TUNER, 0, 0, 0xC2, 0, 0, TVSIM_BAD_BLOCK},
        {TVSIM_OP_READ, 0x42, 0, 0, 0x42, 0, 0, 0xFF},
    };
    for (const Case &c : cases) {
        uint64_t first = Traffic();
        uint32_t answer = c.op == TVSIM_OP_READ ? lib.I2C_Read(c.device, c.reg) : lib.I2C_Write(c.device, c.reg, c.value);
        EXPECT_EQ(answer, c.answer) << std::hex << "device 0x" << c.device << " reg 0x" << c.reg;
        std::vector<TvSimTransaction> sent = CardLog(first);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].op, c.op);
        EXPECT_EQ(sent[0].device, c.crossedDevice);
        EXPECT_EQ(sent[0].reg, c.crossedReg);
        EXPECT_EQ(sent[0].value, c.crossedValue);
    }
    EXPECT_EQ(CardRegister(0x0C), 0xFF) << "the register took the low byte of 0xFFFF";
}

TEST_F(ExportBadInput, BlockPointersAndCountsAreAnsweredByTheDriverWithoutReadingTooFar) {
    // Bytes for the calls that pass a real block: never more than 3 of them
    // may be read, whatever count is claimed (AddressSanitizer watches).
    std::vector<uint8_t> three = {0x0A, 0x11, 0x22};
    struct Case {
        const char *what;
        uint32_t device;
        bool null;
        uint32_t count;
        uint32_t result;
    } cases[] = {
        {"NULL with a count to the decoder", TV_I2C_DECODER, true, 4, TVSIM_BAD_POINTER},
        {"NULL with a count to the tuner", TV_I2C_TUNER, true, 4, TVSIM_BAD_POINTER},
        {"NULL with count 0", TV_I2C_DECODER, true, 0, TVSIM_BAD_POINTER},
        {"NULL with a huge count", TV_I2C_TUNER, true, 0xFFFFFFFFu, TVSIM_BAD_POINTER},
        {"NULL to a missing device", 0x77, true, 4, TVSIM_NO_ACK},
        {"huge count to the tuner", TV_I2C_TUNER, false, 0xFFFFFFFFu, TVSIM_BAD_BLOCK},
        {"huge count to the decoder", TV_I2C_DECODER, false, 0xFFFFFFFFu, TVSIM_BAD_BLOCK},
        {"one past the decoder's longest block", TV_I2C_DECODER, false, 258, TVSIM_BAD_BLOCK},
        {"a short tuner block", TV_I2C_TUNER, false, 3, TVSIM_BAD_BLOCK},
        {"count 0", TV_I2C_DECODER, false, 0, TVSIM_OK},
        {"device with upper bits", 0xFFFF0088u, false, 3, TVSIM_OK},
    };
    for (const Case &c : cases) {
        uint64_t first = Traffic();
        uint8_t before[256];
        Card().DecoderRegisters(before);
        EXPECT_EQ(lib.I2C_WriteBlk(c.device, c.null ? nullptr : three.data(), c.count), c.result) << c.what;
        std::vector<TvSimTransaction> sent = CardLog(first);
        ASSERT_EQ(sent.size(), 1u) << c.what << ": one attempt, never retried";
        EXPECT_EQ(sent[0].op, TVSIM_OP_BLOCK) << c.what;
        EXPECT_EQ(sent[0].device, c.device & 0xFFFF) << c.what;
        EXPECT_EQ(sent[0].count, c.count) << c.what << ": the 32-bit count crosses whole";
        EXPECT_EQ(TvHostLiveTranslations(), 0u) << c.what << ": the translation is released";
        if (c.result != TVSIM_OK) {
            uint8_t after[256];
            Card().DecoderRegisters(after);
            EXPECT_EQ(std::vector<uint8_t>(before, before + 256), std::vector<uint8_t>(after, after + 256))
                << c.what << ": a refused block changes nothing";
        }
    }
    EXPECT_EQ(CardRegister(0x0A), 0x11) << "the 3-byte block wrote register 0x0A and 0x0B";
    EXPECT_EQ(CardRegister(0x0B), 0x22);
}

TEST_F(ExportBadInput, ABlockWithNoTranslationLeftCrossesAsNull) {
    // Every translation slot held elsewhere: the block cannot be given a
    // 16:16 value, crosses as 0, and the driver refuses it unread.
    uint8_t elsewhere = 0;
    std::vector<DWORD> held;
    for (DWORD value = SMapLS_IP_EBP_12(&elsewhere); value != 0; value = SMapLS_IP_EBP_12(&elsewhere))
        held.push_back(value);
    EXPECT_EQ(held.size(), TVHOST_TRANSLATION_SLOTS);
    const uint8_t block[3] = {0x0A, 0x01, 0x02};
    EXPECT_EQ(lib.I2C_WriteBlk(TV_I2C_DECODER, block, sizeof block), TVSIM_BAD_POINTER);
    EXPECT_EQ(TvHostLiveTranslations(), TVHOST_TRANSLATION_SLOTS);
    for (DWORD value : held) SUnMapLS_IP_EBP_12(value);
    EXPECT_EQ(lib.I2C_WriteBlk(TV_I2C_DECODER, block, sizeof block), TVSIM_OK) << "slots free again";
}

class AudioBadInput : public ExportBadInput {
protected:
    void SetUp() override {
        ExportBadInput::SetUp();
        ASSERT_EQ(lib.InitTVAudio(&good), 1u);
        Mixer().clearCalls();
    }
    void TearDown() override {
        // Handles the test opened beside the module's own.
        for (HMIXER handle : extra) mixerClose(handle);
        ExportBadInput::TearDown();
    }
    TvMixerLine good{};
    std::vector<HMIXER> extra;
};

TEST_F(AudioBadInput, ANullRecordIsRefusedBeforeAnyMixerCall) {
    EXPECT_EQ(lib.InitTVAudio(nullptr), 0u);
    EXPECT_EQ(lib.SetTVVol(nullptr, 100), MMSYSERR_INVALPARAM);
    EXPECT_EQ(lib.GetTVVol(nullptr), 0u);
    EXPECT_EQ(lib.SetTVMute(nullptr, 1), MMSYSERR_INVALPARAM);
    EXPECT_EQ(lib.GetTVMute(nullptr), 0u);
    EXPECT_EQ(Mixer().callCount(), 0u);
}

TEST_F(AudioBadInput, RecordsWithGarbageWordsGetTheMixersAnswer) {
    HMIXER stale = 0;
    ASSERT_EQ(mixerOpen(&stale, 0, 0, 0, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mixerClose(stale), MMSYSERR_NOERROR);
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    ASSERT_NE(semaphore, 0u);
    Mixer().clearCalls();

    struct Case {
        const char *what;
        uint32_t TvMixerLine::*field;
        uint32_t value;
        MMRESULT setResult;      // SetTVVol and SetTVMute
        uint32_t messages;       // messages that reach the driver per call (0: refused by the host)
        uint32_t channelsSent;   // cChannels of a volume call that reaches the driver
        bool readsGiveZero;      // GetTVVol/GetTVMute answer 0
    } cases[] = {
        {"handle 0", &TvMixerLine::mixerHandle, 0, MMSYSERR_INVALHANDLE, 0, 0, true},
        {"garbage handle", &TvMixerLine::mixerHandle, 0xDEADBEEFu, MMSYSERR_INVALHANDLE, 0, 0, true},
        {"all-ones handle", &TvMixerLine::mixerHandle, 0xFFFFFFFFu, MMSYSERR_INVALHANDLE, 0, 0, true},
        {"closed handle", &TvMixerLine::mixerHandle, stale, MMSYSERR_INVALHANDLE, 0, 0, true},
        {"a semaphore's handle", &TvMixerLine::mixerHandle, semaphore, MMSYSERR_INVALHANDLE, 0, 0, true},
        {"volume control 0", &TvMixerLine::volumeControlId, 0, MIXERR_INVALCONTROL, 1, 2, true},
        {"volume control garbage", &TvMixerLine::volumeControlId, 0xFFFFFFFFu, MIXERR_INVALCONTROL, 1, 2, true},
        {"channel count 0", &TvMixerLine::channelCount, 0, MMSYSERR_INVALPARAM, 1, 0, true},
        {"channel count 3", &TvMixerLine::channelCount, 3, MMSYSERR_NOERROR, 1, 2, false},
        {"channel count all ones", &TvMixerLine::channelCount, 0xFFFFFFFFu, MMSYSERR_NOERROR, 1, 2, false},
        {"bounds and volumes garbage", &TvMixerLine::volumeMax, 7, MMSYSERR_NOERROR, 1, 2, false},
    };
    for (const Case &c : cases) {
        TvMixerLine line = good;
        line.*c.field = c.value;
        line.leftVolume = line.rightVolume = line.volumeMin = 0xA5A5A5A5u;  // never read by the calls
        TvMixerLine unchanged = line;

        Mixer().clearCalls();
        EXPECT_EQ(lib.SetTVVol(&line, 1000), c.setResult) << c.what;
        std::vector<TvMixSimCall> calls = Mixer().AllCalls();
        ASSERT_EQ(calls.size(), c.messages) << c.what << ": one attempt at most, never retried";
        if (c.messages == 1) {
            EXPECT_EQ(calls[0].cChannels, c.channelsSent) << c.what;
        }
        EXPECT_EQ(line, unchanged) << c.what << ": SetTVVol writes nothing into the record";

        uint32_t volume = lib.GetTVVol(&line);
        if (c.readsGiveZero) {
            EXPECT_EQ(volume, 0u) << c.what;
            EXPECT_EQ(line.leftVolume, 0u) << c.what << ": a failed read stores 0, not stale memory";
            EXPECT_EQ(line.rightVolume, 0u) << c.what;
        } else {
            EXPECT_EQ(volume, 1000u) << c.what;
        }
    }
    // The mute calls with a bad handle or control.
    TvMixerLine badHandle = good, badMute = good;
    badHandle.mixerHandle = stale;
    badMute.muteControlId = 0;
    EXPECT_EQ(lib.SetTVMute(&badHandle, 1), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(lib.GetTVMute(&badHandle), 0u);
    EXPECT_EQ(lib.SetTVMute(&badMute, 1), MIXERR_INVALCONTROL);
    EXPECT_EQ(lib.GetTVMute(&badMute), 0u);

    // None of it disturbed the good record or the library.
    EXPECT_EQ(lib.SetTVVol(&good, 321), MMSYSERR_NOERROR);
    EXPECT_EQ(lib.GetTVVol(&good), 321u);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_HUE, 77), TV_OK);
    EXPECT_EQ(CloseHandle(semaphore), TRUE);
}

TEST_F(AudioBadInput, InitialisingOverAndOverEndsWhenTheHostsHandlesRunOut) {
    // Every successful InitTVAudio opens one more handle; the host holds at
    // most 1024 open mixer handles, so the next open fails and the answer is
    // 0 with a zero handle, and nothing else breaks.
    std::vector<TvMixerLine> lines;
    TvMixerLine line{};
    while (lib.InitTVAudio(&line) == 1u) {
        lines.push_back(line);
        ASSERT_LE(lines.size(), 1024u);
    }
    EXPECT_EQ(TvHostOpenMixerHandles(), 1024u);
    EXPECT_EQ(line.mixerHandle, 0u);
    EXPECT_EQ(line.channelCount, 2u);
    EXPECT_EQ(lib.SetTVVol(&lines.back(), 77), MMSYSERR_NOERROR) << "the records still work";
    for (size_t i = 0; i + 1 < lines.size(); ++i) mixerClose(lines[i].mixerHandle);
    EXPECT_EQ(TvHostOpenMixerHandles(), 2u) << "left: the fixture's record's, and the latest (closed at unload)";
}

TEST_F(AudioBadInput, OneChannelSetsBothAndReadsBackOnlyTheLeft) {
    TvMixerLine line = good;
    line.channelCount = 1;
    EXPECT_EQ(lib.SetTVVol(&line, 4000), MMSYSERR_NOERROR);
    uint32_t values[2] = {};
    ASSERT_EQ(Mixer().getChannelValues(0, good.volumeControlId, values), MMSYSERR_NOERROR);
    EXPECT_EQ(values[0], 4000u);
    EXPECT_EQ(values[1], 4000u);
    EXPECT_EQ(lib.GetTVVol(&line), 4000u);
    EXPECT_EQ(line.rightVolume, 0u) << "one channel read: the second value stays as the zeroed buffer had it";
}

TEST_F(AudioBadInput, VolumeAndMuteValuesPassUnchangedAndTheMixerJudgesThem) {
    struct Case {
        bool mute;
        uint32_t value;
        MMRESULT result;
        uint32_t readBack;
    } cases[] = {
        {false, 65535, MMSYSERR_NOERROR, 65535},    {false, 65536, MIXERR_INVALVALUE, 65535},
        {false, 0xFFFFFFFFu, MIXERR_INVALVALUE, 65535}, {false, 0, MMSYSERR_NOERROR, 0},
        {true, 0xFFFFFFFFu, MMSYSERR_NOERROR, 1},   {true, 2, MMSYSERR_NOERROR, 1},
        {true, 0, MMSYSERR_NOERROR, 0},
    };
    for (const Case &c : cases) {
        Mixer().clearCalls();
        MMRESULT result = c.mute ? lib.SetTVMute(&good, c.value) : lib.SetTVVol(&good, c.value);
        EXPECT_EQ(result, c.result) << (c.mute ? "mute " : "volume ") << c.value;
        std::vector<TvMixSimCall> calls = Mixer().AllCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].values[0], c.value) << "passed unchanged, not clamped";
        EXPECT_EQ(calls[0].values[1], c.value);
        EXPECT_EQ(c.mute ? lib.GetTVMute(&good) : lib.GetTVVol(&good), c.readBack);
    }
}

}  // namespace
