// Faults on the simulated card and mixer, and what the library answers
// under them: the TV parameter calls ignore the bus's results (a write the
// device did not take still yields 0), the I2C calls pass the driver's
// result through, the audio calls pass the mixer's codes through or answer
// 0 at the failing step, and nothing is ever retried: the card's and the
// mixer's logs show exactly one attempt of every transaction and message.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "harness.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"

namespace {

using robust::Card;
using robust::CardLog;
using robust::CardRegister;
using robust::Mixer;

class Faults : public robust::LoadedLibraryTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(LoadedLibraryTest::SetUp());
        Card().SetSettleMs(0);  // a tune locks at once on a station, so each outcome is the fault's doing
    }

    // Arms `fault` for the n-th transaction from now (0: the next one).
    static void FailNth(uint32_t n, uint32_t fault) {
        ASSERT_EQ(Card().FailTransaction(Card().LogTotal() + n, fault), 1);
    }
};

// The transactions of each TV parameter call, and what a failure of any one
// of them changes: nothing in the answer, nothing in the number of attempts.
TEST_F(Faults, TvParameterCallsIgnoreEveryFailedTransaction) {
    struct Case {
        uint32_t id, value;
        std::vector<uint32_t> ops;  // TVSIM_OP_ of each transaction, in order
    } cases[] = {
        {TV_PARAM_BRIGHTNESS, 200, {TVSIM_OP_WRITE}},
        {TV_PARAM_HUE, 17, {TVSIM_OP_WRITE}},
        {TV_PARAM_CONTRAST, 150, {TVSIM_OP_READ, TVSIM_OP_WRITE, TVSIM_OP_WRITE}},
        {TV_PARAM_SATURATION, 181, {TVSIM_OP_READ, TVSIM_OP_WRITE, TVSIM_OP_WRITE, TVSIM_OP_WRITE}},
        {TV_PARAM_SOURCE, TV_SOURCE_SVIDEO, {TVSIM_OP_READ, TVSIM_OP_READ, TVSIM_OP_WRITE, TVSIM_OP_WRITE}},
        {TV_PARAM_SOURCE, TV_SOURCE_TUNER_BROADCAST,
         {TVSIM_OP_READ, TVSIM_OP_READ, TVSIM_OP_WRITE, TVSIM_OP_WRITE}},
    };
    for (const Case &c : cases) {
        for (uint32_t fault : {TVSIM_FAULT_NO_ACK, TVSIM_FAULT_READ}) {
            for (uint32_t n = 0; n < c.ops.size(); ++n) {
                if (fault == TVSIM_FAULT_READ && c.ops[n] != TVSIM_OP_READ) continue;
                std::string what = "id " + std::to_string(c.id) + " value " + std::to_string(c.value) +
                                   ", fault " + std::to_string(fault) + " on transaction " + std::to_string(n);
                Card().PowerOn();
                uint8_t before[256];
                Card().DecoderRegisters(before);
                uint64_t first = Card().LogTotal();
                FailNth(n, fault);
                EXPECT_EQ(lib.SetTVParam(c.id, c.value), TV_OK) << what;
                std::vector<TvSimTransaction> sent = CardLog(first);
                ASSERT_EQ(sent.size(), c.ops.size()) << what << ": one attempt each, no retry";
                for (uint32_t i = 0; i < sent.size(); ++i) {
                    EXPECT_EQ(sent[i].op, c.ops[i]) << what;
                    EXPECT_EQ(sent[i].fault, i == n ? fault : TVSIM_FAULT_NONE) << what;
                }
                if (c.ops[n] == TVSIM_OP_WRITE) {
                    EXPECT_EQ(sent[n].result, TVSIM_NO_ACK) << what;
                    EXPECT_EQ(CardRegister(static_cast<uint8_t>(sent[n].reg)), before[sent[n].reg])
                        << what << ": the write that was not taken changed nothing";
                }
                if (c.id != TV_PARAM_SOURCE) {
                    EXPECT_EQ(lib.GetTVParam(c.id), static_cast<int32_t>(c.value)) << what << ": stored all the same";
                }
            }
        }
    }
    EXPECT_EQ(Card().FaultsInjected(), 23u) << "every armed fault met its transaction";
}

