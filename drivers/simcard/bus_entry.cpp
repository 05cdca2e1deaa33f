// The simulated card as a bus driver: the exported link block
// thk_ThunkData16 with the three bus calls and the connect entry.
#include "card.h"
#include "environment.h"
#include "kept_text.h"
#include "tvhost/thunk.h"
#include "tvsim.h"

namespace {

uint32_t Read(uint16_t device, uint16_t reg) { return tvsim::BusRead(device, reg); }

uint32_t Write(uint16_t device, uint16_t reg, uint16_t value) { return tvsim::BusWrite(device, reg, value); }

// The block arrives as a 16:16 value valid for this call only; a value that
// does not translate (0 for NULL) reaches the card as a NULL block, which it
// answers with an error without touching memory.
uint32_t WriteBlk(uint16_t device, uint32_t block1616, uint32_t count) {
    return tvsim::BusWriteBlock(device, static_cast<const uint8_t *>(MapSL(block1616)), count);
}

// The card's setup follows its environment settings each time a process
// attaches, and the card takes what its state file holds; the answer says
// whether the bus is there.
int32_t Connect(uint32_t reason) {
    if (reason == DLL_PROCESS_ATTACH) {
        tvsim::ApplyEnvironment();
        tvsim::AttachState();
    }
    return tvsim::BusAvailable() ? 1 : 0;
}

}  // namespace

extern "C" {

TVSIM_API ThunkData16 thk_ThunkData16 = {
    {'L', 'S', '0', '1'}, THUNK_ENTRY_COUNT, Read, Write, WriteBlk, Connect,
};

uint32_t tvbusDescribeDevice(char *text, uint32_t size) { return tvdrv::PutText("simulated card", text, size); }

}  // extern "C"
