#include "debug_line.h"

#include <stdio.h>

#include <algorithm>
#include <cstring>

#include "tvhost/win32.h"

namespace tvdrv {

void DebugLineV(const char *who, const char *format, va_list args) {
    char line[768];
    int prefix = snprintf(line, sizeof line, "%s: ", who);
    std::size_t used = prefix < 0 ? 0 : std::strlen(line);
    const std::size_t room = sizeof line - used - 2;  // the text, its terminator, and "\r\n" after it
    int written = vsnprintf(line + used, room, format, args);
    // A text cut at the end of the buffer still gets its line end.
    std::size_t length = used + (written < 0 ? 0 : std::min(static_cast<std::size_t>(written), room - 1));
    std::memcpy(line + length, "\r\n", 3);
    OutputDebugStringA(line);
}

void DebugLine(const char *who, const char *format, ...) {  // NOLINT(cert-dcl50-cpp): checked by the format attribute
    va_list args;
    va_start(args, format);
    DebugLineV(who, format, args);
    va_end(args);
}

}  // namespace tvdrv
