// wine_check: the library on Windows, through the system's own services.
//
// Loads tvcore.dll with the real LoadLibraryA and checks what the library
// does through kernel32, user32 and winmm as the system provides them (Wine
// on this project's machines), with the simulated card as the bus driver
// tvbus16.dll:
//   - a load is refused while the bus driver cannot be found;
//   - the entry routine's diagnostic lines at load, unload and thread start
//     and end (real thread notifications);
//   - the exports, the state at load and the bus calls through the link;
//   - the board file read from the real Windows directory, with both
//     multiplexer results;
//   - a tune's pause on a real semaphore and its lock result;
//   - TV audio on the system's mixer devices;
//   - on 32-bit Windows, each export's calling convention (a call through
//     tvcore.h's pointer type leaves the stack pointer where it was) and the
//     structure sizes the program works with.
//
// The debug output is caught in this process: OutputDebugStringA hands its
// text to a debugger as a DBG_PRINTEXCEPTION_C exception, and a vectored
// exception handler takes it, with the thread that wrote it, and lets the
// call return as a debugger would.
//
// Prints one line per failed check and ends with "N passed, N failed";
// exits 1 when a check failed.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "stack_balance.h"
#include "tvcore.h"
#include "tvsim.h"

namespace {

// ---- Checks -------------------------------------------------------------------

int passed = 0;
int failed = 0;
const char *section = "";

void Record(bool ok, const std::string &what, int line) {
    if (ok) {
        ++passed;
        return;
    }
    ++failed;
    std::printf("FAILED [%s] line %d: %s\n", section, line, what.c_str());
}

std::string Hex(uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

// C-escaped text, so line ends and control bytes show in a failure.
std::string Escaped(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20 || c >= 0x7F) out += "\\x" + Hex(c).substr(2);
        else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string Listed(const std::vector<std::string> &lines) {
    std::string out = "[";
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + Escaped(lines[i]);
    return out + "]";
}

#define CHECK(cond) Record((cond), #cond, __LINE__)
#define CHECK_EQ(actual, expected)                                                                          \
    do {                                                                                                    \
        const auto actual_ = (actual);                                                                      \
        const auto expected_ = (expected);                                                                  \
        Record(actual_ == expected_,                                                                        \
               std::string(#actual " is ") + std::to_string(actual_) + " (" + Hex(static_cast<uint64_t>(actual_)) + \
                   "), expected " + std::to_string(expected_),                                             \
               __LINE__);                                                                                   \
    } while (0)
#define CHECK_LINES(actual, expected)                                                                       \
    do {                                                                                                    \
        const std::vector<std::string> actual_ = (actual);                                                  \
        const std::vector<std::string> expected_ = expected;                                                \
        Record(actual_ == expected_, std::string(#actual " gave ") + Listed(actual_) + ", expected " + Listed(expected_), \
               __LINE__);                                                                                   \
    } while (0)

// ---- Debug output ------------------------------------------------------------------

struct DebugLine {
    DWORD thread;
    std::string text;
};

CRITICAL_SECTION debugLock;
std::vector<DebugLine> debugLines;

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS *info) {
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (record->ExceptionCode != DBG_PRINTEXCEPTION_C || record->NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    // Parameters: the length with the terminator, then the text.
    const char *text = reinterpret_cast<const char *>(record->ExceptionInformation[1]);
    size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
    std::string line = text == nullptr || length == 0 ? std::string() : std::string(text, strnlen(text, length));
    EnterCriticalSection(&debugLock);
    debugLines.push_back({GetCurrentThreadId(), line});
    LeaveCriticalSection(&debugLock);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// The lines that `thread` wrote since the last call; every caught line is
// then forgotten.
std::vector<std::string> TakeLines(DWORD thread) {
    EnterCriticalSection(&debugLock);
    std::vector<std::string> lines;
    for (const DebugLine &line : debugLines)
        if (line.thread == thread) lines.push_back(line.text);
    debugLines.clear();
    LeaveCriticalSection(&debugLock);
    return lines;
}

std::vector<std::string> TakeOwnLines() { return TakeLines(GetCurrentThreadId()); }

const std::string kEntryLine = "\n\rIn DLLEntryPoint: DllMain\r\n";
const std::string kFailedLine = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret FALSE\r\n";
const std::string kLinkedLine = "\n\rIn DllEntryPoint: thk_ThunkConnect32 ret TRUE\r\n";

// ---- The modules ---------------------------------------------------------------------

template <typename Function>
Function Find(HMODULE module, const char *name) {
    return module == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

// The exports through tvcore.h's pointer types, which carry the calling
// convention of the exports.
struct Library {
    HMODULE module = nullptr;
    PFN_SetTVParam setParam = nullptr;
    PFN_GetTVParam getParam = nullptr;
    PFN_I2C_Read read = nullptr;
    PFN_I2C_Write write = nullptr;
    PFN_I2C_WriteBlk writeBlk = nullptr;
    PFN_InitTVAudio initAudio = nullptr;
    PFN_SetTVVol setVol = nullptr;
    PFN_GetTVVol getVol = nullptr;
    PFN_SetTVMute setMute = nullptr;
    PFN_GetTVMute getMute = nullptr;

    bool Complete() const {
        return setParam && getParam && read && write && writeBlk && initAudio && setVol && getVol && setMute && getMute;
    }
};

Library Resolve(HMODULE module) {
    Library lib;
    lib.module = module;
    lib.setParam = Find<PFN_SetTVParam>(module, "SetTVParam");
    lib.getParam = Find<PFN_GetTVParam>(module, "GetTVParam");
    lib.read = Find<PFN_I2C_Read>(module, "I2C_Read");
    lib.write = Find<PFN_I2C_Write>(module, "I2C_Write");
    lib.writeBlk = Find<PFN_I2C_WriteBlk>(module, "I2C_WriteBlk");
    lib.initAudio = Find<PFN_InitTVAudio>(module, "InitTVAudio");
    lib.setVol = Find<PFN_SetTVVol>(module, "SetTVVol");
    lib.getVol = Find<PFN_GetTVVol>(module, "GetTVVol");
    lib.setMute = Find<PFN_SetTVMute>(module, "SetTVMute");
    lib.getMute = Find<PFN_GetTVMute>(module, "GetTVMute");
    return lib;
}

// The simulated card's own interface, reached in the loaded tvbus16.dll.
struct Card {
    decltype(&TvSimSetSettleMs) setSettleMs = nullptr;
    decltype(&TvSimRestoreDefaults) restoreDefaults = nullptr;
    decltype(&TvSimLogTotal) logTotal = nullptr;
    decltype(&TvSimLogRead) logRead = nullptr;

    bool Complete() const { return setSettleMs && restoreDefaults && logTotal && logRead; }

    std::vector<TvSimTransaction> Since(uint64_t first) const {
        std::vector<TvSimTransaction> entries(64);
        entries.resize(logRead(first, entries.data(), static_cast<uint32_t>(entries.size())));
        return entries;
    }
};

Card ReachCard() {
    HMODULE driver = GetModuleHandleA("tvbus16.dll");
    Card card;
    card.setSettleMs = Find<decltype(&TvSimSetSettleMs)>(driver, "TvSimSetSettleMs");
    card.restoreDefaults = Find<decltype(&TvSimRestoreDefaults)>(driver, "TvSimRestoreDefaults");
    card.logTotal = Find<decltype(&TvSimLogTotal)>(driver, "TvSimLogTotal");
    card.logRead = Find<decltype(&TvSimLogRead)>(driver, "TvSimLogRead");
    return card;
}

// 16:16 translations live in the link (tvhost.dll); none may outlast a call.
uint32_t LiveTranslations() {
    using Count = uint32_t (*)(void);
    Count count = Find<Count>(GetModuleHandleA("tvhost.dll"), "TvHostLiveTranslations");
    return count == nullptr ? 0xFFFFFFFFu : count();
}

bool Loaded(const char *name) { return GetModuleHandleA(name) != nullptr; }

// ---- Files ----------------------------------------------------------------------------

std::string DirectoryOfProgram() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, length < MAX_PATH ? length : 0);
    size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : text.substr(0, slash);
}

// Where the build puts the bus driver, from the program's own directory.
std::string DriverDirectory() {
    std::string path = DirectoryOfProgram() + "\\" + TVCORE_DRIVER_DIR_FROM_EXE;
    for (char &c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string BoardFilePath() {
    char dir[MAX_PATH];
    UINT length = GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir, length < MAX_PATH ? length : 0) + "\\vidcfg.ini";
}

bool WriteBoardFile(const std::string &text) {
    HANDLE file = CreateFileA(BoardFilePath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

void RemoveBoardFile() { DeleteFileA(BoardFilePath().c_str()); }

// ---- Loading and unloading --------------------------------------------------------------

// Loads the library and checks the lines of a load that linked.
Library LoadLinked() {
    HMODULE module = LoadLibraryA("tvcore.dll");
    CHECK(module != nullptr);
    if (module == nullptr) std::printf("  LoadLibraryA failed with error %lu\n", GetLastError());
    CHECK_LINES(TakeOwnLines(), (std::vector<std::string>{kEntryLine, kLinkedLine}));
    CHECK(Loaded("tvbus16.dll"));
    Library lib = Resolve(module);
    CHECK(module == nullptr || lib.Complete());
    return lib;
}

// Unloads the library and checks that the link let the driver go.
void Unload(Library &lib) {
    CHECK(FreeLibrary(lib.module));
    CHECK_LINES(TakeOwnLines(), (std::vector<std::string>{kEntryLine, kLinkedLine}));
    CHECK(!Loaded("tvcore.dll"));
    CHECK(!Loaded("tvbus16.dll"));
    CHECK(!Loaded("tvhost.dll"));
    lib = Library{};
}

// ---- The checks --------------------------------------------------------------------------

void CheckLoadRefusedWithoutBusDriver() {
    section = "load without the bus driver";
    SetLastError(0);
    HMODULE module = LoadLibraryA("tvcore.dll");
    DWORD error = GetLastError();
    CHECK(module == nullptr);
    CHECK_EQ(error, static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
    // The refused attach, then the detach that Windows sends a module whose
    // attach failed: the link never stood, so both steps report FALSE.
    CHECK_LINES(TakeOwnLines(), (std::vector<std::string>{kEntryLine, kFailedLine, kEntryLine, kFailedLine}));
    CHECK(!Loaded("tvcore.dll"));
    CHECK(!Loaded("tvbus16.dll"));
    CHECK(!Loaded("tvhost.dll"));
}

void CheckExports(const Library &lib) {
    section = "exports";
    CHECK(lib.Complete());
    const char *data = Find<const char *>(lib.module, "thk_ThunkData32");
    CHECK(data != nullptr && std::memcmp(data, "LS01", 4) == 0);
    CHECK(Find<FARPROC>(lib.module, "DllMain") != nullptr);
    // Internal functions stay inside the module.
    CHECK(Find<FARPROC>(lib.module, "LoadBoardConfig") == nullptr);
    CHECK(Find<FARPROC>(lib.module, "TuneTVChannel") == nullptr);
}

// Loads are counted: a second load while loaded answers the same module with
// no notification, and only the FreeLibrary that brings the count to zero
// detaches.
void CheckLoadCount(const Library &lib) {
    section = "load count";
    HMODULE again = LoadLibraryA("tvcore.dll");
    CHECK(again == lib.module);
    CHECK(FreeLibrary(again));
    CHECK_LINES(TakeOwnLines(), std::vector<std::string>{});
    CHECK(Loaded("tvcore.dll"));
    CHECK(Loaded("tvbus16.dll"));
}

void CheckStateAtLoad(const Library &lib) {
    section = "state at load";
    CHECK_EQ(lib.getParam(TV_PARAM_SOURCE), 1);
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 0);
    for (uint32_t id = TV_PARAM_BRIGHTNESS; id <= TV_PARAM_SATURATION; ++id) CHECK_EQ(lib.getParam(id), 128);
    CHECK_EQ(lib.getParam(0), TV_ERR_BAD_PARAM);
    CHECK_EQ(lib.getParam(7), TV_ERR_BAD_PARAM);
}

void CheckBusCalls(const Library &lib) {
    section = "bus calls";
    // Words are narrowed to 16 bits before they cross; the register keeps 8.
    CHECK_EQ(lib.write(0x88, 0x0C, 0x1FE), static_cast<uint32_t>(TVSIM_OK));
    CHECK_EQ(lib.read(0x88, 0x0C) & 0xFFu, 0xFEu);
    CHECK_EQ(lib.write(0x10088, 0x1000D, 0x33), static_cast<uint32_t>(TVSIM_OK));
    CHECK_EQ(lib.read(0x88, 0x0D) & 0xFFu, 0x33u);

    // A block crosses as a 16:16 value that the driver maps back; it is
    // released when the call returns.
    const uint8_t block[] = {0x0E, 0x5A, 0xA5};  // decoder: register 0x0E, then two bytes
    CHECK_EQ(lib.writeBlk(0x88, block, sizeof block), static_cast<uint32_t>(TVSIM_OK));
    CHECK_EQ(lib.read(0x88, 0x0E) & 0xFFu, 0x5Au);
    CHECK_EQ(lib.read(0x88, 0x0F) & 0xFFu, 0xA5u);
    CHECK_EQ(LiveTranslations(), 0u);

    // NULL crosses as 0 and maps back to NULL, which the driver refuses.
    CHECK_EQ(lib.writeBlk(0xC2, nullptr, 4), static_cast<uint32_t>(TVSIM_BAD_POINTER));
    CHECK_EQ(LiveTranslations(), 0u);
}

// Each export called once through its pointer type leaves the stack pointer
// where it was: the convention tvcore.h gives the pointer is the one the
// export was built with (on 32-bit Windows; elsewhere there is one). These
// are the first calls into the library, and a wrong convention ends the run:
// every later call through that pointer would wreck the caller's frame. The
// calls are harmless: brightness is set to its value at load, the decoder's
// register 0x0C is written again by the bus checks, and the audio calls get
// the NULL record they refuse. Answers false when a convention was wrong.
bool CheckCallingConventions(const Library &lib) {
    section = "calling conventions";
#if defined(TVCORE_CHECK_STACK_DRIFT)
    using stack_balance::StackDrift;
    const uint8_t block[] = {0x0C, 0x00};
    const uint32_t decoder = TV_I2C_DECODER;
    const struct {
        const char *name;
        intptr_t drift;
    } calls[] = {
        {"SetTVParam", StackDrift(lib.setParam, uint32_t{TV_PARAM_BRIGHTNESS}, uint32_t{128})},
        {"GetTVParam", StackDrift(lib.getParam, uint32_t{TV_PARAM_BRIGHTNESS})},
        {"I2C_Read", StackDrift(lib.read, decoder, uint32_t{0x0C})},
        {"I2C_Write", StackDrift(lib.write, decoder, uint32_t{0x0C}, uint32_t{0})},
        {"I2C_WriteBlk", StackDrift(lib.writeBlk, decoder, block, uint32_t{sizeof block})},
        {"InitTVAudio", StackDrift(lib.initAudio, nullptr)},
        {"SetTVVol", StackDrift(lib.setVol, nullptr, uint32_t{0})},
        {"GetTVVol", StackDrift(lib.getVol, nullptr)},
        {"SetTVMute", StackDrift(lib.setMute, nullptr, uint32_t{0})},
        {"GetTVMute", StackDrift(lib.getMute, nullptr)},
    };
    bool allKept = true;
    for (const auto &call : calls) {
        Record(call.drift == 0,
               std::string("a call of ") + call.name + " through its pointer type moved the stack pointer by " +
                   std::to_string(call.drift) + " bytes",
               __LINE__);
        allKept = allKept && call.drift == 0;
    }
    return allKept;
#else
    (void)lib;
    return true;
#endif
}

// The sizes this program works with, checked in the program that runs, beside
// the library's compile-time checks (module/layout_checks.cpp): the record
// every audio call shares with the library, and on 32-bit Windows the mixer
// structures as the real headers give them.
void CheckStructureSizes() {
    section = "structure sizes";
    const struct {
        const char *name;
        size_t actual;
        size_t expected;
    } sizes[] = {
        {"TvMixerLine", sizeof(TvMixerLine), 32},
        {"offset of TvMixerLine::channelCount", offsetof(TvMixerLine, channelCount), 20},
#if defined(_WIN32) && !defined(_WIN64)
        {"MIXERLINEA", sizeof(MIXERLINEA), 168},
        {"MIXERCONTROLA", sizeof(MIXERCONTROLA), 148},
        {"MIXERLINECONTROLSA", sizeof(MIXERLINECONTROLSA), 24},
        {"MIXERCONTROLDETAILS", sizeof(MIXERCONTROLDETAILS), 24},
        {"MIXERCONTROLDETAILS_UNSIGNED", sizeof(MIXERCONTROLDETAILS_UNSIGNED), 4},
        {"HMIXER", sizeof(HMIXER), 4},
#endif
    };
    for (const auto &size : sizes)
        Record(size.actual == size.expected,
               std::string(size.name) + " is " + std::to_string(size.actual) + " bytes, expected " +
                   std::to_string(size.expected),
               __LINE__);
}

// Selects composite and the tuner, and reads back the multiplexer field the
// board file decided.
void CheckSources(const Library &lib, uint32_t compositeMux, uint32_t tunerMux) {
    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, TV_SOURCE_COMPOSITE), TV_OK);
    CHECK_EQ(lib.read(0x88, 0x01) & 0x60u, compositeMux);
    CHECK_EQ(lib.read(0x88, 0x0B) & 0x40u, 0u);
    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE), TV_OK);
    CHECK_EQ(lib.read(0x88, 0x01) & 0x60u, tunerMux);
    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, TV_SOURCE_SVIDEO), TV_OK);
    CHECK_EQ(lib.read(0x88, 0x01) & 0x60u, tunerMux);
    CHECK_EQ(lib.read(0x88, 0x0B) & 0x40u, 0x40u);
    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, 3), TV_ERR_BAD_VALUE);
}

