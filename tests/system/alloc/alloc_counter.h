// Counts heap allocations made anywhere in the process (the test program,
// the host library, loaded modules, the C++ runtime) while armed.
//
// In a plain build the test program defines malloc, calloc, realloc, the
// aligned allocators and every operator new itself, so every allocation in
// the process passes through it; in a sanitizer build the sanitizer owns
// those names, and its allocator hook does the counting instead.
#pragma once

#include <cstdint>

namespace tvtest {

// Starts counting from zero.
void ArmAllocationCounter();

// Stops counting; answers the allocations made since ArmAllocationCounter.
uint64_t DisarmAllocationCounter();

// How the counter sees allocations: "interposed allocator" or "sanitizer hook".
const char *AllocationCounterKind();

}  // namespace tvtest
