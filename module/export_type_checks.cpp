// The export list (tvcore_exports.h) against the exports' own declarations,
// checked whenever the library is built:
//   - a pointer of type PFN_<name> holds &<name> exactly, calling convention
//     included, so an application that declares its GetProcAddress pointers
//     with them calls each export the way it is defined;
//   - each function's argument bytes, the @n of its 32-bit stdcall name in
//     tvcore.def, are what its parameters take on the 32-bit stack.
#include <cstddef>
#include <type_traits>

#include "tvcore.h"
#include "tvhost/win32.h"

namespace {

// A parameter's room on the 32-bit stack: a 4-byte slot for a pointer, its
// size rounded up to whole slots otherwise.
template <typename T>
constexpr std::size_t kStackBytes32 = std::is_pointer_v<T> ? 4 : (sizeof(T) + 3) / 4 * 4;

template <typename Result, typename... Parameters>
constexpr std::size_t ArgumentBytes32(Result (*)(Parameters...)) {
    return (std::size_t{0} + ... + kStackBytes32<Parameters>);
}

// The function type without a calling convention, from the list's own
// result and parameters: what the argument bytes are counted on.
// NOLINTBEGIN(bugprone-macro-parentheses): a result type and a parameter list,
// which parentheses would break
#define TVCORE_CHECK_EXPORT(name, result, argumentBytes, parameters)                                         \
    static_assert(std::is_same_v<PFN_##name, decltype(&(name))>, #name ": PFN_" #name " and its declaration"); \
    using Plain_##name = result(*) parameters;                                                               \
    static_assert(ArgumentBytes32(Plain_##name{}) == (argumentBytes), #name ": argument bytes in the export list");
// NOLINTEND(bugprone-macro-parentheses)
TVCORE_EXPORTED_FUNCTIONS(TVCORE_CHECK_EXPORT)
#undef TVCORE_CHECK_EXPORT

// The entry routine's arguments: a handle, a 32-bit word and a pointer.
#if defined(_WIN32) && !defined(_WIN64)
#define TVCORE_CHECK_ENTRY(name, argumentBytes) \
    static_assert(sizeof(HINSTANCE) + sizeof(DWORD) + sizeof(LPVOID) == argumentBytes, #name ": argument bytes");
TVCORE_EXPORTED_ENTRY(TVCORE_CHECK_ENTRY)
#undef TVCORE_CHECK_ENTRY
#endif

}  // namespace
