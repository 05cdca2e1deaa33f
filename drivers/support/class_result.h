// A bus call's result in words, for the result layout the kernel-backed bus
// drivers share: bits 8..15 carry an error class, 0 on success; classes
// 1..0xEF are the errno a request failed with, 0xF0 and above the driver's
// own refusals.
#pragma once

#include <stdint.h>

namespace tvdrv {

struct ClassWords {
    // How an errno class begins: "the kernel answered", "a V4L2 request failed with".
    const char *errnoLead;
    // The driver's words for a class: the whole text for its own classes,
    // or what follows an errno's words ("no device acknowledged"); null when
    // it has none.
    const char *(*own)(uint32_t errorClass);
};

// As tvbusDescribeResult: `call` is TVBUS_CALL_*; a read that succeeded is
// its byte, a write or block that succeeded is "done". 0 for an unknown call.
uint32_t DescribeClassResult(const ClassWords &words, uint32_t call, uint32_t result, char *text, uint32_t size);

}  // namespace tvdrv
