// The decoder settings behind the TV parameters, one per parameter. Each
// takes a value already range-checked by SetTVParam (except the source,
// which judges its own value) and answers a TV_ result code.
#pragma once

#include <cstdint>

int32_t SelectVideoSource(uint32_t value);
int32_t SetBrightness(uint8_t value);
int32_t SetContrast(uint8_t value);
int32_t SetHue(uint8_t value);
int32_t SetSaturation(uint8_t value);
