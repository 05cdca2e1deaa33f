// A bus driver's block write called as the link calls it: the bytes cross as
// a 16:16 value that lives for this call only.
#pragma once

#include <cstdint>

#include "tvhost/thunk.h"

namespace tvtest {

inline uint32_t WriteBlockAcrossTheLink(const ThunkData16 &bus, uint16_t device, const void *bytes, uint32_t count) {
    DWORD block = SMapLS_IP_EBP_12(bytes);
    uint32_t result = bus.writeBlk(device, block, count);
    SUnMapLS_IP_EBP_12(block);
    return result;
}

}  // namespace tvtest
