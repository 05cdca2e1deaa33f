// A bus driver for testing the connect step. One source, built as several
// modules (tvbus16.so in separate directories), each with one flaw chosen
// by TEST_DRIVER_FLAW:
//   0  none: a well-formed block whose connect answers testConnectAnswer
//      and records every reason it is asked with
//   1  the block's signature is wrong
//   2  the block counts 2 entries instead of 3
//   3  the block's write call is NULL
#include <cstdint>

#include "tvhost/thunk.h"

#ifndef TEST_DRIVER_FLAW
#error "TEST_DRIVER_FLAW must be set"
#endif

namespace {

uint32_t Read(uint16_t, uint16_t reg) { return reg; }
uint32_t Write(uint16_t, uint16_t, uint16_t) { return 0; }
uint32_t WriteBlk(uint16_t, uint32_t, uint32_t) { return 0; }

}  // namespace

extern "C" {

#define TEST_EXPORT __attribute__((visibility("default")))

TEST_EXPORT int32_t testConnectAnswer = 1;
TEST_EXPORT uint32_t testConnectCalls = 0;
TEST_EXPORT uint32_t testConnectReasons[64];

static int32_t Connect(uint32_t reason) {
    if (testConnectCalls < 64) testConnectReasons[testConnectCalls] = reason;
    ++testConnectCalls;
    return testConnectAnswer;
}

TEST_EXPORT ThunkData16 thk_ThunkData16 = {
    {'L', 'S', TEST_DRIVER_FLAW == 1 ? '1' : '0', TEST_DRIVER_FLAW == 1 ? '0' : '1'},
    TEST_DRIVER_FLAW == 2 ? 2u : THUNK_ENTRY_COUNT,
    Read,
    TEST_DRIVER_FLAW == 3 ? nullptr : Write,
    WriteBlk,
    Connect,
};

}  // extern "C"
