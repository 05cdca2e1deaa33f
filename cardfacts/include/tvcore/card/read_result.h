// What a bus read answers: the register's byte in the low 8 bits and nothing
// above them. An answer above 0xFF is a failed read: a bus driver puts its
// failure in the upper bits (often with 0xFF, an idle bus, in the low byte),
// and a read without a bus link answers all ones. Either way no device
// answered, whatever the low byte shows.
#pragma once

#include <cstdint>

namespace tvcore::card {

constexpr bool ReadAnswered(uint32_t readResult) { return readResult <= 0xFFu; }

}  // namespace tvcore::card
