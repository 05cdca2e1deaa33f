// The V4L2 bus driver's side of the bus link: the exported block
// thk_ThunkData16, the device kept open from process attach to process
// detach, and the three bus calls handed to the register file.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <mutex>

#include "card_map.h"
#include "device_choice.h"
#include "kept_text.h"
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
// The open device in words, for tvbusDescribeDevice.
tvdrv::KeptText deviceWords;

void DebugLine(const char *format, ...) __attribute__((format(printf, 1, 2)));  // NOLINT(cert-dcl50-cpp)
void DebugLine(const char *format, ...) {  // NOLINT(cert-dcl50-cpp): checked by the format attribute
    char line[768] = "tvv4l2: ";
    const std::size_t prefix = strlen(line);
    const std::size_t room = sizeof line - prefix - 2;  // the text, its terminator, and "\r\n" after it
    va_list args;
    va_start(args, format);
    int written = vsnprintf(line + prefix, room, format, args);
    va_end(args);
    std::size_t length = prefix + (written < 0 ? 0 : std::min(static_cast<std::size_t>(written), room - 1));
    memcpy(line + length, "\r\n", 3);
    OutputDebugStringA(line);
}

const char *RoleName(const CardMap &map, int input) {
    return input == kNoInput ? "none" : map.inputs[input].name;
}

// Opens the chosen device and learns the card; false with the reason on the
// debug channel.
bool OpenCard() {
    DeviceChoice choice = OpenChosenDevice();
    if (choice.fd < 0) {
        DebugLine("%s", choice.reason);
        return false;
    }
    static CardMap map;  // large; only ever touched under the lock
    map = CardMap{};
    char reason[512] = "";
    if (!LearnCard(choice.fd, map, reason, sizeof reason)) {
        DebugLine("%s (\"%s\"): %s", choice.path, choice.card, reason);
        Sys().close(choice.fd);
        return false;
    }
    card.Attach(choice.fd, map);
    deviceWords.Set("%s \"%s\"", choice.path, choice.card);
    DebugLine("bus on %s (\"%s\"), %s board; tuner \"%s\", composite \"%s\", S-video \"%s\"", choice.path,
              choice.card, map.alternativeBoard ? "alternative" : "standard", RoleName(map, map.tunerInput),
              RoleName(map, map.compositeInput), RoleName(map, map.svideoInput));
    return true;
}

void CloseCard() {
    int fd = card.Fd();
    card.Attach(-1, CardMap{});
    deviceWords.Clear();
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

// Process attach opens the device (once), process detach closes it; any
// other notification only answers whether it is open.
int32_t BusConnect(uint32_t reason) {
    std::lock_guard<std::mutex> guard(lock);
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (card.Fd() < 0) OpenCard();
        return card.Fd() >= 0 ? 1 : 0;
    case DLL_PROCESS_DETACH:
        CloseCard();
        return 1;
    default:
        return card.Fd() >= 0 ? 1 : 0;
    }
}

}  // namespace
}  // namespace tvv4l2

extern "C" {

__attribute__((visibility("default"))) ThunkData16 thk_ThunkData16 = {
    {'L', 'S', '0', '1'}, THUNK_ENTRY_COUNT, tvv4l2::BusRead, tvv4l2::BusWrite, tvv4l2::BusWriteBlk,
    tvv4l2::BusConnect};

uint32_t tvbusDescribeDevice(char *text, uint32_t size) { return tvv4l2::deviceWords.Put(text, size); }

}  // extern "C"
