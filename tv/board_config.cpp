// Reading vidcfg.ini from the Windows directory at load: one read into one
// page, the file closed before the scan, the page released on every path.
#include "tv/board_config.h"

#include "tv/tv_state.h"
#include "tvcore/card/board_scan.h"
#include "tvcore/card/decoder.h"
#include "tvhost/win32.h"

using namespace tvcore::card;

namespace {

// The directory buffer's size, terminator included.
constexpr UINT kWindowsDirSize = 128;
constexpr char kPathFormat[] = "%s\\vidcfg.ini";
// Room for the longest directory that fits its buffer, the backslash, the
// file name and the terminator, so the formatted path can never overrun.
constexpr UINT kPathSize = kWindowsDirSize + sizeof("\\vidcfg.ini");

}  // namespace

void LoadBoardConfig() {
    char windowsDir[kWindowsDirSize];
    const UINT dirLength = GetWindowsDirectoryA(windowsDir, kWindowsDirSize);
    // 0: no directory; kWindowsDirSize or more: it did not fit and the
    // buffer holds no path. Either way there is nothing to open, and the
    // defaults stay.
    if (dirLength == 0 || dirLength >= kWindowsDirSize) return;
    windowsDir[dirLength] = '\0';  // bounds the path below even if the answer were off

    char path[kPathSize];
    wsprintfA(path, kPathFormat, windowsDir);

    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, HANDLE());
    if (file == INVALID_HANDLE_VALUE) return;

    char *text = static_cast<char *>(VirtualAlloc(nullptr, kBoardConfigMaxBytes, MEM_COMMIT, PAGE_READWRITE));
    if (text == nullptr) {
        CloseHandle(file);
        return;
    }

    DWORD bytesRead = 0;
    const BOOL readOk = ReadFile(file, text, kBoardConfigMaxBytes, &bytesRead, nullptr);
    CloseHandle(file);
    if (readOk) {
        // The scan never takes more than the page holds, whatever the count says.
        const uint32_t length = bytesRead < kBoardConfigMaxBytes ? bytesRead : kBoardConfigMaxBytes;
        if (ScanBoardConfig(text, length)) {
            tvState.compositeMux = kAlternativeCompositeMux;
            tvState.tunerMux = kAlternativeTunerMux;
        }
    }
    VirtualFree(text, 0, MEM_RELEASE);
}
