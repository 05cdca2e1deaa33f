// Reaches the simulated card's API (tvsim.h) at run time: the test opens the
// same tvbus16.so that the bus link loads, so both see one card.
#pragma once

#include "tvhost/thunk.h"
#include "tvsim.h"

namespace tvtest {

struct SimCardApi {
    uint64_t (*LogTotal)(void);
    uint32_t (*LogRead)(uint64_t first, TvSimTransaction *out, uint32_t max);
    void (*LogClear)(void);
    void (*PowerOn)(void);
    void (*RestoreDefaults)(void);
    int32_t (*SetStations)(const double *mhz, uint32_t count);
    uint32_t (*GetStations)(double *out, uint32_t max);
    void (*SetSettleMs)(uint32_t milliseconds);
    uint32_t (*GetSettleMs)(void);
    void (*SetBusAvailable)(int32_t available);
    void (*DecoderRegisters)(uint8_t out[256]);
    uint8_t (*DecoderStatus)(void);
    uint32_t (*TunerState)(TvSimTuner *out);
    TvbusDescribeDeviceProc DescribeDevice;
    TvbusRefusalReasonProc RefusalReason;
    uint32_t (*Frame)(uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size, TvSimFrameInfo *info);
    int32_t (*SetFrameSize)(uint32_t width, uint32_t height);
    decltype(&TvSimFailTransaction) FailTransaction;
    decltype(&TvSimFailDevice) FailDevice;
    decltype(&TvSimClearFaults) ClearFaults;
    decltype(&TvSimFaultsInjected) FaultsInjected;
};

// The card's API from tvbus16.so in the build tree's module directory,
// opened once per process and kept open (so the card outlives any unlink).
// Aborts the test program with a message when the module or a name is
// missing.
const SimCardApi &SimCard();

}  // namespace tvtest
