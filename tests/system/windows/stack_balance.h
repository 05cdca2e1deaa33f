// StackDrift: how far one call through a function pointer moves the stack
// pointer, on 32-bit x86 (i686).
//
// The caller's code for a call follows the pointer's type; the callee's
// return follows its definition. A __stdcall function removes its arguments
// as it returns (ret n), a __cdecl one leaves them to the caller. When the
// two agree, the stack pointer after the call is the one before it (drift
// 0); a __cdecl pointer to a __stdcall function moves it up by the
// arguments' size, a __stdcall pointer to a __cdecl function down by it.
//
// The stack pointer is saved and read in static variables, never through a
// register or a stack slot the compiler might address relative to the
// stack pointer itself, and is put back to the saved value afterwards, so a
// wrong convention is reported instead of wrecking the caller's frame. That
// relies on the compiler reserving the outgoing arguments' space in the
// prologue (-maccumulate-outgoing-args, the MinGW default, which the build
// sets for this program): then the stack pointer stays the same across the
// whole body, and the saved value is the one the compiler expects after
// the call. The callee's result is not kept for the same reason; the other
// checks look at results.
#pragma once

#include <cstdint>

#if defined(__i386__)
#define TVCORE_CHECK_STACK_DRIFT 1

namespace stack_balance {

inline uintptr_t espBefore;
inline uintptr_t espAfter;

template <typename Function, typename... Args>
__attribute__((noinline)) intptr_t StackDrift(Function function, Args... args) {
    __asm__ __volatile__("movl %%esp, %0" : "=m"(espBefore) : : "memory");
    function(args...);
    __asm__ __volatile__("movl %%esp, %0\n\tmovl %1, %%esp" : "=m"(espAfter) : "m"(espBefore) : "memory");
    return static_cast<intptr_t>(espAfter - espBefore);
}

}  // namespace stack_balance

#endif
