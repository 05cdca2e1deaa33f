// wsprintfA: Windows' small formatter with its fixed 1024-character limit.
#include "wsprintf.h"

#include <cstdint>
#include <cstring>

#include "tvhost/win32.h"

namespace tvhost {
namespace {

// Appends to the caller's buffer and silently drops whatever would pass the
// limit, so no conversion has to check room itself.
class LimitedWriter {
public:
    explicit LimitedWriter(char *out) : out_(out) {}

    void Put(char c) {
        if (count_ < kWsprintfMaxChars) out_[count_++] = c;
    }
    void Put(const char *text, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) Put(text[i]);
    }
    void Repeat(char c, std::size_t times) {
        for (std::size_t i = 0; i < times && count_ < kWsprintfMaxChars; ++i) Put(c);
    }
    int Finish() {
        out_[count_] = '\0';
        return static_cast<int>(count_);
    }

private:
    char *out_;
    std::size_t count_ = 0;
};

struct Conversion {
    bool leftAlign = false;
    bool zeroPad = false;
    bool alternate = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
};

// Widths and precisions beyond the output limit change nothing, so the
// parsed number is capped there (and cannot overflow).
std::size_t ParseCount(const char *&p) {
    std::size_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<std::size_t>(*p - '0');
        if (value > kWsprintfMaxChars) value = kWsprintfMaxChars + 1;
        ++p;
    }
    return value;
}

void PutPadded(LimitedWriter &w, const Conversion &conv, const char *body, std::size_t length) {
    std::size_t pad = conv.width > length ? conv.width - length : 0;
    if (!conv.leftAlign) w.Repeat(' ', pad);
    w.Put(body, length);
    if (conv.leftAlign) w.Repeat(' ', pad);
}

// A number: sign or 0x prefix, then zeros for the precision or the zero-pad
// width, then the digits.
void PutNumber(LimitedWriter &w, const Conversion &conv, uint64_t magnitude, bool negative, unsigned base,
               bool upper) {
    const char *digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = digitSet[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    // A precision of 0 prints nothing for the value 0, as in C.
    if (conv.hasPrecision && conv.precision == 0 && count == 1 && digits[0] == '0') count = 0;

    char prefix[2];
    std::size_t prefixLength = 0;
    if (negative) {
        prefix[prefixLength++] = '-';
    } else if (conv.alternate && base == 16 && count > 0 && !(count == 1 && digits[0] == '0')) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = upper ? 'X' : 'x';
    }

    std::size_t zeros = conv.hasPrecision && conv.precision > count ? conv.precision - count : 0;
    std::size_t length = prefixLength + zeros + count;
    std::size_t pad = conv.width > length ? conv.width - length : 0;
    if (conv.zeroPad && !conv.leftAlign && !conv.hasPrecision) {
        zeros += pad;
        pad = 0;
    }
    if (!conv.leftAlign) w.Repeat(' ', pad);
    w.Put(prefix, prefixLength);
    w.Repeat('0', zeros);
    while (count > 0) w.Put(digits[--count]);
    if (conv.leftAlign) w.Repeat(' ', pad);
}

}  // namespace

int FormatWsprintf(char *out, const char *format, va_list args) {
    LimitedWriter w(out);
    if (format == nullptr) return w.Finish();
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            w.Put(*p);
            continue;
        }
        ++p;
        Conversion conv;
        for (;; ++p) {
            if (*p == '-') conv.leftAlign = true;
            else if (*p == '0') conv.zeroPad = true;
            else if (*p == '#') conv.alternate = true;
            else break;
        }
        conv.width = ParseCount(p);
        if (*p == '.') {
            ++p;
            conv.hasPrecision = true;
            conv.precision = ParseCount(p);
        }
        while (*p == 'l' || *p == 'h') ++p;

        switch (*p) {
        case '\0':
            return w.Finish();  // a lone '%' at the end prints nothing
        case 'd':
        case 'i': {
            int32_t value = va_arg(args, int32_t);
            uint64_t magnitude = value < 0 ? uint64_t(0) - static_cast<uint64_t>(int64_t{value})
                                           : static_cast<uint64_t>(value);
            PutNumber(w, conv, magnitude, value < 0, 10, false);
            break;
        }
        case 'u':
            PutNumber(w, conv, va_arg(args, uint32_t), false, 10, false);
            break;
        case 'x':
        case 'X':
            PutNumber(w, conv, va_arg(args, uint32_t), false, 16, *p == 'X');
            break;
        case 'p': {
            // Like Windows: upper-case hex digits, as wide as a pointer.
            Conversion pointer;
            pointer.hasPrecision = true;
            pointer.precision = 2 * sizeof(void *);
            pointer.width = conv.width;
            pointer.leftAlign = conv.leftAlign;
            PutNumber(w, pointer, reinterpret_cast<uintptr_t>(va_arg(args, void *)), false, 16, true);
            break;
        }
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutPadded(w, conv, &c, 1);
            break;
        }
        case 's': {
            const char *text = va_arg(args, const char *);
            if (text == nullptr) text = "(null)";
            // Never read past the precision: the text need not be
            // terminated within it.
            std::size_t limit = conv.hasPrecision ? conv.precision : kWsprintfMaxChars + 1;
            std::size_t length = 0;
            while (length < limit && text[length] != '\0') ++length;
            PutPadded(w, conv, text, length);
            break;
        }
        default:
            w.Put(*p);  // "%%" and unknown conversions print the character itself
            break;
        }
    }
    return w.Finish();
}

}  // namespace tvhost

extern "C" int WINAPIV wsprintfA(LPSTR out, LPCSTR format, ...) {
    if (out == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    va_list args;
    va_start(args, format);
    int written = tvhost::FormatWsprintf(out, format, args);
    va_end(args);
    return written;
}
