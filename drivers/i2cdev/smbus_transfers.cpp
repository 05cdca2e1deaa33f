#include "smbus_transfers.h"

#include <errno.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <string.h>

#include <mutex>

#include "sys_calls.h"
#include "transfer_common.h"
#include "tvi2cdev.h"

namespace tvi2c {
namespace {

// Setting the address and making the transfer are two ioctls on a shared
// descriptor; the lock keeps another thread's address from coming between.
std::mutex smbusLock;

// Sets the device's address on the descriptor and makes one SMBus transfer;
// 0 or the error class. I2C_SLAVE (not the forcing variant) fails with
// EBUSY where a kernel driver has claimed the address: then the kernel's
// driver owns the device and this one leaves it alone.
uint32_t SmbusTransfer(int fd, uint16_t device, uint8_t readWrite, uint8_t command, uint32_t size,
                       i2c_smbus_data *data) {
    std::lock_guard<std::mutex> hold(smbusLock);
    const TvI2cSysCalls &sys = Sys();
    errno = 0;
    if (sys.ioctl(fd, I2C_SLAVE, reinterpret_cast<void *>(static_cast<unsigned long>(SevenBitAddress(device)))) <
        0)
        return ErrnoClass(errno);
    i2c_smbus_ioctl_data request{readWrite, command, size, data};
    errno = 0;
    if (sys.ioctl(fd, I2C_SMBUS, &request) < 0) return ErrnoClass(errno);
    return 0;
}

}  // namespace

SmbusAbilities SmbusAbilitiesOf(unsigned long functions) {
    return {(functions & I2C_FUNC_SMBUS_READ_BYTE_DATA) != 0 && (functions & I2C_FUNC_SMBUS_WRITE_BYTE_DATA) != 0,
            (functions & I2C_FUNC_SMBUS_WRITE_BYTE) != 0, (functions & I2C_FUNC_SMBUS_WRITE_I2C_BLOCK) != 0};
}

uint32_t SmbusReadRegister(int fd, uint16_t device, uint16_t reg) {
    uint32_t refused = CheckRegisterTarget(fd, device, reg);
    if (refused != 0) return TVI2C_READ_FAILURE(refused);
    i2c_smbus_data data{};
    uint32_t failed = SmbusTransfer(fd, device, I2C_SMBUS_READ, static_cast<uint8_t>(reg), I2C_SMBUS_BYTE_DATA, &data);
    return failed != 0 ? TVI2C_READ_FAILURE(failed) : data.byte;
}

uint32_t SmbusWriteRegister(int fd, uint16_t device, uint16_t reg, uint16_t value) {
    uint32_t refused = CheckRegisterTarget(fd, device, reg);
    if (refused != 0) return TVI2C_WRITE_FAILURE(refused);
    i2c_smbus_data data{};
    data.byte = static_cast<uint8_t>(value & 0xFF);
    return TVI2C_WRITE_FAILURE(
        SmbusTransfer(fd, device, I2C_SMBUS_WRITE, static_cast<uint8_t>(reg), I2C_SMBUS_BYTE_DATA, &data));
}

uint32_t SmbusWriteBlock(int fd, const SmbusAbilities &abilities, uint16_t device, const uint8_t *bytes,
                         uint32_t count) {
    uint32_t refused = CheckBlockTarget(fd, device, bytes, count);
    if (refused == 0 && count > TVI2C_SMBUS_MAX_BLOCK) refused = TVI2C_ERR_BLOCK_TOO_LONG;
    if (refused == 0 && count == 1 && !abilities.writeByte) refused = TVI2C_ERR_NO_BLOCK_WRITE;
    if (refused == 0 && count > 1 && !abilities.i2cBlock) refused = TVI2C_ERR_NO_BLOCK_WRITE;
    if (refused != 0) return TVI2C_WRITE_FAILURE(refused);
    if (count == 1) return TVI2C_WRITE_FAILURE(SmbusTransfer(fd, device, I2C_SMBUS_WRITE, bytes[0], I2C_SMBUS_BYTE, nullptr));
    i2c_smbus_data data{};
    data.block[0] = static_cast<uint8_t>(count - 1);
    memcpy(&data.block[1], bytes + 1, count - 1);
    return TVI2C_WRITE_FAILURE(
        SmbusTransfer(fd, device, I2C_SMBUS_WRITE, bytes[0], I2C_SMBUS_I2C_BLOCK_DATA, &data));
}

}  // namespace tvi2c