TEST_F(Faults, AFailedReadIsTakenAsTheByteTheBusGave) {
    // A read that failed gives 0xFF in its low byte (an idle bus); the
    // read-modify-write goes on with it, as with any byte the bus gives.
    struct Case {
        const char *what;
        uint32_t id, value, failingRead;
        uint8_t reg, written;
    } cases[] = {
        {"contrast over a failed control read", TV_PARAM_CONTRAST, 100, 0, 0x0B, 0xFB},
        {"saturation over a failed control read", TV_PARAM_SATURATION, 100, 0, 0x0B, 0xFC},
        {"cable source over a failed input read", TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE, 0, 0x01, 0xBF},
        {"cable source over a failed control read", TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE, 1, 0x0B, 0xBF},
        {"S-video over a failed control read", TV_PARAM_SOURCE, TV_SOURCE_SVIDEO, 1, 0x0B, 0xFF},
    };
    for (const Case &c : cases) {
        for (uint32_t fault : {TVSIM_FAULT_NO_ACK, TVSIM_FAULT_READ}) {
            Card().PowerOn();
            FailNth(c.failingRead, fault);
            EXPECT_EQ(lib.SetTVParam(c.id, c.value), TV_OK) << c.what;
            EXPECT_EQ(CardRegister(c.reg), c.written) << c.what << ", fault " << fault;
        }
    }
}

TEST_F(Faults, ATuneWhoseBlockIsLostIsJudgedByTheLockAlone) {
    // Power-on tuner: nothing programmed, so no lock.
    Card().PowerOn();
    uint64_t first = Card().LogTotal();
    FailNth(0, TVSIM_FAULT_NO_ACK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 7), TV_ERR_NO_LOCK);
    EXPECT_EQ(lib.GetTVParam(TV_PARAM_CHANNEL), 7) << "the channel is stored before the lock is known";
    std::vector<TvSimTransaction> sent = CardLog(first);
    ASSERT_EQ(sent.size(), 2u) << "one block, one status read, no retry";
    EXPECT_EQ(sent[0].result, TVSIM_NO_ACK);
    TvSimTuner tuner{};
    EXPECT_EQ(Card().TunerState(&tuner), 0u) << "the tuner took nothing";

    // Tuned to a station, a lost block leaves the tuner there: the decoder
    // still reports that lock, and the tune answers 0 for the old station.
    ASSERT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 7), TV_OK);
    FailNth(0, TVSIM_FAULT_NO_ACK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 9), TV_OK);
    EXPECT_EQ(lib.GetTVParam(TV_PARAM_CHANNEL), 9);
    ASSERT_EQ(Card().TunerState(&tuner), 1u);
    EXPECT_EQ(tuner.divider, 0x0DD0u) << "still channel 7's divider";
}

TEST_F(Faults, AFailedStatusReadIsNoLockButAnUnflaggedIdleByteIsTheLockBit) {
    // Channel 3 has no station: a tune answers -4. A status read that failed
    // (0x1FF: the failure in bit 8) is no lock, although its low byte has
    // bit 6; a read that answers a plain 0xFF (no acknowledge on this card)
    // carries no failure, and its byte is taken as the status.
    ASSERT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 3), TV_ERR_NO_LOCK);
    for (auto [fault, result] : {std::pair{TVSIM_FAULT_READ, TV_ERR_NO_LOCK}, std::pair{TVSIM_FAULT_NO_ACK, TV_OK}}) {
        uint64_t first = Card().LogTotal();
        FailNth(1, fault);
        EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 3), result) << "fault " << fault;
        EXPECT_EQ(CardLog(first).size(), 2u);
    }
}

TEST_F(Faults, I2CCallsPassTheDriversResultThrough) {
    struct Case {
        const char *what;
        uint32_t fault;
        uint32_t op;
        uint32_t answer;
    } cases[] = {
        {"write not acknowledged", TVSIM_FAULT_NO_ACK, TVSIM_OP_WRITE, TVSIM_NO_ACK},
        {"block not acknowledged", TVSIM_FAULT_NO_ACK, TVSIM_OP_BLOCK, TVSIM_NO_ACK},
        {"read not acknowledged", TVSIM_FAULT_NO_ACK, TVSIM_OP_READ, 0xFF},
        {"read failed", TVSIM_FAULT_READ, TVSIM_OP_READ, TVSIM_READ_FAILED},
        {"read fault meeting a write", TVSIM_FAULT_READ, TVSIM_OP_WRITE, TVSIM_OK},
    };
    const uint8_t block[3] = {0x0A, 0x55, 0x66};
    for (const Case &c : cases) {
        uint64_t first = Card().LogTotal();
        FailNth(0, c.fault);
        uint32_t answer = c.op == TVSIM_OP_READ    ? lib.I2C_Read(TV_I2C_DECODER, 0x0F)
                          : c.op == TVSIM_OP_WRITE ? lib.I2C_Write(TV_I2C_DECODER, 0x0F, 0x12)
                                                   : lib.I2C_WriteBlk(TV_I2C_DECODER, block, sizeof block);
        EXPECT_EQ(answer, c.answer) << c.what;
        EXPECT_EQ(CardLog(first).size(), 1u) << c.what;
    }
}

