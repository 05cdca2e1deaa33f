// The library's TV parameter result codes in words: the one place tvctl
// says what 0, -2, -3 and -4 mean.
#pragma once

#include <cstdint>
#include <string>

namespace tvctl {

// "0 (done)", "-2 (no such parameter)", "-3 (refused)", "-4 (tuned, no lock)";
// another number as it is.
std::string ResultMeaning(int32_t result);

// A sentence for a result tvctl did not expect from `call` ("SetTVParam(2, 7)").
std::string UnexpectedResult(const std::string &call, int32_t result);

}  // namespace tvctl
