// The formatter behind wsprintfA, kept free of host state so that it can be
// tested on its own.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace tvhost {

// wsprintfA writes at most this many characters, then a terminator.
inline constexpr std::size_t kWsprintfMaxChars = 1024;

// Formats `format` with `args` into `out`, which must hold
// kWsprintfMaxChars + 1 bytes; never writes more than that. Output beyond
// kWsprintfMaxChars characters is cut off; the text is always terminated.
// Returns the characters written, terminator excluded.
//
// Conversions: %s (NULL prints "(null)"), %c, %d and %i, %u, %x and %X, %p,
// %%. Flags "-" (left-align), "0" (zero-pad numbers), "#" (0x before
// non-zero hex), a decimal width and a ".precision" (least digits of a
// number, most characters of a string). The size prefixes "l" and "h" are
// accepted and change nothing: as on 32-bit Windows, %d/%u/%x take a 32-bit
// argument. An unknown conversion character is copied as it stands and takes
// no argument. A NULL format gives an empty text.
int FormatWsprintf(char *out, const char *format, va_list args);

}  // namespace tvhost
