// The driver's side of the bus link: the exported block thk_ThunkData16, the
// adapter kept open from process attach to process detach, the three bus
// calls handed to the transfers on that adapter, and what the driver's word
// calls (device_bus.h) answer from.
#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <string.h>

#include <atomic>

#include "adapter_choice.h"
#include "adapter_list.h"
#include "bus_device.h"
#include "debug_line.h"
#include "device_bus.h"
#include "link_block.h"
#include "smbus_transfers.h"
#include "sys_calls.h"
#include "transfers.h"
#include "tvhost/thunk.h"
#include "tvi2cdev.h"

namespace tvi2c {
namespace {

constexpr const char *kWho = "tvi2cdev";

// The open adapter, -1 when none. Atomic because bus calls may come from any
// of the application's threads; the kernel serialises the transfers.
std::atomic<int> adapterFd{-1};

// How the open adapter is driven: plain I2C, or SMBus with the abilities it
// has. Written at connect before adapterFd is published, read by bus calls.
bool useSmbus = false;
SmbusAbilities smbus{};

tvdrv::BusDevice bus(kWho);

const char *ErrorText(int error, char *buffer, std::size_t size) { return strerror_r(error, buffer, size); }

// Opens the chosen adapter and checks that it does plain I2C transfers;
// false with the reason kept and on the debug channel.
bool OpenAdapter() {
    AdapterChoice choice = ChooseAdapter();
    if (!choice.chosen) {
        bus.Refuse("%s", choice.reason);
        return false;
    }
    const TvI2cSysCalls &sys = Sys();
    char text[128];
    errno = 0;
    int fd = sys.open(choice.devicePath, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        bus.Refuse("cannot open %s: %s", choice.devicePath, ErrorText(errno, text, sizeof text));
        return false;
    }
    unsigned long functions = 0;
    errno = 0;
    if (sys.ioctl(fd, I2C_FUNCS, &functions) < 0) {
        bus.Refuse("%s answers no I2C_FUNCS: %s", choice.devicePath, ErrorText(errno, text, sizeof text));
        sys.close(fd);
        return false;
    }
    // Plain I2C first: one combined transfer per read, any block length.
    // Without it, SMBus byte-data transfers carry the register calls.
    useSmbus = (functions & I2C_FUNC_I2C) == 0;
    smbus = SmbusAbilitiesOf(functions);
    if (useSmbus && !smbus.byteData) {
        bus.Refuse("%s does neither plain I2C transfers (I2C_FUNC_I2C) nor SMBus byte-data reads and writes",
                   choice.devicePath);
        sys.close(fd);
        return false;
    }
    char name[kAdapterNameSize];
    AdapterNameOf(choice.devicePath, name, sizeof name);
    bus.Device().Set("%s \"%s\"", choice.devicePath, name);
    if (useSmbus)
        tvdrv::DebugLine(kWho, "bus on %s (SMBus transfers%s)", choice.devicePath,
                         smbus.i2cBlock ? "" : "; no I2C-block write, so block writes are refused");
    else
        tvdrv::DebugLine(kWho, "bus on %s", choice.devicePath);
    adapterFd.store(fd);
    return true;
}

void CloseAdapter() {
    int fd = adapterFd.exchange(-1);
    if (fd >= 0) Sys().close(fd);
}

uint32_t BusRead(uint16_t device, uint16_t reg) {
    int fd = adapterFd.load();
    return useSmbus ? SmbusReadRegister(fd, device, reg) : ReadRegister(fd, device, reg);
}

uint32_t BusWrite(uint16_t device, uint16_t reg, uint16_t value) {
    int fd = adapterFd.load();
    return useSmbus ? SmbusWriteRegister(fd, device, reg, value) : WriteRegister(fd, device, reg, value);
}

uint32_t BusWriteBlk(uint16_t device, uint32_t block1616, uint32_t count) {
    const uint8_t *bytes = static_cast<const uint8_t *>(MapSL(block1616));
    int fd = adapterFd.load();
    return useSmbus ? SmbusWriteBlock(fd, smbus, device, bytes, count) : WriteBlock(fd, device, bytes, count);
}

int32_t BusConnect(uint32_t reason) {
    static const tvdrv::BusDevice::Hooks hooks = {[] { return adapterFd.load() >= 0; }, OpenAdapter, CloseAdapter};
    return bus.Connect(reason, hooks);
}

// The words of the driver's error classes (tvi2cdev.h).
const char *ClassWords(uint32_t errorClass) {
    switch (errorClass) {
    case 6:
    case 121: return "no device acknowledged";
    case TVI2C_ERR_NOT_OPEN: return "no adapter is open";
    case TVI2C_ERR_BAD_DEVICE: return "the device word is not an 8-bit address";
    case TVI2C_ERR_BAD_REGISTER: return "the register word is not 8-bit";
    case TVI2C_ERR_NULL_BLOCK: return "the block pointer was NULL";
    case TVI2C_ERR_BAD_COUNT: return "the block length is 0 or above 8192 bytes";
    case TVI2C_ERR_SHORT: return "the kernel did fewer messages than were sent";
    case TVI2C_ERR_BLOCK_TOO_LONG: return "the adapter does SMBus only, and the block is longer than 33 bytes";
    case TVI2C_ERR_NO_BLOCK_WRITE: return "the adapter does SMBus only, without the block write this block needs";
    case TVI2C_ERR_UNKNOWN: return "the transfer failed with an unexpected error";
    default: return nullptr;
    }
}

}  // namespace
}  // namespace tvi2c

const tvdrv::DeviceBus tvdrv::kDeviceBus{tvi2c::bus, {"the kernel answered", tvi2c::ClassWords}};

extern "C" {

__attribute__((visibility("default"))) ThunkData16 thk_ThunkData16 =
    tvdrv::LinkBlock(tvi2c::BusRead, tvi2c::BusWrite, tvi2c::BusWriteBlk, tvi2c::BusConnect);

}  // extern "C"
