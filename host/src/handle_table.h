// A fixed-size table of open handles, shared by the kernel-object handles
// (handles.cpp) and the mixer handles (mixer_table.cpp).
//
// Handle values run from First to Last in steps of 4 and are not reused
// until that range wraps, so a stale handle is refused rather than mistaken
// for a newer object. The table holds one slot per open handle at most; a
// handle lives in the slot its value names, and a new handle takes the next
// value whose slot is free. Entering, finding and removing a handle never
// allocate. The table has no lock of its own: its owner holds one around
// every call.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>

namespace tvhost {

template <typename Handle, typename Object, Handle First, Handle Last, std::size_t Capacity>
class HandleTable {
    static_assert(First != 0 && First % 4 == 0 && (Last - First) % 4 == 0 && First < Last,
                  "handle values step by 4 and are never 0");
    static_assert((Last - First) / 4 >= Capacity, "the value range holds more handles than the table");

public:
    // Enters an object; its new handle, or 0 when the table is full.
    Handle Add(std::shared_ptr<Object> object) {
        if (open_ >= Capacity) return 0;
        // A free slot is at most Capacity values away.
        Handle handle = next_;
        while (slots_[SlotOf(handle)].object != nullptr) handle = After(handle);
        next_ = After(handle);
        Slot &slot = slots_[SlotOf(handle)];
        slot.handle = handle;
        slot.object = std::move(object);
        ++open_;
        return handle;
    }

    // The object of an open handle; null for any value that is no open handle.
    std::shared_ptr<Object> Find(Handle handle) {
        Slot *slot = OpenSlot(handle);
        return slot == nullptr ? nullptr : slot->object;
    }

    // Removes a handle and hands back its object; null when it was not open.
    std::shared_ptr<Object> Take(Handle handle) {
        Slot *slot = OpenSlot(handle);
        if (slot == nullptr) return nullptr;
        slot->handle = 0;
        --open_;
        return std::move(slot->object);
    }

    // Removes every handle, handing each object to `each`.
    template <typename Each>
    void TakeAll(Each &&each) {
        for (Slot &slot : slots_) {
            if (slot.object == nullptr) continue;
            slot.handle = 0;
            each(std::move(slot.object));
        }
        open_ = 0;
    }

    std::size_t OpenCount() const { return open_; }

private:
    struct Slot {
        Handle handle = 0;
        std::shared_ptr<Object> object;  // null: the slot is free
    };

    static constexpr std::size_t SlotOf(Handle handle) { return ((handle - First) >> 2) % Capacity; }

    static constexpr Handle After(Handle handle) { return handle >= Last ? First : handle + 4; }

    Slot *OpenSlot(Handle handle) {
        if (handle < First || handle > Last || (handle - First) % 4 != 0) return nullptr;
        Slot &slot = slots_[SlotOf(handle)];
        return slot.object != nullptr && slot.handle == handle ? &slot : nullptr;
    }

    Slot slots_[Capacity];
    std::size_t open_ = 0;
    Handle next_ = First;
};

}  // namespace tvhost
