// The board configuration file vidcfg.ini in the Windows directory.
#pragma once

#include <cstdint>

// Reads vidcfg.ini once and, when it names the alternative board, switches
// TvState's two input-multiplexer values. Silent on every failure.
void LoadBoardConfig();

// True when `text` (exactly `length` bytes, at most 4096 are looked at)
// names the alternative board. Pure: changes nothing, reads nothing past
// `length`.
bool ScanBoardConfig(const char *text, uint32_t length);