DWORD WINAPI DoNothing(LPVOID) { return 0; }

void CheckThreadNotifications(const Library &lib) {
    section = "thread notifications";
    CHECK_EQ(lib.setParam(TV_PARAM_HUE, 77), TV_OK);
    TakeOwnLines();
    DWORD thread = 0;
    HANDLE handle = CreateThread(nullptr, 0, DoNothing, nullptr, 0, &thread);
    CHECK(handle != nullptr);
    if (handle == nullptr) return;
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
    // Attach and detach each re-run the link's check, on the new thread.
    CHECK_LINES(TakeLines(thread), (std::vector<std::string>{kEntryLine, kLinkedLine, kEntryLine, kLinkedLine}));
    CHECK_EQ(lib.getParam(TV_PARAM_HUE), 77);
    CHECK_EQ(lib.read(0x88, 0x0F) & 0xFFu, static_cast<uint32_t>((77 + 128) & 0xFF));
}

// The tune's pause is the only thing between the block write and the status
// read. With the card's settle time at 120 ms, well below the 150 ms pause
// yet far above the time the calls themselves take, the card reports lock
// only if the pause really waited; its log gives the time between the two.
void CheckTuning(const Library &lib) {
    section = "tuning";
    Card card = ReachCard();
    CHECK(card.Complete());
    if (!card.Complete()) return;
    constexpr uint32_t kSettleMs = 120;
    card.setSettleMs(kSettleMs);

    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_BROADCAST), TV_OK);
    uint64_t first = card.logTotal();
    CHECK_EQ(lib.setParam(TV_PARAM_CHANNEL, 2), TV_OK);  // 55.25 MHz, on the air
    std::vector<TvSimTransaction> log = card.Since(first);
    CHECK_EQ(log.size(), static_cast<size_t>(2));
    if (log.size() == 2) {
        const TvSimTransaction &block = log[0];
        const TvSimTransaction &status = log[1];
        CHECK_EQ(block.op, TVSIM_OP_BLOCK);
        CHECK_EQ(block.device, 0xC2u);
        CHECK_EQ(block.count, 4u);
        const uint8_t expected[4] = {0x06, 0x50, 0x8E, 0x01};
        CHECK(std::memcmp(block.bytes, expected, 4) == 0);
        CHECK_EQ(status.op, TVSIM_OP_READ);
        CHECK_EQ(status.device, 0x88u);
        CHECK_EQ(status.reg, 0u);
        CHECK_EQ(status.result & 0x40u, 0x40u);
        CHECK(status.timeUs - block.timeUs >= kSettleMs * 1000u);
    }
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 2);

    // 61.25 MHz carries no station: tuned, stored, no lock.
    CHECK_EQ(lib.setParam(TV_PARAM_CHANNEL, 3), TV_ERR_NO_LOCK);
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 3);
    // 0x105 is channel 5 (77.25 MHz, on the air).
    CHECK_EQ(lib.setParam(TV_PARAM_CHANNEL, 0x105), TV_OK);
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 5);

    // Without the tuner as the source nothing is sent and the channel stays.
    CHECK_EQ(lib.setParam(TV_PARAM_SOURCE, TV_SOURCE_COMPOSITE), TV_OK);
    first = card.logTotal();
    CHECK_EQ(lib.setParam(TV_PARAM_CHANNEL, 7), TV_ERR_BAD_VALUE);
    CHECK_EQ(card.logTotal(), first);
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 5);
    card.restoreDefaults();
}

