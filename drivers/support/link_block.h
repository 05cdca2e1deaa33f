// The bus driver's exported link block (thk_ThunkData16), filled in as the
// link checks it: the signature, three bus calls and the connect entry.
#pragma once

#include "tvhost/thunk.h"

namespace tvdrv {

constexpr ThunkData16 LinkBlock(uint32_t (*read)(uint16_t, uint16_t), uint32_t (*write)(uint16_t, uint16_t, uint16_t),
                                uint32_t (*writeBlk)(uint16_t, uint32_t, uint32_t), int32_t (*connect)(uint32_t)) {
    return ThunkData16{{'L', 'S', '0', '1'}, THUNK_ENTRY_COUNT, read, write, writeBlk, connect};
}

}  // namespace tvdrv
