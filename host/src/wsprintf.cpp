// wsprintfA: Windows' small formatter with its fixed 1024-character limit,
// offering the one conversion its callers use ("%s\\vidcfg.ini").
#include <cstdarg>
#include <cstddef>

#include "tvhost/win32.h"

namespace {

// wsprintfA writes at most this many characters, then a terminator.
constexpr std::size_t kMaxChars = 1024;

}  // namespace

extern "C" int WINAPIV wsprintfA(LPSTR out, LPCSTR format, ...) {
    if (out == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t count = 0;
    // Whatever would pass the limit is dropped, so the text is cut there.
    auto put = [out, &count](char c) {
        if (count < kMaxChars) out[count++] = c;
    };
    va_list args;
    va_start(args, format);
    for (const char *p = format; p != nullptr && *p != '\0' && count < kMaxChars; ++p) {
        const bool conversion = *p == '%';
        if (conversion && *++p == '\0') break;  // a lone '%' at the end prints nothing
        if (conversion && *p == 's') {
            const char *text = va_arg(args, const char *);
            for (const char *t = text != nullptr ? text : "(null)"; *t != '\0' && count < kMaxChars; ++t) put(*t);
            continue;
        }
        put(*p);  // text, and the character of "%%" or of any other conversion (which takes no argument)
    }
    va_end(args);
    out[count] = '\0';
    return static_cast<int>(count);
}
