// 16:16 translations of flat pointers for the bus link.
//
// A bus driver receives a block pointer as a 16:16 value (selector in the
// high word, offset in the low word) made for the length of one call. The
// host keeps a fixed table of translation slots; slot i is the selector
// (i << 3) | 7, shaped like a local-descriptor-table selector with the
// requested privilege level 3, so no live value is ever 0 and 0 is free to
// stand for NULL.
#include <cstdint>
#include <mutex>

#include "tvhost/diag.h"
#include "tvhost/thunk.h"

namespace tvhost {
namespace {

constexpr uint32_t kSlotCount = TVHOST_TRANSLATION_SLOTS;
constexpr uint32_t kSelectorLowBits = 7;  // table indicator: LDT, privilege level 3
static_assert(kSlotCount <= 0x10000u >> 3, "every slot needs a 16-bit selector");

struct TranslationTable {
    std::mutex lock;
    const void *base[kSlotCount] = {};  // NULL: the slot is free
    uint32_t live = 0;
    uint32_t next = 0;  // where the search for a free slot starts
};

TranslationTable &Table() {
    static TranslationTable table;
    return table;
}

DWORD ValueOfSlot(uint32_t slot) { return static_cast<DWORD>((slot << 3) | kSelectorLowBits) << 16; }

// The slot of a 16:16 value's selector, or kSlotCount for a value that no
// slot could have made.
uint32_t SlotOfValue(DWORD value) {
    uint32_t selector = value >> 16;
    if ((selector & 7u) != kSelectorLowBits) return kSlotCount;
    return selector >> 3;
}

}  // namespace
}  // namespace tvhost

extern "C" {

DWORD WINAPI SMapLS_IP_EBP_12(const void *flat) {
    if (flat == nullptr) return 0;
    tvhost::TranslationTable &table = tvhost::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.live == tvhost::kSlotCount) return 0;
    // Free slots are taken in rotation, so a value released a moment ago is
    // not handed out again at once and a stale value maps to NULL.
    for (uint32_t tried = 0; tried < tvhost::kSlotCount; ++tried) {
        uint32_t slot = (table.next + tried) % tvhost::kSlotCount;
        if (table.base[slot] != nullptr) continue;
        table.base[slot] = flat;
        ++table.live;
        table.next = (slot + 1) % tvhost::kSlotCount;
        return tvhost::ValueOfSlot(slot);
    }
    return 0;
}

void WINAPI SUnMapLS_IP_EBP_12(DWORD block1616) {
    uint32_t slot = tvhost::SlotOfValue(block1616);
    if (block1616 == 0 || slot >= tvhost::kSlotCount) return;
    tvhost::TranslationTable &table = tvhost::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (table.base[slot] == nullptr) return;
    table.base[slot] = nullptr;
    --table.live;
}

void *WINAPI MapSL(DWORD block1616) {
    uint32_t slot = tvhost::SlotOfValue(block1616);
    if (block1616 == 0 || slot >= tvhost::kSlotCount) return nullptr;
    tvhost::TranslationTable &table = tvhost::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const void *base = table.base[slot];
    if (base == nullptr) return nullptr;
    // The offset word counts from the start of the translated block.
    return const_cast<unsigned char *>(static_cast<const unsigned char *>(base)) + (block1616 & 0xFFFFu);
}

uint32_t TvHostLiveTranslations(void) {
    tvhost::TranslationTable &table = tvhost::Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.live;
}

}  // extern "C"
