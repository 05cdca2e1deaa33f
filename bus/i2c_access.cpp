// The three bus calls: pure forwarders to the bus driver's calls 0, 1 and 2.
// Words are narrowed to the 16 bits that cross the link; a block pointer
// crosses as a 16:16 value that lives for the one call.
#include <cstdint>

#include "tvcore.h"
#include "tvhost/thunk.h"

namespace {

// The driver's block while the link stands. Without it (the module used
// without its entry routine) nothing can cross, and the calls answer
// TV_I2C_NO_LINK instead of following a null pointer.
const ThunkData16 *Partner() { return thk_ThunkData32.linked != 0 ? thk_ThunkData32.partner : nullptr; }

uint16_t Word(uint32_t value) { return static_cast<uint16_t>(value); }

}  // namespace

uint32_t TVCORE_CALL I2C_Read(uint32_t device, uint32_t reg) {
    const ThunkData16 *partner = Partner();
    if (partner == nullptr) return TV_I2C_NO_LINK;
    return partner->read(Word(device), Word(reg));
}

uint32_t TVCORE_CALL I2C_Write(uint32_t device, uint32_t reg, uint32_t value) {
    const ThunkData16 *partner = Partner();
    if (partner == nullptr) return TV_I2C_NO_LINK;
    return partner->write(Word(device), Word(reg), Word(value));
}

uint32_t TVCORE_CALL I2C_WriteBlk(uint32_t device, const uint8_t *bytes, uint32_t count) {
    const ThunkData16 *partner = Partner();
    if (partner == nullptr) return TV_I2C_NO_LINK;
    DWORD block1616 = SMapLS_IP_EBP_12(bytes);
    uint32_t result = partner->writeBlk(Word(device), block1616, count);
    SUnMapLS_IP_EBP_12(block1616);
    return result;
}
