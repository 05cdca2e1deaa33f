#include "fake_adapter.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <unistd.h>

#include <cstring>

namespace tvtest {
namespace {

// Far above any descriptor this process opens for real.
constexpr int kFirstFakeFd = 5000;
int nextFakeFd = kFirstFakeFd;

// What the kernel's i2c-dev refuses before any message reaches the bus.
constexpr uint32_t kKernelMaxMessages = I2C_RDWR_IOCTL_MAX_MSGS;
constexpr uint16_t kKernelMaxLength = 8192;

int Fail(int error) {
    errno = error;
    return -1;
}

int FakeOpen(const char *path, int flags) {
    std::string name = path;
    auto node = Fake().nodes.find(name);
    if (node == Fake().nodes.end()) {
        if (name.rfind("/dev/", 0) == 0) return Fail(ENOENT);  // never the machine's own devices
        return ::open(path, flags);
    }
    if (node->second.openErrno != 0) return Fail(node->second.openErrno);
    Fake().opened.push_back(name);
    Fake().openFlags.push_back(flags);
    int fd = nextFakeFd++;
    Fake().openFds[fd] = name;
    return fd;
}

int FakeClose(int fd) {
    if (fd < kFirstFakeFd) return ::close(fd);
    return Fake().openFds.erase(fd) == 1 ? 0 : Fail(EBADF);
}

// Plays the bus: a message to an address with no device is not acknowledged;
// a write's first byte sets the register pointer, a read answers the
// register there.
int Transfer(const i2c_rdwr_ioctl_data *data) {
    FakeI2c &fake = Fake();
    ++fake.rdwrCalls;
    if (data->nmsgs == 0 || data->nmsgs > kKernelMaxMessages) return Fail(EINVAL);
    SentTransfer sent;
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
        const i2c_msg &msg = data->msgs[i];
        if (msg.len > kKernelMaxLength) return Fail(EINVAL);
        SentMessage record{msg.addr, msg.flags, msg.len, {}};
        if ((msg.flags & I2C_M_RD) == 0) record.bytes.assign(msg.buf, msg.buf + msg.len);
        sent.push_back(record);
    }
    fake.transfers.push_back(sent);
    if (fake.rdwrErrno != 0) return Fail(fake.rdwrErrno);
    uint8_t pointer = 0;
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
        const i2c_msg &msg = data->msgs[i];
        auto device = fake.devices.find(msg.addr);
        if (device == fake.devices.end()) return Fail(ENXIO);
        if (msg.flags & I2C_M_RD) {
            for (uint16_t b = 0; b < msg.len; ++b) msg.buf[b] = device->second[pointer++];
        } else if (msg.len > 0) {
            pointer = msg.buf[0];
            for (uint16_t b = 1; b < msg.len; ++b) device->second[pointer++] = msg.buf[b];
        }
    }
    return fake.rdwrAnswer >= 0 ? fake.rdwrAnswer : static_cast<int>(data->nmsgs);
}

// Plays an SMBus adapter at the address last set: byte-data reads and
// writes, write-byte (sets the register pointer) and I2C-block writes.
int Smbus(uint16_t addr, const i2c_smbus_ioctl_data *request) {
    FakeI2c &fake = Fake();
    SentSmbus record{addr, request->read_write, request->command, request->size, {}};
    if (request->read_write == I2C_SMBUS_WRITE && request->size == I2C_SMBUS_BYTE_DATA)
        record.data = {request->data->byte};
    if (request->read_write == I2C_SMBUS_WRITE && request->size == I2C_SMBUS_I2C_BLOCK_DATA) {
        if (request->data->block[0] > I2C_SMBUS_BLOCK_MAX) return Fail(EINVAL);
        record.data.assign(request->data->block + 1, request->data->block + 1 + request->data->block[0]);
    }
    fake.smbus.push_back(record);
    if (fake.rdwrErrno != 0) return Fail(fake.rdwrErrno);
    auto device = fake.devices.find(addr);
    if (device == fake.devices.end()) return Fail(ENXIO);
    std::vector<uint8_t> &regs = device->second;
    uint8_t reg = request->command;
    switch (request->size) {
    case I2C_SMBUS_BYTE_DATA:
        if (request->read_write == I2C_SMBUS_READ) request->data->byte = regs[reg];
        else regs[reg] = request->data->byte;
        return 0;
    case I2C_SMBUS_BYTE:
        return 0;
    case I2C_SMBUS_I2C_BLOCK_DATA:
        for (uint8_t b : record.data) regs[reg++] = b;
        return 0;
    default:
        return Fail(EOPNOTSUPP);
    }
}

int FakeIoctl(int fd, unsigned long request, void *arg) {
    FakeI2c &fake = Fake();
    auto open = fake.openFds.find(fd);
    if (open == fake.openFds.end()) return Fail(EBADF);
    const FakeNode &node = fake.nodes.at(open->second);
    switch (request) {
    case I2C_FUNCS:
        if (node.funcsErrno != 0) return Fail(node.funcsErrno);
        *static_cast<unsigned long *>(arg) = node.functions;
        return 0;
    case I2C_RDWR:
        return Transfer(static_cast<const i2c_rdwr_ioctl_data *>(arg));
    case I2C_SLAVE:
        if (fake.slaveErrno != 0) return Fail(fake.slaveErrno);
        fake.slaveAddress[fd] = static_cast<uint16_t>(reinterpret_cast<unsigned long>(arg));
        return 0;
    case I2C_SMBUS:
        return Smbus(fake.slaveAddress[fd], static_cast<const i2c_smbus_ioctl_data *>(arg));
    default:
        return Fail(ENOTTY);
    }
}

}  // namespace

std::ostream &operator<<(std::ostream &out, const SentMessage &message) {
    out << "{addr 0x" << std::hex << message.addr << " flags 0x" << message.flags << std::dec << " len "
        << message.len << " bytes";
    for (uint8_t byte : message.bytes) out << " " << std::hex << static_cast<unsigned>(byte) << std::dec;
    return out << "}";
}

std::ostream &operator<<(std::ostream &out, const SentSmbus &request) {
    out << "{addr 0x" << std::hex << request.addr << (request.readWrite == I2C_SMBUS_READ ? " read" : " write")
        << " command 0x" << unsigned{request.command} << std::dec << " size " << request.size << " data";
    for (uint8_t byte : request.data) out << " " << std::hex << static_cast<unsigned>(byte) << std::dec;
    return out << "}";
}

FakeI2c &Fake() {
    static FakeI2c fake;
    return fake;
}

void ResetFake() { Fake() = FakeI2c{}; }

TvI2cSysCalls FakeSysCalls() {
    TvI2cSysCalls calls{};
    calls.open = FakeOpen;
    calls.close = FakeClose;
    calls.ioctl = FakeIoctl;
    return calls;  // read and the directory calls stay real, for the sysfs tree on disk
}

}  // namespace tvtest
