#include "transfers.h"

#include <errno.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include "sys_calls.h"
#include "transfer_common.h"
#include "tvi2cdev.h"

namespace tvi2c {
namespace {

constexpr uint16_t kMaxAddressByte = 0xFF;
constexpr uint16_t kMaxRegister = 0xFF;
constexpr uint32_t kLastErrnoClass = 0xEF;

// One I2C_RDWR with the messages given; 0 when the kernel did them all, else
// the error class.
uint32_t Transfer(int fd, i2c_msg *messages, uint32_t count) {
    i2c_rdwr_ioctl_data data{messages, count};
    errno = 0;
    int done = Sys().ioctl(fd, I2C_RDWR, &data);
    if (done < 0) return ErrnoClass(errno);
    return static_cast<uint32_t>(done) == count ? 0u : TVI2C_ERR_SHORT;
}

// The refusal class for the arguments every operation shares, or 0.
uint32_t CheckTarget(int fd, uint16_t device) {
    if (fd < 0) return TVI2C_ERR_NOT_OPEN;
    if (device > kMaxAddressByte) return TVI2C_ERR_BAD_DEVICE;
    return 0;
}

}  // namespace

uint32_t ErrnoClass(int error) {
    return error >= 1 && static_cast<uint32_t>(error) <= kLastErrnoClass ? static_cast<uint32_t>(error)
                                                                           : TVI2C_ERR_UNKNOWN;
}

uint32_t CheckRegisterTarget(int fd, uint16_t device, uint16_t reg) {
    uint32_t refused = CheckTarget(fd, device);
    return refused == 0 && reg > kMaxRegister ? TVI2C_ERR_BAD_REGISTER : refused;
}

uint32_t CheckBlockTarget(int fd, uint16_t device, const uint8_t *bytes, uint32_t count) {
    uint32_t refused = CheckTarget(fd, device);
    if (refused == 0 && bytes == nullptr) refused = TVI2C_ERR_NULL_BLOCK;
    if (refused == 0 && (count == 0 || count > TVI2C_MAX_BLOCK)) refused = TVI2C_ERR_BAD_COUNT;
    return refused;
}

uint32_t ReadRegister(int fd, uint16_t device, uint16_t reg) {
    uint32_t refused = CheckRegisterTarget(fd, device, reg);
    if (refused != 0) return TVI2C_READ_FAILURE(refused);
    uint8_t regByte = static_cast<uint8_t>(reg);
    uint8_t value = 0xFF;
    i2c_msg messages[2] = {
        {SevenBitAddress(device), 0, 1, &regByte},
        {SevenBitAddress(device), I2C_M_RD, 1, &value},
    };
    uint32_t failed = Transfer(fd, messages, 2);
    return failed != 0 ? TVI2C_READ_FAILURE(failed) : value;
}

uint32_t WriteRegister(int fd, uint16_t device, uint16_t reg, uint16_t value) {
    uint32_t refused = CheckRegisterTarget(fd, device, reg);
    if (refused != 0) return TVI2C_WRITE_FAILURE(refused);
    uint8_t bytes[2] = {static_cast<uint8_t>(reg), static_cast<uint8_t>(value & 0xFF)};
    i2c_msg message = {SevenBitAddress(device), 0, 2, bytes};
    return TVI2C_WRITE_FAILURE(Transfer(fd, &message, 1));
}

uint32_t WriteBlock(int fd, uint16_t device, const uint8_t *bytes, uint32_t count) {
    uint32_t refused = CheckBlockTarget(fd, device, bytes, count);
    if (refused != 0) return TVI2C_WRITE_FAILURE(refused);
    // The kernel copies a write message's bytes and never stores into them.
    i2c_msg message = {SevenBitAddress(device), 0, static_cast<uint16_t>(count), const_cast<uint8_t *>(bytes)};
    return TVI2C_WRITE_FAILURE(Transfer(fd, &message, 1));
}

}  // namespace tvi2c
