// The V4L2 bus driver's side of the bus link: the exported block
// thk_ThunkData16, the device kept open from process attach to process
// detach, the three bus calls handed to the register file, and what the
// driver's word calls (device_bus.h) answer from.
#include <cstring>
#include <mutex>

#include "bus_card.h"
#include "bus_device.h"
#include "card_map.h"
#include "debug_line.h"
#include "device_bus.h"
#include "device_choice.h"
#include "held_device.h"
#include "link_block.h"
#include "register_file.h"
#include "sys_calls.h"
#include "tvhost/thunk.h"
#include "tvv4l2.h"

namespace tvv4l2 {
namespace {

// Bus calls may come from any of the application's threads; the register
// file and its read-modify-write sequences are kept whole by one lock.
std::mutex lock;
RegisterFile card;
BusCard connected{};  // what the capture opens: valid while card.Fd() >= 0

constexpr const char *kWho = "tvv4l2";
tvdrv::BusDevice bus(kWho);

const char *RoleName(const CardMap &map, int input) {
    return input == kNoInput ? "none" : map.inputs[input].name;
}

// Opens the chosen device and learns the card; false with the reason kept
// and on the debug channel.
bool OpenCard() {
    DeviceChoice choice = OpenChosenDevice();
    if (choice.fd < 0) {
        bus.Refuse("%s", choice.reason);
        return false;
    }
    static CardMap map;  // large; only ever touched under the lock
    map = CardMap{};
    char reason[512] = "";
    if (!LearnCard(choice.fd, map, reason, sizeof reason)) {
        bus.Refuse("%s (\"%s\"): %s", choice.path, choice.card, reason);
        Sys().close(choice.fd);
        return false;
    }
    card.Attach(choice.fd, map);
    connected = BusCard{};
    std::memcpy(connected.path, choice.path, sizeof connected.path);
    std::memcpy(connected.card, choice.card, sizeof connected.card);
    connected.tunerInput = map.tunerInput;
    connected.compositeInput = map.compositeInput;
    connected.svideoInput = map.svideoInput;
    bus.Device().Set("%s \"%s\"", choice.path, choice.card);
    tvdrv::DebugLine(kWho, "bus on %s (\"%s\"), %s board; tuner \"%s\", composite \"%s\", S-video \"%s\"",
                     choice.path, choice.card, map.alternativeBoard ? "alternative" : "standard",
                     RoleName(map, map.tunerInput), RoleName(map, map.compositeInput),
                     RoleName(map, map.svideoInput));
    return true;
}

void CloseCard() {
    int fd = card.Fd();
    card.Attach(-1, CardMap{});
    if (fd >= 0) Sys().close(fd);
}

uint32_t BusRead(uint16_t device, uint16_t reg) {
    std::lock_guard<std::mutex> guard(lock);
    return card.Read(device, reg);
}

uint32_t BusWrite(uint16_t device, uint16_t reg, uint16_t value) {
    std::lock_guard<std::mutex> guard(lock);
    return card.Write(device, reg, value);
}

uint32_t BusWriteBlk(uint16_t device, uint32_t block1616, uint32_t count) {
    const uint8_t *bytes = static_cast<const uint8_t *>(MapSL(block1616));
    std::lock_guard<std::mutex> guard(lock);
    return card.WriteBlock(device, bytes, count);
}

int32_t BusConnect(uint32_t reason) {
    static const tvdrv::BusDevice::Hooks hooks = {[] { return card.Fd() >= 0; }, OpenCard, CloseCard};
    std::lock_guard<std::mutex> guard(lock);
    return bus.Connect(reason, hooks);
}

// The words of the driver's error classes (tvv4l2.h).
const char *ClassWords(uint32_t errorClass) {
    switch (errorClass) {
    case TVV4L2_ERR_NO_DEVICE: return "no device answers at that address (only 0x88 and 0xC2 do)";
    case TVV4L2_ERR_NOT_OPEN: return "no V4L2 device is open";
    case TVV4L2_ERR_BAD_REGISTER: return "the register word is not 8-bit";
    case TVV4L2_ERR_NULL_BLOCK: return "the block pointer was NULL";
    case TVV4L2_ERR_BAD_COUNT: return "the tuner takes 4 bytes; a decoder block must stay within 0x00-0xFF";
    case TVV4L2_ERR_RANGE: return "the frequency is outside the tuner's range: not tuned";
    case TVV4L2_ERR_NO_INPUT: return "the input value names no input of this board or device (TVV4L2_INPUTS)";
    case TVV4L2_ERR_NO_CONTROL: return "the device has no such control: the value is only stored";
    case TVV4L2_ERR_UNKNOWN: return "a V4L2 request failed with an unexpected error";
    default: return nullptr;
    }
}

}  // namespace

bool ConnectedCard(BusCard &out) {
    std::lock_guard<std::mutex> guard(lock);
    if (card.Fd() < 0) return false;
    out = connected;
    return true;
}

uint32_t WithHeldDevice(uint32_t (*use)(int fd, uint32_t tuner, void *context), void *context) {
    std::lock_guard<std::mutex> guard(lock);
    if (card.Fd() < 0) return TVV4L2_ERR_NOT_OPEN;
    return use(card.Fd(), card.TunerIndex(), context);
}

}  // namespace tvv4l2

const tvdrv::DeviceBus tvdrv::kDeviceBus{tvv4l2::bus, {"a V4L2 request failed with", tvv4l2::ClassWords}};

extern "C" {

__attribute__((visibility("default"))) ThunkData16 thk_ThunkData16 =
    tvdrv::LinkBlock(tvv4l2::BusRead, tvv4l2::BusWrite, tvv4l2::BusWriteBlk, tvv4l2::BusConnect);

}  // extern "C"
