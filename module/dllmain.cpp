// The module's entry routine: what happens when a process loads or unloads
// the library, and at every thread notification the platform delivers.
//
// Every notification first re-runs the bus link's connect step; a failed
// step answers false, which refuses a load, and ends the notification there.
// After a successful step, process attach puts the module-wide records back
// to their load values, prepares the channel band tables and applies the
// board file. The records are reset here, not only by the loader's mapping:
// when another part of the process holds tvcore.so open across a
// FreeLibrary, the next load finds the previous load's records in memory. Process detach closes the mixer that
// InitTVAudio opened, whether or not the link still stands. Nothing is written
// to the card here. Calls are serialised by the platform's loader lock; this
// routine takes no lock of its own and starts no threads.
#include "audio/tv_audio.h"
#include "bus/bus_link.h"
#include "tv/board_config.h"
#include "tv/plan_tables.h"
#include "tv/tv_state.h"
#include "tvcore.h"
#include "tvhost/win32.h"

namespace {

// The diagnostic lines, kept byte for byte as whatever watches the debug
// channel knows them: line feed before carriage return at the front, and two
// spellings of the routine's name.
constexpr char kEntryLine[] = "\n\rIn DLLEntryPoint: DllMain\r\n";
constexpr char kConnectFailedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n";
constexpr char kConnectedLine[] = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret TRUE\r\n";

}  // namespace

extern "C" TVCORE_API BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    OutputDebugStringA(kEntryLine);
    if (!ConnectBusLink(instance, reason)) {
        OutputDebugStringA(kConnectFailedLine);
        // The link can be down at unload (a re-check at a thread notification
        // found the bus gone). The mixer this module opened is still its
        // own to close: once the module is gone nothing could close it.
        if (reason == DLL_PROCESS_DETACH) ReleaseTVAudio();
        return FALSE;
    }
    OutputDebugStringA(kConnectedLine);

    switch (reason) {
        case DLL_PROCESS_ATTACH:
            tvState = kTvStateAtLoad;
            mixerOpened = 0;
            mixerHandleCopy = HMIXER();  // a word on the host, a pointer on Windows
            InitBandTables();
            LoadBoardConfig();
            break;
        case DLL_PROCESS_DETACH:
            ReleaseTVAudio();
            break;
        default:  // DLL_THREAD_ATTACH, DLL_THREAD_DETACH: nothing beyond the link check
            break;
    }
    return TRUE;
}
