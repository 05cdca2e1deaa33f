// The connect entry of a bus driver that holds one device from process
// attach to process detach, and the words it keeps for the host: the device
// it drives (tvbusDescribeDevice) and why its last connect refused
// (tvbusRefusalReason).
#pragma once

#include <stdint.h>

#include "kept_text.h"

namespace tvdrv {

class BusDevice {
public:
    explicit BusDevice(const char *who) : who_(who) {}

    struct Hooks {
        bool (*isOpen)();
        bool (*open)();  // false: refused, after a call to Refuse
        void (*close)();
    };

    // Process attach opens the device (once), process detach closes it; any
    // other notification answers whether it is open. 1: the bus is there.
    int32_t Connect(uint32_t reason, const Hooks &hooks);

    // From `open`: why the device cannot serve, to the debug channel and kept
    // as the refusal.
    void Refuse(const char *format, ...) __attribute__((format(printf, 2, 3)));  // NOLINT(cert-dcl50-cpp)
    // From `open`: the device it now drives, in words.
    KeptText &Device() { return device_; }

    uint32_t PutDevice(char *text, uint32_t size) const { return device_.Put(text, size); }
    uint32_t PutRefusal(char *text, uint32_t size) const { return refusal_.Put(text, size); }

private:
    const char *who_;
    KeptText device_;
    KeptText refusal_;
};

}  // namespace tvdrv
