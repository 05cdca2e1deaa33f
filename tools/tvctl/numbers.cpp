#include "numbers.h"

#include <fmt/format.h>

#include <charconv>

namespace tvctl {

std::optional<uint64_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string Hex(uint32_t value, int digits) { return fmt::format("0x{:0{}X}", value, digits); }

Parsed<uint32_t> ParseDeviceAddress(std::string_view text) {
    Parsed<uint32_t> out;
    std::optional<uint64_t> number = ParseNumber(text);
    if (!number) {
        out.error = fmt::format("device address \"{}\" is not a number (give it like 0x88)", text);
        return out;
    }
    if (*number > 0xFF) {
        out.error = fmt::format("device address {} is out of range: give the 8-bit form 0x80-0xFE "
                                "or a 7-bit address 0x00-0x7F",
                                *number <= 0xFFFFFFFFu ? Hex(static_cast<uint32_t>(*number)) : std::string(text));
        return out;
    }
    uint32_t address = static_cast<uint32_t>(*number);
    if (address < 0x80) {
        out.value = address << 1;
        out.note = fmt::format("{} taken as 7-bit address, 8-bit form {}", Hex(address), Hex(address << 1));
    } else if (address & 1u) {
        out.value = address & ~1u;
        out.note = fmt::format("{} is the read form of {}; using {} (the bus sets the read bit itself)",
                               Hex(address), Hex(address & ~1u), Hex(address & ~1u));
    } else {
        out.value = address;
    }
    return out;
}

Parsed<uint32_t> ParseByte(std::string_view text, std::string_view what) {
    Parsed<uint32_t> out;
    std::optional<uint64_t> number = ParseNumber(text);
    if (!number) {
        out.error = fmt::format("{} \"{}\" is not a number", what, text);
    } else if (*number > 0xFF) {
        out.error = fmt::format("{} {} is out of range (0x00-0xFF)", what, text);
    } else {
        out.value = static_cast<uint32_t>(*number);
    }
    return out;
}

}  // namespace tvctl
