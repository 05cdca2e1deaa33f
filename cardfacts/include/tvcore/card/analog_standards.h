// The analogue TV standards by the names a V4L2 user types, each with the
// kernel's bit mask for it (v4l2_std_id). The bit values are those of the
// Linux kernel's public interface header linux/videodev2.h (the
// V4L2_STD_* macros); they are written here as data so that the card facts
// build on any system, and a test on Linux holds them to the real header.
#pragma once

#include <cstdint>
#include <string_view>

#include "tvcore/card/name_match.h"

namespace tvcore::card {

inline constexpr uint64_t kStdPalB = 0x00000001;
inline constexpr uint64_t kStdPalB1 = 0x00000002;
inline constexpr uint64_t kStdPalG = 0x00000004;
inline constexpr uint64_t kStdPalH = 0x00000008;
inline constexpr uint64_t kStdPalI = 0x00000010;
inline constexpr uint64_t kStdPalD = 0x00000020;
inline constexpr uint64_t kStdPalD1 = 0x00000040;
inline constexpr uint64_t kStdPalK = 0x00000080;
inline constexpr uint64_t kStdPalM = 0x00000100;
inline constexpr uint64_t kStdPalN = 0x00000200;
inline constexpr uint64_t kStdPalNc = 0x00000400;
inline constexpr uint64_t kStdPal60 = 0x00000800;
inline constexpr uint64_t kStdNtscM = 0x00001000;
inline constexpr uint64_t kStdNtscMJp = 0x00002000;
inline constexpr uint64_t kStdNtsc443 = 0x00004000;
inline constexpr uint64_t kStdNtscMKr = 0x00008000;
inline constexpr uint64_t kStdSecamB = 0x00010000;
inline constexpr uint64_t kStdSecamD = 0x00020000;
inline constexpr uint64_t kStdSecamG = 0x00040000;
inline constexpr uint64_t kStdSecamH = 0x00080000;
inline constexpr uint64_t kStdSecamK = 0x00100000;
inline constexpr uint64_t kStdSecamK1 = 0x00200000;
inline constexpr uint64_t kStdSecamL = 0x00400000;
inline constexpr uint64_t kStdSecamLc = 0x00800000;

// The header's groups, built from the bits as it builds them.
inline constexpr uint64_t kStdNtsc = kStdNtscM | kStdNtscMJp | kStdNtscMKr;
inline constexpr uint64_t kStdPalBg = kStdPalB | kStdPalB1 | kStdPalG;
inline constexpr uint64_t kStdPalDk = kStdPalD | kStdPalD1 | kStdPalK;
inline constexpr uint64_t kStdPal = kStdPalBg | kStdPalDk | kStdPalH | kStdPalI;
inline constexpr uint64_t kStdSecamDk = kStdSecamD | kStdSecamK | kStdSecamK1;
inline constexpr uint64_t kStdSecam = kStdSecamB | kStdSecamG | kStdSecamH | kStdSecamDk | kStdSecamL | kStdSecamLc;

struct AnalogStandard {
    const char *name;
    uint64_t mask;
};

inline constexpr AnalogStandard kAnalogStandards[] = {
    {"ntsc", kStdNtsc},         {"ntsc-m", kStdNtscM},     {"ntsc-m-jp", kStdNtscMJp},
    {"ntsc-m-kr", kStdNtscMKr}, {"ntsc-443", kStdNtsc443}, {"pal", kStdPal},
    {"pal-b", kStdPalB},        {"pal-b1", kStdPalB1},     {"pal-g", kStdPalG},
    {"pal-h", kStdPalH},        {"pal-i", kStdPalI},       {"pal-d", kStdPalD},
    {"pal-d1", kStdPalD1},      {"pal-k", kStdPalK},       {"pal-bg", kStdPalBg},
    {"pal-dk", kStdPalDk},      {"pal-m", kStdPalM},       {"pal-n", kStdPalN},
    {"pal-nc", kStdPalNc},      {"pal-60", kStdPal60},     {"secam", kStdSecam},
    {"secam-b", kStdSecamB},    {"secam-d", kStdSecamD},   {"secam-g", kStdSecamG},
    {"secam-h", kStdSecamH},    {"secam-k", kStdSecamK},   {"secam-k1", kStdSecamK1},
    {"secam-l", kStdSecamL},    {"secam-lc", kStdSecamLc}, {"secam-dk", kStdSecamDk},
};

// The standard a user named (case does not matter); nullptr for no such name.
constexpr const AnalogStandard *FindStandard(std::string_view name) {
    for (const AnalogStandard &standard : kAnalogStandards)
        if (SameName(standard.name, name)) return &standard;
    return nullptr;
}

// The name of a mask that is exactly one entry of the list; nullptr otherwise.
constexpr const char *StandardName(uint64_t mask) {
    for (const AnalogStandard &standard : kAnalogStandards)
        if (standard.mask == mask) return standard.name;
    return nullptr;
}

}  // namespace tvcore::card
