// Looking an export of a loaded module up as its own function type (through
// the generic function type, as GetProcAddress's callers do).
#pragma once

#include <cstdint>
#include <string>

#include "tvhost/win32.h"

namespace tvctl {

template <typename T>
bool LookUp(HMODULE module, const char *name, T &out) {
    FARPROC proc = module != nullptr ? GetProcAddress(module, name) : nullptr;
    out = reinterpret_cast<T>(reinterpret_cast<void (*)(void)>(proc));
    return proc != nullptr;
}

// The text a driver call gives in two calls: asked with no buffer it answers
// the text's length; then it fills a buffer one longer (a driver's words, a
// state file's path).
template <typename Call>
std::string TextOfCall(Call call) {
    std::string text(call(nullptr, 0), '\0');
    if (!text.empty()) call(text.data(), static_cast<uint32_t>(text.size() + 1));
    return text;
}

}  // namespace tvctl
