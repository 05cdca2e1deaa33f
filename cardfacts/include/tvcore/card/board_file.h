// Where the board file is, and its one read. The file services
// (GetWindowsDirectoryA, CreateFileA, ReadFile or their like) are the
// caller's; this says what to ask of them and what their answers mean.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tvcore/card/board_scan.h"

namespace tvcore::card {

// The Windows directory is taken into a buffer of this many bytes,
// terminator included; a longer directory means that no file is read.
inline constexpr uint32_t kWindowsDirBufferSize = 128;

// The file is the Windows directory, a backslash and this name. Every reader
// hands the host that one form: the host takes the backslash as a directory
// separator, as Windows does.
inline constexpr char kBoardFileName[] = "vidcfg.ini";
inline constexpr char kBoardFilePathFormat[] = "%s\\vidcfg.ini";  // for wsprintfA
// Room for the longest directory that fits its buffer, the backslash, the
// name and the terminator, so a formatted path can never overrun.
inline constexpr uint32_t kBoardFilePathSize = kWindowsDirBufferSize + sizeof("\\vidcfg.ini");

// Whether GetWindowsDirectoryA's answer for a buffer of kWindowsDirBufferSize
// bytes names a directory to look in: 0 is none, and the size or more did
// not fit (the buffer then holds no path).
constexpr bool WindowsDirFits(uint32_t length) { return length != 0 && length < kWindowsDirBufferSize; }

// "<dir>\vidcfg.ini" for the first `length` characters of `dir`, the
// directory's answer; empty when that answer does not fit.
std::string BoardFilePath(const char *dir, uint32_t length);

// The one read of the open board file: `read(buffer, size)` reads at most
// `size` bytes into `buffer` (kBoardConfigMaxBytes long) and answers how many,
// or nothing when the read fails. True when what was read names the
// alternative board; a failed read names none. The scan never takes more
// than the buffer holds, whatever the count says.
template <typename Read>
bool ReadBoardConfig(char *buffer, Read &&read) {
    const std::optional<uint32_t> got = read(buffer, kBoardConfigMaxBytes);
    return got.has_value() && ScanBoardConfig(buffer, *got < kBoardConfigMaxBytes ? *got : kBoardConfigMaxBytes);
}

}  // namespace tvcore::card
