#include "bus_device.h"

#include <stdarg.h>
#include <stdio.h>

#include "debug_line.h"
#include "tvhost/win32.h"

namespace tvdrv {

int32_t BusDevice::Connect(uint32_t reason, const Hooks &hooks) {
    if (reason == DLL_PROCESS_DETACH) {
        hooks.close();
        device_.Clear();
        refusal_.Clear();
        return 1;
    }
    if (reason == DLL_PROCESS_ATTACH && !hooks.isOpen()) {
        refusal_.Clear();
        (void)hooks.open();
    }
    if (hooks.isOpen()) {
        refusal_.Clear();
        return 1;
    }
    // Only a process attach opens the device; a later notification without
    // one keeps the attach's reason, or says why there is none.
    if (refusal_.Empty()) refusal_.Set("no device is open: the bus was let go at process detach");
    return 0;
}

void BusDevice::Refuse(const char *format, ...) {  // NOLINT(cert-dcl50-cpp): checked by the format attribute
    char line[768];
    va_list args;
    va_start(args, format);
    if (vsnprintf(line, sizeof line, format, args) < 0) line[0] = '\0';
    va_end(args);
    DebugLine(who_, "%s", line);
    refusal_.Set("%s", line);
}

}  // namespace tvdrv
