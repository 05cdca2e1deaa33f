// Numbers as a user types them: decimal or 0x hex, and the I2C words built
// from them (device address, register, byte), each with a sentence that says
// what was wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvctl {

// A whole number without sign: decimal, or hex with 0x/0X. Nothing else on
// either side; empty when the text is no such number or exceeds 64 bits.
std::optional<uint64_t> ParseNumber(std::string_view text);

// The outcome of reading one user value: the value, or why it was refused.
template <typename T>
struct Parsed {
    std::optional<T> value;
    std::string error;  // set when value is empty
    std::string note;   // something the user should know about an accepted value
};

// An I2C device address in the 8-bit write form the card uses (0x88, 0xC2).
// A 7-bit address (below 0x80) is shifted into that form and said so; an odd
// 8-bit address is the read form of the even one before it, and is taken as
// that (the bus sets the read bit itself).
Parsed<uint32_t> ParseDeviceAddress(std::string_view text);

// An 8-bit quantity (register number, register value, block byte), 0..0xFF;
// `what` names it in the refusal ("register", "value", "byte 3").
Parsed<uint32_t> ParseByte(std::string_view text, std::string_view what);

// "0x88" style: two hex digits at least, upper case.
std::string Hex(uint32_t value, int digits = 2);

}  // namespace tvctl
