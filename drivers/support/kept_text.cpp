#include "kept_text.h"

#include <stdarg.h>
#include <stdio.h>

#include <cstring>

namespace tvdrv {

uint32_t PutText(const char *from, char *text, uint32_t size) {
    const std::size_t length = std::strlen(from);
    if (text != nullptr && size > 0) {
        const std::size_t copied = length < size ? length : size - 1;
        std::memcpy(text, from, copied);
        text[copied] = '\0';
    }
    return static_cast<uint32_t>(length);
}

void KeptText::Set(const char *format, ...) {  // NOLINT(cert-dcl50-cpp): checked by the format attribute
    char line[sizeof text_];
    va_list args;
    va_start(args, format);
    // A longer line is kept cut short; vsnprintf terminates it.
    if (vsnprintf(line, sizeof line, format, args) < 0) line[0] = '\0';
    va_end(args);
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(text_, line, sizeof line);
}

void KeptText::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    text_[0] = '\0';
}

bool KeptText::Empty() const {
    std::lock_guard<std::mutex> guard(lock_);
    return text_[0] == '\0';
}

uint32_t KeptText::Put(char *text, uint32_t size) const {
    std::lock_guard<std::mutex> guard(lock_);
    return PutText(text_, text, size);
}

}  // namespace tvdrv
