#include "class_result.h"

#include <stdio.h>
#include <string.h>

#include "kept_text.h"
#include "tvhost/thunk.h"

namespace tvdrv {

uint32_t DescribeClassResult(const ClassWords &words, uint32_t call, uint32_t result, char *text, uint32_t size) {
    if (call > TVBUS_CALL_WRITE_BLK) return PutText("", text, size);
    const uint32_t errorClass = (result >> 8) & 0xFFu;
    const char *own = errorClass != 0 && words.own != nullptr ? words.own(errorClass) : nullptr;
    char line[256];
    if (errorClass == 0) {
        if (call == TVBUS_CALL_READ)
            (void)snprintf(line, sizeof line, "read 0x%02X", result & 0xFFu);
        else
            (void)snprintf(line, sizeof line, "done");
    } else if (errorClass <= 0xEF) {
        char name[128];
        (void)snprintf(line, sizeof line, "%s errno %u (%s)%s%s", words.errnoLead, errorClass,
                       strerror_r(static_cast<int>(errorClass), name, sizeof name), own != nullptr ? ": " : "",
                       own != nullptr ? own : "");
    } else if (own != nullptr) {
        (void)snprintf(line, sizeof line, "%s", own);
    } else {
        (void)snprintf(line, sizeof line, "error class 0x%02X", errorClass);
    }
    return PutText(line, text, size);
}

}  // namespace tvdrv
