// The board configuration file vidcfg.ini in the Windows directory.
#pragma once

// Reads vidcfg.ini once and, when it names the alternative board, switches
// TvState's two input-multiplexer values. Silent on every failure.
void LoadBoardConfig();