TEST_F(Faults, ADecoderThatNeverAnswersLeavesEveryCallAnsweringAsDesigned) {
    ASSERT_EQ(Card().FailDevice(TV_I2C_DECODER, TVSIM_FAULT_NO_ACK, TVSIM_FAULT_FOREVER), 1);
    uint64_t first = Card().LogTotal();
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE), TV_OK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CONTRAST, 10), TV_OK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_BRIGHTNESS, 10), TV_OK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 7), TV_OK) << "the unanswered status read reads 0xFF";
    EXPECT_EQ(lib.I2C_Read(TV_I2C_DECODER, 0x01), 0xFFu);
    EXPECT_EQ(lib.I2C_Write(TV_I2C_DECODER, 0x01, 0), TVSIM_NO_ACK);
    EXPECT_EQ(lib.I2C_Write(TV_I2C_TUNER, 0, 0), TVSIM_BAD_BLOCK) << "the tuner is not affected";
    std::vector<TvSimTransaction> sent = CardLog(first);
    EXPECT_EQ(sent.size(), 4u + 3u + 1u + 2u + 1u + 1u + 1u) << "one attempt each";
    uint32_t failed = 0;
    for (const TvSimTransaction &t : sent) failed += t.fault == TVSIM_FAULT_NO_ACK ? 1 : 0;
    EXPECT_EQ(failed, sent.size() - 2) << "all but the tuner's two";
    EXPECT_EQ(Card().FailDevice(TV_I2C_DECODER, TVSIM_FAULT_NO_ACK, 0), 1);
    EXPECT_EQ(lib.I2C_Write(TV_I2C_DECODER, 0x01, 0), TVSIM_OK) << "disarmed";
}

TEST_F(Faults, ATuneWithoutALinkSeesNoLock) {
    ASSERT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 7), TV_OK);
    // The bus goes away; the next thread notification finds it gone.
    Card().SetBusAvailable(0);
    std::thread([] { TvHostThreadAttach(); }).join();
    uint64_t traffic = Card().LogTotal();
    EXPECT_EQ(lib.I2C_Read(TV_I2C_DECODER, 0), TV_I2C_NO_LINK);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 9), TV_ERR_NO_LOCK) << "nothing was tuned and no decoder was asked";
    EXPECT_EQ(lib.GetTVParam(TV_PARAM_CHANNEL), 9);
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_HUE, 40), TV_OK) << "the picture calls ignore the bus, as always";
    EXPECT_EQ(Card().LogTotal(), traffic) << "nothing crossed";

    Card().SetBusAvailable(1);
    std::thread([] { TvHostThreadAttach(); }).join();
    EXPECT_EQ(lib.SetTVParam(TV_PARAM_CHANNEL, 9), TV_OK) << "the link stands again";
}

class MixerFaults : public Faults {
protected:
    void SetUp() override {
        Faults::SetUp();
        mixerGetNumDevs();  // the host loads its drivers (and asks their count) at its first mixer call
        Mixer().clearCalls();
        Mixer().clearFaults();
    }
    static void Arm(uint32_t message, uint32_t skip, uint32_t result) {
        ASSERT_EQ(Mixer().failMessage(message, skip, result), 1);
    }
    static std::vector<uint32_t> Messages() {
        std::vector<uint32_t> messages;
        for (const TvMixSimCall &call : Mixer().AllCalls()) messages.push_back(call.message);
        return messages;
    }
};

TEST_F(MixerFaults, InitTVAudioAnswersZeroAtTheFailingStepAndGoesNoFurther) {
    struct Case {
        const char *what;
        uint32_t message, skip, result;
        std::vector<uint32_t> messages;  // what reaches the driver, the failing one last
        bool handle, volume;             // what the record holds
        bool closedAtUnload;
    } cases[] = {
        {"the open fails", MXDM_OPEN, 0, MMSYSERR_ALLOCATED, {MXDM_OPEN}, false, false, false},
        {"no auxiliary line", MXDM_GETLINEINFO, 0, MIXERR_INVALLINE, {MXDM_OPEN, MXDM_GETLINEINFO}, true, false,
         true},
        {"no volume control", MXDM_GETLINECONTROLS, 0, MIXERR_INVALCONTROL,
         {MXDM_OPEN, MXDM_GETLINEINFO, MXDM_GETLINECONTROLS}, true, false, true},
        {"no mute control", MXDM_GETLINECONTROLS, 1, MMSYSERR_ERROR,
         {MXDM_OPEN, MXDM_GETLINEINFO, MXDM_GETLINECONTROLS, MXDM_GETLINECONTROLS}, true, true, true},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(lib.Loaded() || lib.Load());
        Mixer().clearCalls();
        Arm(c.message, c.skip, c.result);
        TvMixerLine line;
        std::memset(&line, 0xA5, sizeof line);
        EXPECT_EQ(lib.InitTVAudio(&line), 0u) << c.what;
        EXPECT_EQ(Messages(), c.messages) << c.what << ": one attempt, nothing after the failure";
        EXPECT_EQ(line.mixerHandle != 0, c.handle) << c.what;
        EXPECT_EQ(line.volumeControlId != 0, c.volume) << c.what;
        EXPECT_EQ(line.volumeMax, c.volume ? 65535u : 0u) << c.what;
        EXPECT_EQ(line.muteControlId, 0u) << c.what;
        EXPECT_EQ(line.channelCount, 2u) << c.what;
        EXPECT_EQ(line.leftVolume, 0u) << c.what;

        Mixer().clearCalls();
        EXPECT_TRUE(lib.Free());
        EXPECT_EQ(Messages(), c.closedAtUnload ? std::vector<uint32_t>{MXDM_CLOSE} : std::vector<uint32_t>{})
            << c.what << ": the unload closes what the failed call left open";
        EXPECT_EQ(TvHostOpenMixerHandles(), 0u) << c.what;
    }
    EXPECT_EQ(Mixer().faultsInjected(), 4u);
}

