// A fixed store of equal-sized memory blocks for host objects that are made
// and let go on an application's hot path (the semaphore behind a tune's
// pause, the record of an open mixer), so that creating and closing them
// costs no heap allocation. The store lives in static memory and is never
// destroyed, so a block may come back to it at any time, process exit
// included. When every block is taken, or an object does not fit a block,
// the heap serves instead: the store bounds memory, it never refuses.
//
// SlabAllocator hands the store's blocks to std::allocate_shared, so an
// object keeps shared ownership (a waiter's reference keeps a closed
// semaphore alive) while its memory, control block included, comes from the
// store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <type_traits>

namespace tvhost {

template <std::size_t BlockSize, std::size_t BlockCount>
class BlockSlab {
    static_assert(BlockCount > 0 && BlockCount <= UINT16_MAX, "block numbers are 16-bit");

public:
    constexpr BlockSlab() = default;

    // A block of at least `size` bytes aligned for `alignment`.
    void *Take(std::size_t size, std::size_t alignment) {
        if (size <= BlockSize && alignment <= alignof(std::max_align_t)) {
            std::lock_guard<std::mutex> guard(lock_);
            if (returnedCount_ > 0) return blocks_[returned_[--returnedCount_]].bytes;
            if (neverUsed_ < BlockCount) return blocks_[neverUsed_++].bytes;
        }
        return ::operator new(size, std::align_val_t(alignment));
    }

    // Gives back a block from Take with the same size and alignment.
    void Give(void *block, std::size_t size, std::size_t alignment) {
        if (Holds(block)) {
            std::lock_guard<std::mutex> guard(lock_);
            returned_[returnedCount_++] = static_cast<uint16_t>(static_cast<Block *>(block) - blocks_);
            return;
        }
        // The unsized form: sized deallocation is not declared by every
        // compiler (clang without -fsized-deallocation).
        (void)size;
        ::operator delete(block, std::align_val_t(alignment));
    }

private:
    struct Block {
        alignas(std::max_align_t) unsigned char bytes[BlockSize];
    };

    bool Holds(const void *block) const {
        auto address = reinterpret_cast<std::uintptr_t>(block);
        auto first = reinterpret_cast<std::uintptr_t>(blocks_);
        return address >= first && address < first + sizeof blocks_;
    }

    std::mutex lock_;
    Block blocks_[BlockCount] = {};
    // Blocks are taken first from those given back, then from the ones never
    // used, so the store needs no setup beyond zeroed memory.
    uint16_t returned_[BlockCount] = {};
    std::size_t returnedCount_ = 0;
    std::size_t neverUsed_ = 0;
};

// A standard allocator over one BlockSlab (given by a function that answers
// the store), for std::allocate_shared.
template <typename T, typename Slab, Slab &(*Store)()>
struct SlabAllocator {
    using value_type = T;

    SlabAllocator() = default;
    template <typename U>
    SlabAllocator(const SlabAllocator<U, Slab, Store> &) noexcept {}

    template <typename U>
    struct rebind {
        using other = SlabAllocator<U, Slab, Store>;
    };

    T *allocate(std::size_t n) { return static_cast<T *>(Store().Take(n * sizeof(T), alignof(T))); }
    void deallocate(T *block, std::size_t n) noexcept { Store().Give(block, n * sizeof(T), alignof(T)); }

    template <typename U>
    bool operator==(const SlabAllocator<U, Slab, Store> &) const noexcept {
        return true;
    }
};

}  // namespace tvhost
