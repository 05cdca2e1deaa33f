// Reading vidcfg.ini from the Windows directory at load: one read into one
// page, the file closed before the scan, the page released on every path.
// Where the file is and how its text is read are the card's facts
// (tvcore/card/board_file.h); the file services are the host's.
#include "tv/board_config.h"

#include <optional>

#include "tv/tv_state.h"
#include "tvcore/card/board_file.h"
#include "tvcore/card/decoder.h"
#include "tvhost/win32.h"

namespace tvcore {

using namespace card;

void LoadBoardConfig() {
    char windowsDir[kWindowsDirBufferSize];
    const UINT dirLength = GetWindowsDirectoryA(windowsDir, kWindowsDirBufferSize);
    // No directory, or one that did not fit: nothing to open, and the
    // defaults stay.
    if (!WindowsDirFits(dirLength)) return;
    windowsDir[dirLength] = '\0';  // bounds the path below even if the answer were off

    char path[kBoardFilePathSize];
    wsprintfA(path, kBoardFilePathFormat, windowsDir);

    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, HANDLE());
    if (file == INVALID_HANDLE_VALUE) return;

    char *text = static_cast<char *>(VirtualAlloc(nullptr, kBoardConfigMaxBytes, MEM_COMMIT, PAGE_READWRITE));
    if (text == nullptr) {
        CloseHandle(file);
        return;
    }

    const bool alternative = ReadBoardConfig(text, [file](char *buffer, uint32_t size) -> std::optional<uint32_t> {
        DWORD bytesRead = 0;
        const BOOL readOk = ReadFile(file, buffer, size, &bytesRead, nullptr);
        CloseHandle(file);  // closed before the scan
        return readOk ? std::optional<uint32_t>(bytesRead) : std::nullopt;
    });
    if (alternative) {
        tvState.compositeMux = kAlternativeCompositeMux;
        tvState.tunerMux = kAlternativeTunerMux;
    }
    VirtualFree(text, 0, MEM_RELEASE);
}

}  // namespace tvcore