bool RecordCleared(const TvMixerLine &line) {
    return line.mixerHandle == 0 && line.leftVolume == 0 && line.rightVolume == 0 && line.volumeMin == 0 &&
           line.volumeMax == 0 && line.channelCount == 2 && line.volumeControlId == 0 && line.muteControlId == 0;
}

// TV audio on whatever mixer devices the system has. The runner starts Wine
// without audio drivers, so winmm has none and the no-mixer path runs on
// every machine; with a device present the other branch says what the
// system's mixer gave.
void CheckAudio(const Library &lib) {
    section = "audio";
    CHECK_EQ(lib.initAudio(nullptr), 0u);
    CHECK_EQ(lib.setVol(nullptr, 1), static_cast<uint32_t>(MMSYSERR_INVALPARAM));
    TakeOwnLines();

    UINT devices = mixerGetNumDevs();
    std::printf("  winmm reports %u mixer device(s)\n", devices);
    // The record with guard bytes behind it: the library writes the record
    // where this program has it and nothing beyond its 32 bytes.
    struct {
        TvMixerLine line;
        uint8_t after[16];
    } guarded;
    std::memset(&guarded, 0xA5, sizeof guarded);
    TvMixerLine &line = guarded.line;
    uint32_t found = lib.initAudio(&line);
    std::vector<std::string> lines = TakeOwnLines();
    CHECK(std::all_of(std::begin(guarded.after), std::end(guarded.after), [](uint8_t b) { return b == 0xA5; }));

    if (devices == 0) {
        CHECK_EQ(found, 0u);
        CHECK_LINES(lines, (std::vector<std::string>{"No Mixers Found"}));
        CHECK(RecordCleared(line));
        // The cleared record goes to the mixer as it is: the calls answer
        // exactly what winmm answers for handle 0 and control 0.
        MIXERCONTROLDETAILS_UNSIGNED values[2] = {{1000}, {1000}};
        MIXERCONTROLDETAILS details{};
        details.cbStruct = sizeof details;
        details.cChannels = 2;
        details.cbDetails = sizeof values[0];
        details.paDetails = values;
        MMRESULT direct = mixerSetControlDetails(nullptr, &details, MIXER_OBJECTF_HMIXER);
        std::printf("  mixerSetControlDetails on handle 0 answers %u\n", direct);
        CHECK(direct != MMSYSERR_NOERROR);
        CHECK_EQ(lib.setVol(&line, 1000), static_cast<uint32_t>(direct));
        CHECK_EQ(lib.setMute(&line, 1), static_cast<uint32_t>(direct));
        CHECK_EQ(lib.getVol(&line), 0u);
        CHECK_EQ(line.leftVolume, 0u);
        CHECK_EQ(line.rightVolume, 0u);
        CHECK_EQ(lib.getMute(&line), 0u);
    } else {
        std::printf("  InitTVAudio answered %u: handle %s, volume control %u (%u..%u), mute control %u\n", found,
                    Hex(line.mixerHandle).c_str(), line.volumeControlId, line.volumeMin, line.volumeMax,
                    line.muteControlId);
        CHECK(lines.empty());
        CHECK_EQ(line.channelCount, 2u);
        CHECK_EQ(line.leftVolume, 0u);
        CHECK_EQ(line.rightVolume, 0u);
        if (found == 1) CHECK_EQ(lib.setVol(&line, line.volumeMin), static_cast<uint32_t>(MMSYSERR_NOERROR));
    }
}

