// The simulated card as a bus driver: the exported link block
// thk_ThunkData16 with the three bus calls and the connect entry.
#include <stdio.h>

#include "card.h"
#include "environment.h"
#include "kept_text.h"
#include "link_block.h"
#include "settings.h"
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

// Why the last connect answered 0; empty when it did not.
tvdrv::KeptText refusal;

// The card's setup follows its environment settings each time a process
// attaches, and the card takes what its state file holds; the answer says
// whether the bus is there.
int32_t Connect(uint32_t reason) {
    if (reason == DLL_PROCESS_ATTACH) {
        tvsim::ApplyEnvironment();
        tvsim::AttachState();
    }
    if (tvsim::BusAvailable() || reason == DLL_PROCESS_DETACH) {
        refusal.Clear();
        return tvsim::BusAvailable() ? 1 : 0;
    }
    std::optional<bool> setting = tvsim::ParseBus(tvdrv::Setting("TVSIM_BUS"));
    if (setting.has_value() && !*setting)
        refusal.Set("TVSIM_BUS=unavailable: the simulated card's bus is switched off");
    else
        refusal.Set("the simulated card's bus is switched off (TvSimSetBusAvailable(0))");
    return 0;
}

// The card's results (tvsim.h).
const char *ResultWords(uint32_t call, uint32_t result) {
    if (call == TVBUS_CALL_READ)
        return result == TVSIM_READ_FAILED ? "the read failed after the device answered" : nullptr;
    switch (result) {
    case TVSIM_OK: return "done";
    case TVSIM_NO_ACK: return "no device acknowledged at that address";
    case TVSIM_BAD_BLOCK: return "the device does not take a transfer of that length";
    case TVSIM_BAD_POINTER: return "the block pointer did not translate";
    default: return nullptr;
    }
}

}  // namespace

extern "C" {

TVSIM_API ThunkData16 thk_ThunkData16 = tvdrv::LinkBlock(Read, Write, WriteBlk, Connect);

uint32_t tvbusDescribeDevice(char *text, uint32_t size) { return tvdrv::PutText("simulated card", text, size); }

uint32_t tvbusRefusalReason(char *text, uint32_t size) { return refusal.Put(text, size); }

uint32_t tvbusDescribeResult(uint32_t call, uint32_t result, char *text, uint32_t size) {
    if (call > TVBUS_CALL_WRITE_BLK) return tvdrv::PutText("", text, size);
    char words[64];
    const char *known = ResultWords(call, result);
    if (known != nullptr)
        (void)snprintf(words, sizeof words, "%s", known);
    else if (call == TVBUS_CALL_READ && result <= 0xFF)
        (void)snprintf(words, sizeof words, "read 0x%02X", static_cast<unsigned>(result));
    else
        (void)snprintf(words, sizeof words, "result %u, not one the card gives", static_cast<unsigned>(result));
    return tvdrv::PutText(words, text, size);
}

}  // extern "C"
