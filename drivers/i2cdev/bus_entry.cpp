// The driver's side of the bus link: the exported block thk_ThunkData16, the
// adapter kept open from process attach to process detach, and the three bus
// calls handed to the transfers on that adapter.
#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include "adapter_choice.h"
#include "adapter_list.h"
#include "kept_text.h"
#include "smbus_transfers.h"
#include "sys_calls.h"
#include "transfers.h"
#include "tvhost/thunk.h"
#include "tvi2cdev.h"

namespace tvi2c {
namespace {

// The open adapter, -1 when none. Atomic because bus calls may come from any
// of the application's threads; the kernel serialises the transfers.
std::atomic<int> adapterFd{-1};

// How the open adapter is driven: plain I2C, or SMBus with the abilities it
// has. Written at connect before adapterFd is published, read by bus calls.
bool useSmbus = false;
SmbusAbilities smbus{};

// The open adapter in words, for tvbusDescribeDevice.
tvdrv::KeptText deviceWords;

// One line on the debug channel, the way every host module reports. A
// printf-style helper: the compiler checks every caller's format.
void DebugLine(const char *format, ...) __attribute__((format(printf, 1, 2)));  // NOLINT(cert-dcl50-cpp)
void DebugLine(const char *format, ...) {  // NOLINT(cert-dcl50-cpp): checked by the format attribute
    char line[768] = "tvi2cdev: ";
    const std::size_t prefix = strlen(line);
    const std::size_t room = sizeof line - prefix - 2;  // the text, its terminator, and "\r\n" after it
    va_list args;
    va_start(args, format);
    int written = vsnprintf(line + prefix, room, format, args);
    va_end(args);
    // A text cut at the end of the buffer still gets its line end.
    std::size_t length = prefix + (written < 0 ? 0 : std::min(static_cast<std::size_t>(written), room - 1));
    memcpy(line + length, "\r\n", 3);
    OutputDebugStringA(line);
}

const char *ErrorText(int error, char *buffer, std::size_t size) { return strerror_r(error, buffer, size); }

// Opens the chosen adapter and checks that it does plain I2C transfers;
// the fd, or -1 with the reason on the debug channel.
int OpenAdapter() {
    AdapterChoice choice = ChooseAdapter();
    if (!choice.chosen) {
        DebugLine("%s", choice.reason);
        return -1;
    }
    const TvI2cSysCalls &sys = Sys();
    char text[128];
    errno = 0;
    int fd = sys.open(choice.devicePath, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        DebugLine("cannot open %s: %s", choice.devicePath, ErrorText(errno, text, sizeof text));
        return -1;
    }
    unsigned long functions = 0;
    errno = 0;
    if (sys.ioctl(fd, I2C_FUNCS, &functions) < 0) {
        DebugLine("%s answers no I2C_FUNCS: %s", choice.devicePath, ErrorText(errno, text, sizeof text));
        sys.close(fd);
        return -1;
    }
    // Plain I2C first: one combined transfer per read, any block length.
    // Without it, SMBus byte-data transfers carry the register calls.
    useSmbus = (functions & I2C_FUNC_I2C) == 0;
    smbus = SmbusAbilitiesOf(functions);
    if (useSmbus && !smbus.byteData) {
        DebugLine("%s does neither plain I2C transfers (I2C_FUNC_I2C) nor SMBus byte-data reads and writes",
                  choice.devicePath);
        sys.close(fd);
        return -1;
    }
    char name[kAdapterNameSize];
    AdapterNameOf(choice.devicePath, name, sizeof name);
    deviceWords.Set("%s \"%s\"", choice.devicePath, name);
    if (useSmbus)
        DebugLine("bus on %s (SMBus transfers%s)", choice.devicePath,
                  smbus.i2cBlock ? "" : "; no I2C-block write, so block writes are refused");
    else
        DebugLine("bus on %s", choice.devicePath);
    return fd;
}

void CloseAdapter() {
    int fd = adapterFd.exchange(-1);
    if (fd >= 0) Sys().close(fd);
    deviceWords.Clear();
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

// Process attach opens the adapter (once), process detach closes it; any
// other notification only answers whether it is open.
int32_t BusConnect(uint32_t reason) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (adapterFd.load() < 0) {
            int fd = OpenAdapter();
            if (fd >= 0) adapterFd.store(fd);
        }
        return adapterFd.load() >= 0 ? 1 : 0;
    case DLL_PROCESS_DETACH:
        CloseAdapter();
        return 1;
    default:
        return adapterFd.load() >= 0 ? 1 : 0;
    }
}

}  // namespace
}  // namespace tvi2c

extern "C" {

__attribute__((visibility("default"))) ThunkData16 thk_ThunkData16 = {
    {'L', 'S', '0', '1'}, THUNK_ENTRY_COUNT, tvi2c::BusRead, tvi2c::BusWrite, tvi2c::BusWriteBlk,
    tvi2c::BusConnect};

uint32_t tvbusDescribeDevice(char *text, uint32_t size) {
    return tvi2c::deviceWords.Put(text, size);
}

}  // extern "C"
