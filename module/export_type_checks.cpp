// tvcore.h's pointer types against the exports' own declarations: a pointer
// of type PFN_<name> holds &<name> exactly, calling convention included, so
// an application that declares its GetProcAddress pointers with them calls
// each export the way it is defined. Checked whenever the library is built.
#include <type_traits>

#include "tvcore.h"

static_assert(std::is_same_v<PFN_SetTVParam, decltype(&SetTVParam)>);
static_assert(std::is_same_v<PFN_GetTVParam, decltype(&GetTVParam)>);
static_assert(std::is_same_v<PFN_I2C_Read, decltype(&I2C_Read)>);
static_assert(std::is_same_v<PFN_I2C_Write, decltype(&I2C_Write)>);
static_assert(std::is_same_v<PFN_I2C_WriteBlk, decltype(&I2C_WriteBlk)>);
static_assert(std::is_same_v<PFN_InitTVAudio, decltype(&InitTVAudio)>);
static_assert(std::is_same_v<PFN_SetTVVol, decltype(&SetTVVol)>);
static_assert(std::is_same_v<PFN_GetTVVol, decltype(&GetTVVol)>);
static_assert(std::is_same_v<PFN_SetTVMute, decltype(&SetTVMute)>);
static_assert(std::is_same_v<PFN_GetTVMute, decltype(&GetTVMute)>);
