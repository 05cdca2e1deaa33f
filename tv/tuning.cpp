// Tuning: a channel number becomes the tuner's 4-byte block through the
// selected plan; after a fixed pause the decoder tells whether it locked.
#include "tv/tuning.h"

#include "tv/plan_tables.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvhost/win32.h"

namespace tvcore {

using namespace card;

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
    // A failed read (TV_I2C_NO_LINK without a link) is no lock.
    return IsLocked(I2C_Read(kDecoderAddress, kRegStatus)) ? 1u : 0u;
}

}  // namespace tvcore
