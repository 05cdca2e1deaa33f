// Tuning: a channel number becomes the tuner's 4-byte block through the
// selected plan; after a fixed pause the decoder tells whether it locked.
#include "tv/tuning.h"

#include "tv/plan_tables.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvhost/win32.h"

using namespace tvcore::card;

int32_t TuneTVChannel(uint32_t value) {
    const PlanTables *plan = FindPlan(tvState.sourcePlan);
    if (plan == nullptr) return TV_ERR_BAD_VALUE;
    uint8_t channel = static_cast<uint8_t>(value);
    if (channel >= plan->entries) return TV_ERR_BAD_VALUE;

    const TunerBlock block = MakeTunerBlock(static_cast<uint16_t>(plan->dividers[channel]),
                                            static_cast<uint16_t>(plan->bandCodes[channel]));
    I2C_WriteBlk(kTunerAddress, block.data(), block.size());  // a lost block shows up as no lock
    tvState.channel = channel;
    return CheckTVLock() == 1 ? TV_OK : TV_ERR_NO_LOCK;
}

uint32_t CheckTVLock() {
    // The pause is a wait on a semaphore that nobody releases. Should the
    // semaphore not be available, the pause is taken with Sleep instead: the
    // decoder is asked either way, so a tune never reports a lock it did not
    // see.
    HANDLE pause = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    if (pause) {
        WaitForSingleObject(pause, kLockPauseMs);
        CloseHandle(pause);
    } else {
        Sleep(kLockPauseMs);
    }
    const uint32_t status = I2C_Read(kDecoderAddress, kRegStatus);
    // A read answer above 0xFF is a failed read: bus drivers report the
    // failure in the upper bits and 0xFF, an idle bus, in the low byte, and
    // without a link the read answers TV_I2C_NO_LINK. Either way no decoder
    // answered, so no lock was seen, though the low byte has the lock bit.
    if (status > 0xFFu) return 0;
    return (status & kStatusLock) != 0 ? 1u : 0u;
}
