// One line on the host's debug channel (OutputDebugStringA), the way every
// host module reports: "<who>: <text>\r\n", cut short to fit one line.
#pragma once

#include <stdarg.h>

namespace tvdrv {

void DebugLine(const char *who, const char *format, ...) __attribute__((format(printf, 2, 3)));  // NOLINT(cert-dcl50-cpp)
void DebugLineV(const char *who, const char *format, va_list args) __attribute__((format(printf, 2, 0)));

}  // namespace tvdrv