// Answers false when the library cannot be called safely.
bool CheckStandardBoard() {
    section = "load and unload";
    Library lib = LoadLinked();
    if (lib.module == nullptr) return false;
    CheckExports(lib);
    if (!lib.Complete() || !CheckCallingConventions(lib)) return false;
    CheckLoadCount(lib);
    CheckStateAtLoad(lib);
    CheckBusCalls(lib);
    section = "standard board";
    CheckSources(lib, 0x60, 0x20);
    CheckThreadNotifications(lib);
    CheckTuning(lib);
    CheckAudio(lib);
    section = "load and unload";
    Unload(lib);
    return true;
}

void CheckAlternativeBoard() {
    section = "alternative board";
    CHECK(WriteBoardFile("/* the card in this machine */\r\n[SYSTEM]\r\nBoardType = QX_KESTREL\r\n"));
    Library lib = LoadLinked();
    if (lib.module == nullptr) return;
    CHECK_EQ(lib.getParam(TV_PARAM_CHANNEL), 0);  // a fresh load starts from the initial records
    CheckSources(lib, 0x40, 0x60);
    Unload(lib);
}

}  // namespace

int main() {
    InitializeCriticalSection(&debugLock);
    AddVectoredExceptionHandler(1, CatchDebugOutput);
    RemoveBoardFile();

    CheckStructureSizes();
    CheckLoadRefusedWithoutBusDriver();

    // The bus driver's directory joins the DLL search path; the library's
    // LoadLibraryA("tvbus16.dll") then finds it.
    section = "bus driver directory";
    std::string drivers = DriverDirectory();
    CHECK(SetDllDirectoryA(drivers.c_str()));

    if (!CheckStandardBoard()) {
        std::printf("%d passed, %d failed; the library was not called further\n", passed, failed);
        std::fflush(stdout);
        return 1;
    }
    CheckAlternativeBoard();
    RemoveBoardFile();

    // The process ends with the library loaded: Windows detaches the driver
    // (loaded later) before the library, whose detach step then still asks
    // and releases it. A fault there ends the process with an exception code
    // instead of the exit code below.
    section = "exit with the library loaded";
    CHECK(LoadLibraryA("tvcore.dll") != nullptr);

    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
