#include "system/alloc/alloc_counter.h"

#include <errno.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TVTEST_SANITIZER_OWNS_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TVTEST_SANITIZER_OWNS_MALLOC 1
#endif
#endif

namespace tvtest {
namespace {

std::atomic<bool> armed{false};
std::atomic<uint64_t> counted{0};

void Note() {
    if (armed.load(std::memory_order_relaxed)) counted.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace
}  // namespace tvtest

#if defined(TVTEST_SANITIZER_OWNS_MALLOC)

// The sanitizer runtime defines malloc and operator new; it calls this hook
// for every allocation it hands out, whoever asked.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *, std::size_t),
                                                         void (*freeHook)(const volatile void *));

namespace tvtest {
namespace {

void OnAllocation(const volatile void *, std::size_t) { Note(); }
void OnFree(const volatile void *) {}

void InstallHookOnce() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnAllocation, OnFree) != 0;
    if (!installed) std::abort();  // without the hook the counter would see nothing
}

}  // namespace

const char *AllocationCounterKind() { return "sanitizer hook"; }

}  // namespace tvtest

#else

// glibc's allocator under its internal names: the definitions below replace
// the public names for the whole process (the program's own symbols come
// first in every library's lookup), count, and hand over.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *block);

void *malloc(std::size_t size) noexcept {
    tvtest::Note();
    return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) noexcept {
    tvtest::Note();
    return __libc_calloc(count, size);
}

void *realloc(void *block, std::size_t size) noexcept {
    tvtest::Note();
    return __libc_realloc(block, size);
}

void *memalign(std::size_t alignment, std::size_t size) noexcept {
    tvtest::Note();
    return __libc_memalign(alignment, size);
}

void *aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    tvtest::Note();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void **out, std::size_t alignment, std::size_t size) noexcept {
    if (alignment < sizeof(void *) || (alignment & (alignment - 1)) != 0) return EINVAL;
    tvtest::Note();
    void *block = __libc_memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}

void free(void *block) noexcept { __libc_free(block); }
}  // extern "C"

// Every replaceable operator new goes through the counting malloc above, so
// the count does not depend on how the C++ runtime implements them.
namespace {

void *NewBlock(std::size_t size) {
    void *block = malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void *NewAlignedBlock(std::size_t size, std::align_val_t alignment) {
    std::size_t align = static_cast<std::size_t>(alignment);
    void *block = nullptr;
    if (posix_memalign(&block, align < sizeof(void *) ? sizeof(void *) : align, size == 0 ? 1 : size) != 0)
        throw std::bad_alloc();
    return block;
}

}  // namespace

void *operator new(std::size_t size) { return NewBlock(size); }
void *operator new[](std::size_t size) { return NewBlock(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return malloc(size == 0 ? 1 : size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return malloc(size == 0 ? 1 : size); }
void *operator new(std::size_t size, std::align_val_t alignment) { return NewAlignedBlock(size, alignment); }
void *operator new[](std::size_t size, std::align_val_t alignment) { return NewAlignedBlock(size, alignment); }
void *operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept {
    try {
        return NewAlignedBlock(size, alignment);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void *operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t &) noexcept {
    try {
        return NewAlignedBlock(size, alignment);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
void operator delete(void *block) noexcept { free(block); }
void operator delete[](void *block) noexcept { free(block); }
void operator delete(void *block, std::size_t) noexcept { free(block); }
void operator delete[](void *block, std::size_t) noexcept { free(block); }
void operator delete(void *block, std::align_val_t) noexcept { free(block); }
void operator delete[](void *block, std::align_val_t) noexcept { free(block); }
void operator delete(void *block, std::size_t, std::align_val_t) noexcept { free(block); }
void operator delete[](void *block, std::size_t, std::align_val_t) noexcept { free(block); }
void operator delete(void *block, const std::nothrow_t &) noexcept { free(block); }
void operator delete[](void *block, const std::nothrow_t &) noexcept { free(block); }

namespace tvtest {
namespace {
void InstallHookOnce() {}
}  // namespace

const char *AllocationCounterKind() { return "interposed allocator"; }

}  // namespace tvtest

#endif

namespace tvtest {

void ArmAllocationCounter() {
    InstallHookOnce();
    counted.store(0, std::memory_order_relaxed);
    armed.store(true, std::memory_order_seq_cst);
}

uint64_t DisarmAllocationCounter() {
    armed.store(false, std::memory_order_seq_cst);
    return counted.load(std::memory_order_relaxed);
}

}  // namespace tvtest
