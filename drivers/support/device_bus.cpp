#include "device_bus.h"

#include "tvhost/thunk.h"

extern "C" {

uint32_t tvbusDescribeDevice(char *text, uint32_t size) { return tvdrv::kDeviceBus.device.PutDevice(text, size); }

uint32_t tvbusRefusalReason(char *text, uint32_t size) { return tvdrv::kDeviceBus.device.PutRefusal(text, size); }

uint32_t tvbusDescribeResult(uint32_t call, uint32_t result, char *text, uint32_t size) {
    return tvdrv::DescribeClassResult(tvdrv::kDeviceBus.words, call, result, text, size);
}

}  // extern "C"
