#include "settings.h"

#include <stdlib.h>

namespace tvdrv {

const char *Setting(const char *name) {
    const char *value = getenv(name);
    return value != nullptr && value[0] != '\0' ? value : nullptr;
}

}  // namespace tvdrv
