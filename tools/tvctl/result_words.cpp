#include "result_words.h"

#include <fmt/format.h>

#include "tvcore.h"

namespace tvctl {

std::string ResultMeaning(int32_t result) {
    switch (result) {
        case TV_OK: return "0 (done)";
        case TV_ERR_BAD_PARAM: return "-2 (no such parameter)";
        case TV_ERR_BAD_VALUE: return "-3 (refused)";
        case TV_ERR_NO_LOCK: return "-4 (tuned, no lock)";
        default: return fmt::format("{}", result);
    }
}

std::string UnexpectedResult(const std::string &call, int32_t result) {
    switch (result) {
        case TV_ERR_BAD_PARAM: return fmt::format("{} answered -2: the library does not know that parameter", call);
        case TV_ERR_BAD_VALUE: return fmt::format("{} answered -3: the library refused the value", call);
        case TV_ERR_NO_LOCK: return fmt::format("{} answered -4: tuned, but no lock", call);
        default: return fmt::format("{} answered {}, a result the library does not define", call, result);
    }
}

}  // namespace tvctl