TEST_F(MixerFaults, NoDevicesCountedMeansNoMixers) {
    Arm(MXDM_GETNUMDEVS, 0, 0);
    TvHostMixerReset();  // the host asks the count again at its next call
    TvMixerLine line{};
    EXPECT_EQ(lib.InitTVAudio(&line), 0u);
    EXPECT_EQ(line.mixerHandle, 0u);
    EXPECT_EQ(Messages(), std::vector<uint32_t>{MXDM_GETNUMDEVS}) << "no open is tried";
}

TEST_F(MixerFaults, VolumeAndMuteCallsPassTheMixersCodeThroughOnce) {
    TvMixerLine line{};
    ASSERT_EQ(lib.InitTVAudio(&line), 1u);
    ASSERT_EQ(lib.SetTVVol(&line, 1234), MMSYSERR_NOERROR);
    ASSERT_EQ(lib.SetTVMute(&line, 1), MMSYSERR_NOERROR);
    for (uint32_t code : {MMSYSERR_ERROR, MMSYSERR_NOMEM, MMSYSERR_INVALHANDLE, 0x12345u, 0xFFFFFFFFu}) {
        Mixer().clearCalls();
        Arm(MXDM_SETCONTROLDETAILS, 0, code);
        EXPECT_EQ(lib.SetTVVol(&line, 999), code);
        Arm(MXDM_SETCONTROLDETAILS, 0, code);
        EXPECT_EQ(lib.SetTVMute(&line, 0), code);
        EXPECT_EQ(Messages(), (std::vector<uint32_t>{MXDM_SETCONTROLDETAILS, MXDM_SETCONTROLDETAILS}))
            << "one attempt each";
        EXPECT_EQ(lib.GetTVVol(&line), 1234u) << "a failed set changed nothing";
        EXPECT_EQ(lib.GetTVMute(&line), 1u);
    }
}

TEST_F(MixerFaults, FailedReadsAnswerZeroNeverStaleValues) {
    TvMixerLine line{};
    ASSERT_EQ(lib.InitTVAudio(&line), 1u);
    ASSERT_EQ(lib.SetTVVol(&line, 2222), MMSYSERR_NOERROR);
    ASSERT_EQ(lib.SetTVMute(&line, 1), MMSYSERR_NOERROR);
    ASSERT_EQ(lib.GetTVVol(&line), 2222u);
    Mixer().clearCalls();
    Arm(MXDM_GETCONTROLDETAILS, 0, MMSYSERR_ERROR);
    EXPECT_EQ(lib.GetTVVol(&line), 0u);
    EXPECT_EQ(line.leftVolume, 0u);
    EXPECT_EQ(line.rightVolume, 0u);
    Arm(MXDM_GETCONTROLDETAILS, 0, MMSYSERR_ERROR);
    EXPECT_EQ(lib.GetTVMute(&line), 0u);
    EXPECT_EQ(Messages(), (std::vector<uint32_t>{MXDM_GETCONTROLDETAILS, MXDM_GETCONTROLDETAILS}));
    EXPECT_EQ(lib.GetTVVol(&line), 2222u) << "the next read sees the value again";
    EXPECT_EQ(lib.GetTVMute(&line), 1u);
}

TEST_F(MixerFaults, AFailedCloseAtUnloadIsNotLookedAt) {
    TvMixerLine line{};
    ASSERT_EQ(lib.InitTVAudio(&line), 1u);
    Mixer().clearCalls();
    Arm(MXDM_CLOSE, 0, MMSYSERR_ERROR);
    EXPECT_TRUE(lib.Free());
    EXPECT_EQ(Messages(), std::vector<uint32_t>{MXDM_CLOSE}) << "one attempt";
    EXPECT_EQ(TvHostOpenMixerHandles(), 0u) << "the host let the handle go";
    EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
}

}  // namespace
