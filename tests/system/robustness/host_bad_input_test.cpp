// Bad input to every host service: closed, foreign and made-up handles,
// NULL pointers, sizes that do not fit, flags that are not offered. Each gets
// its documented Windows answer and last-error code, and leaves the host's
// tables as they were. docs/bad-input.md is the same table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "harness.h"
#include "support/host_tables.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/thunk.h"

namespace {

using tvtest::HostTables;

class HostBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        robust::UseSimulatedHardware();
        dir = tvtest::MakeTempDir("host-bad-input");
        tvtest::WriteFile(dir + "/text.so", "this is not a shared object\n");
        tvtest::WriteFile(dir + "/empty.so", "");
        tvtest::WriteFile(dir + "/short-elf.so", std::string("\x7F" "ELF\x02\x01\x01", 7));
        tvtest::WriteFile(dir + "/data.txt", "0123456789");
        std::filesystem::create_directories(dir + "/folder.so");
        before = HostTables::Now();
    }
    void TearDown() override {
        EXPECT_EQ(HostTables::Now(), before) << "a refused call changed the host's tables";
        robust::UseSimulatedHardware();
    }

    // A semaphore, a file and a mixer handle, each of the other kinds'
    // tables, and one of each already closed.
    struct Handles {
        HANDLE semaphore = 0, file = 0, closedSemaphore = 0, closedFile = 0;
        HMIXER mixer = 0, closedMixer = 0;
    };
    Handles Open() {
        Handles h;
        h.semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
        h.closedSemaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
        h.file = CreateFileA((dir + "/data.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
        h.closedFile = CreateFileA((dir + "/data.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0);
        EXPECT_EQ(mixerOpen(&h.mixer, 0, 0, 0, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(mixerOpen(&h.closedMixer, 0, 0, 0, 0), MMSYSERR_NOERROR);
        EXPECT_TRUE(CloseHandle(h.closedSemaphore));
        EXPECT_TRUE(CloseHandle(h.closedFile));
        EXPECT_EQ(mixerClose(h.closedMixer), MMSYSERR_NOERROR);
        return h;
    }
    void Close(const Handles &h) {
        EXPECT_TRUE(CloseHandle(h.semaphore));
        EXPECT_TRUE(CloseHandle(h.file));
        EXPECT_EQ(mixerClose(h.mixer), MMSYSERR_NOERROR);
    }

    std::string dir;
    HostTables before{};
};

TEST_F(HostBadInput, HandlesThatAreNotOpenOrOfAnotherKind) {
    Handles h = Open();
    HostTables open = HostTables::Now();
    struct Case {
        const char *what;
        HANDLE handle;
        bool semaphore;  // the handle is a live semaphore (waits and closes work on it)
        bool file;       // the handle is a live file
    } cases[] = {
        {"0", 0, false, false},
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE, false, false},
        {"made up", 0x12345678u, false, false},
        {"closed semaphore", h.closedSemaphore, false, false},
        {"closed file", h.closedFile, false, false},
        {"mixer handle", h.mixer, false, false},
        {"live semaphore", h.semaphore, true, false},
        {"live file", h.file, false, true},
    };
    for (const Case &c : cases) {
        // The answer a refused call gives, and its last-error code.
        auto refused = [&](bool live) { return live ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; };
        char buffer[4];
        DWORD got = 0xAAAA;
        SetLastError(ERROR_SUCCESS);
        BOOL read = ReadFile(c.handle, buffer, sizeof buffer, &got, nullptr);
        EXPECT_EQ(read, c.file ? TRUE : FALSE) << c.what;
        EXPECT_EQ(got, c.file ? 4u : 0u) << c.what << ": the count is set either way";
        EXPECT_EQ(GetLastError(), refused(c.file)) << c.what;

        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(c.handle, 0), c.semaphore ? WAIT_TIMEOUT : WAIT_FAILED) << c.what;
        EXPECT_EQ(GetLastError(), refused(c.semaphore)) << c.what;

        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(ReleaseSemaphore(c.handle, 1, nullptr), c.semaphore ? TRUE : FALSE) << c.what;
        EXPECT_EQ(GetLastError(), refused(c.semaphore)) << c.what;
        EXPECT_EQ(WaitForSingleObject(c.handle, 0), c.semaphore ? WAIT_OBJECT_0 : WAIT_FAILED) << c.what;

        if (!c.semaphore && !c.file) {
            SetLastError(ERROR_SUCCESS);
            EXPECT_FALSE(CloseHandle(c.handle)) << c.what;
            EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << c.what;
        }
        if (c.handle != h.mixer) {
            EXPECT_EQ(mixerClose(c.handle), MMSYSERR_INVALHANDLE) << c.what << " as a mixer";
        }
        EXPECT_EQ(HostTables::Now(), open) << c.what;
    }
    Close(h);
}

TEST_F(HostBadInput, SemaphoreArguments) {
    struct Case {
        LONG initial, maximum;
        const char *name;
    } refused[] = {{-1, 1, nullptr}, {2, 1, nullptr}, {0, 0, nullptr}, {0, -5, nullptr}, {INT32_MIN, 1, nullptr},
                   {0, 1, "named"}};
    for (const Case &c : refused) {
        SetLastError(0);
        EXPECT_EQ(CreateSemaphoreA(nullptr, c.initial, c.maximum, c.name), 0u) << c.initial << "/" << c.maximum;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    HANDLE s = CreateSemaphoreA(nullptr, 0, 1, "");
    ASSERT_NE(s, 0u) << "an empty name is no name";
    struct Release {
        LONG count;
        DWORD error;
    } releases[] = {{0, ERROR_INVALID_PARAMETER}, {-1, ERROR_INVALID_PARAMETER}, {2, ERROR_TOO_MANY_POSTS},
                    {INT32_MAX, ERROR_TOO_MANY_POSTS}};
    for (const Release &r : releases) {
        LONG previous = -7;
        SetLastError(0);
        EXPECT_FALSE(ReleaseSemaphore(s, r.count, &previous)) << r.count;
        EXPECT_EQ(GetLastError(), r.error) << r.count;
        EXPECT_EQ(previous, -7) << "nothing is reported for a refused release";
    }
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT) << "no refused release added to the count";
    EXPECT_TRUE(CloseHandle(s));
}

TEST_F(HostBadInput, OpeningFiles) {
    const std::string file = dir + "/data.txt";
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    struct Case {
        const char *what;
        const char *name;
        DWORD access, share;
        LPSECURITY_ATTRIBUTES security;
        DWORD disposition, flags;
        DWORD error;
    } cases[] = {
        {"NULL name", nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {"NULL name, shared", nullptr, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
         ERROR_INVALID_PARAMETER},
        {"empty name", "", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {"missing file", "/nonexistent-dir-of-tvcore/x.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
         ERROR_PATH_NOT_FOUND},
        {"a directory", dir.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"write access", file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"read-write access", file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
         ERROR_ACCESS_DENIED},
        {"all access bits", file.c_str(), 0xFFFFFFFFu, 0, nullptr, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"no access", file.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {"create always", file.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, ERROR_INVALID_PARAMETER},
        {"open always", file.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, ERROR_INVALID_PARAMETER},
        {"truncate", file.c_str(), GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {"disposition 0", file.c_str(), GENERIC_READ, 0, nullptr, 0, 0, ERROR_INVALID_PARAMETER},
        {"disposition 9", file.c_str(), GENERIC_READ, 0, nullptr, 9, 0, ERROR_INVALID_PARAMETER},
        {"disposition 99", file.c_str(), GENERIC_READ, 0, nullptr, 99, 0, ERROR_INVALID_PARAMETER},
        {"share bit 0x80", file.c_str(), GENERIC_READ, 0x80, nullptr, OPEN_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {"share bit 0x100", file.c_str(), GENERIC_READ, 0x100, nullptr, OPEN_EXISTING, 0, ERROR_INVALID_PARAMETER},
        {"unknown flag", file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0x40000000u, ERROR_INVALID_PARAMETER},
        {"inheritable handle", file.c_str(), GENERIC_READ, 0, &inheritable, OPEN_EXISTING, 0,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateFileA(c.name, c.access, c.share, c.security, c.disposition, c.flags, 0),
                  INVALID_HANDLE_VALUE)
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_EQ(tvtest::ReadFile(file), "0123456789") << "a refused open changed the file";
    std::string missing = dir + "/missing.ini";
    SetLastError(0);
    EXPECT_EQ(CreateFileA(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(HostBadInput, ReadingFiles) {
    HANDLE file = CreateFileA((dir + "/data.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    char buffer[16];
    DWORD got = 99;
    auto *overlapped = reinterpret_cast<LPOVERLAPPED>(buffer);  // never looked into
    struct Case {
        const char *what;
        HANDLE handle;
        void *buffer;
        DWORD *got;
        LPOVERLAPPED overlapped;
        DWORD error;
    } refused[] = {
        {"never-open handle", 0x7FFF0000u, buffer, &got, nullptr, ERROR_INVALID_HANDLE},
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE, buffer, &got, nullptr, ERROR_INVALID_HANDLE},
        {"semaphore handle", semaphore, buffer, &got, nullptr, ERROR_INVALID_HANDLE},
        {"NULL buffer with a count", file, nullptr, &got, nullptr, ERROR_INVALID_PARAMETER},
        {"NULL count pointer", file, buffer, nullptr, nullptr, ERROR_INVALID_PARAMETER},
        {"overlapped request", file, buffer, &got, overlapped, ERROR_INVALID_PARAMETER},
    };
    for (const Case &c : refused) {
        got = 77;
        SetLastError(0);
        EXPECT_FALSE(ReadFile(c.handle, c.buffer, 4, c.got, c.overlapped)) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        if (c.got != nullptr) {
            EXPECT_EQ(got, 0u) << c.what;
        }
    }
    EXPECT_TRUE(CloseHandle(semaphore));
    EXPECT_TRUE(ReadFile(file, nullptr, 0, &got, nullptr)) << "a NULL buffer for nothing is fine";
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr)) << "none of it moved the file position";
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(std::string(buffer, got), "0123456789");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u) << "the end of the file reads 0 bytes with TRUE";
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &got, nullptr)) << "closed handle";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(HostBadInput, WindowsDirectoryIntoBuffersTooSmall) {
    std::string windir = getenv("TVHOST_WINDIR");
    UINT length = static_cast<UINT>(windir.size());
    struct Case {
        bool null;
        UINT size;
        UINT answer;
        bool copied;
    } cases[] = {
        {true, 0, length + 1, false},  {true, 500, length + 1, false},     {false, 0, length + 1, false},
        {false, 1, length + 1, false}, {false, length, length + 1, false}, {false, length + 1, length, true},
    };
    for (const Case &c : cases) {
        std::vector<char> buffer(length + 8, '#');
        EXPECT_EQ(GetWindowsDirectoryA(c.null ? nullptr : buffer.data(), c.size), c.answer) << "size " << c.size;
        if (c.copied) {
            EXPECT_EQ(std::string(buffer.data()), windir);
        } else {
            EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(length + 8, '#'))
                << "size " << c.size << ": the buffer is left untouched";
        }
    }
}

TEST_F(HostBadInput, FormattingNeverWritesPastItsLimit) {
    std::vector<char> out(1100, '#');
    SetLastError(0);
    EXPECT_EQ(wsprintfA(nullptr, "%s", "x"), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(wsprintfA(out.data(), nullptr), 0);
    EXPECT_EQ(out[0], '\0') << "a NULL format gives an empty text";
    EXPECT_EQ(wsprintfA(out.data(), "%s\\vidcfg.ini", static_cast<const char *>(nullptr)), 17);
    EXPECT_STREQ(out.data(), "(null)\\vidcfg.ini");
    std::string longer(5000, 'x');
    EXPECT_EQ(wsprintfA(out.data(), "%s\\vidcfg.ini", longer.c_str()), 1024);
    EXPECT_EQ(out[1024], '\0');
    EXPECT_EQ(out[1025], '#') << "at most 1025 bytes are touched";
    EXPECT_EQ(wsprintfA(out.data(), (std::string(3000, '%') + "s").c_str(), "x"), 1024) << "a long format is cut too";
    EXPECT_EQ(out[1025], '#');
}

TEST_F(HostBadInput, PageMemoryRequestsAndReleases) {
    int local = 0;
    struct Alloc {
        const char *what;
        void *address;
        SIZE_T size;
        DWORD type, protect;
        DWORD error;
    } allocs[] = {
        {"an address of the caller's", &local, 4096, MEM_COMMIT, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"size 0", nullptr, 0, MEM_COMMIT, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"no allocation type", nullptr, 4096, 0, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"release as allocation type", nullptr, 4096, MEM_RELEASE, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"decommit as allocation type", nullptr, 4096, MEM_DECOMMIT, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"commit plus release", nullptr, 4096, MEM_COMMIT | MEM_RELEASE, PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"executable pages", nullptr, 4096, MEM_COMMIT, 0x40, ERROR_INVALID_PARAMETER},
        {"protection 0", nullptr, 4096, MEM_COMMIT, 0, ERROR_INVALID_PARAMETER},
        {"two protections", nullptr, 4096, MEM_COMMIT, PAGE_READONLY | PAGE_READWRITE, ERROR_INVALID_PARAMETER},
        {"all of the address space", nullptr, SIZE_MAX, MEM_COMMIT, PAGE_READWRITE, ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const Alloc &a : allocs) {
        SetLastError(0);
        EXPECT_EQ(VirtualAlloc(a.address, a.size, a.type, a.protect), nullptr) << a.what;
        EXPECT_EQ(GetLastError(), a.error) << a.what;
    }

    auto *page = static_cast<char *>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(page, nullptr);
    page[0] = 1;
    const uint32_t regions = TvHostLiveRegions();
    struct Free {
        const char *what;
        void *address;
        SIZE_T size;
        DWORD type;
        DWORD error;
    } frees[] = {
        {"NULL", nullptr, 0, MEM_RELEASE, ERROR_INVALID_PARAMETER},
        {"memory the host never gave", &local, 0, MEM_RELEASE, ERROR_INVALID_ADDRESS},
        {"a release with a size", page, 8192, MEM_RELEASE, ERROR_INVALID_PARAMETER},
        {"a release inside the region", page + 4096, 0, MEM_RELEASE, ERROR_INVALID_PARAMETER},
        {"no free type", page, 0, 0, ERROR_INVALID_PARAMETER},
        {"release and decommit at once", page, 0, MEM_RELEASE | MEM_DECOMMIT, ERROR_INVALID_PARAMETER},
        {"decommit past the region", page, 3 * 4096, MEM_DECOMMIT, ERROR_INVALID_ADDRESS},
        {"decommit from inside past the region", page + 4096, 8192, MEM_DECOMMIT, ERROR_INVALID_ADDRESS},
        {"a decommit size that wraps the address space", page + 1, SIZE_MAX, MEM_DECOMMIT, ERROR_INVALID_PARAMETER},
        {"decommit of foreign memory", &local, 4, MEM_DECOMMIT, ERROR_INVALID_ADDRESS},
    };
    for (const Free &f : frees) {
        SetLastError(0);
        EXPECT_FALSE(VirtualFree(f.address, f.size, f.type)) << f.what;
        EXPECT_EQ(GetLastError(), f.error) << f.what;
    }
    EXPECT_EQ(TvHostLiveRegions(), regions);
    EXPECT_EQ(page[0], 1) << "no refusal touched the region";
    EXPECT_EQ(local, 0) << "nor the caller's memory";
    page[8191] = 1;  // none of it took the region away
    EXPECT_TRUE(VirtualFree(page + 4096, 4096, MEM_DECOMMIT));
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE));
    SetLastError(0);
    EXPECT_FALSE(VirtualFree(page, 0, MEM_RELEASE)) << "a second release";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
}

TEST_F(HostBadInput, LoadingModulesThatAreNoModules) {
    struct Case {
        const char *what;
        std::string name;
        bool null;
        DWORD error;
    } cases[] = {
        {"NULL name", "", true, ERROR_INVALID_PARAMETER},
        {"empty name", "", false, ERROR_MOD_NOT_FOUND},
        {"no such module", "nosuchmodule.dll", false, ERROR_MOD_NOT_FOUND},
        {"a text file", dir + "/text.so", false, ERROR_BAD_EXE_FORMAT},
        {"an empty file", dir + "/empty.so", false, ERROR_BAD_EXE_FORMAT},
        {"a cut ELF header", dir + "/short-elf.so", false, ERROR_BAD_EXE_FORMAT},
        {"a directory", dir + "/folder.so", false, ERROR_MOD_NOT_FOUND},
        {"a missing path", dir + "/missing.so", false, ERROR_MOD_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(c.null ? nullptr : c.name.c_str()), nullptr) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        if (!c.null) {
            EXPECT_STRNE(TvHostLastLoadError(), "") << c.what << ": the reason is kept";
        }
    }
}

TEST_F(HostBadInput, ModuleHandlesAndNamesThatAreNotThere) {
    HMODULE tv = LoadLibraryA("tvcore.dll");
    ASSERT_NE(tv, nullptr) << TvHostLastLoadError();
    HMODULE freed = LoadLibraryA("tvcore.dll");
    ASSERT_EQ(freed, tv) << "a second load counts, it does not load again";
    ASSERT_TRUE(FreeLibrary(freed));

    struct Lookup {
        const char *what;
        HMODULE module;
        LPCSTR name;
        DWORD error;
    } lookups[] = {
        {"NULL module (the program, which exports nothing)", nullptr, "SetTVParam", ERROR_PROC_NOT_FOUND},
        {"made-up module", reinterpret_cast<HMODULE>(uintptr_t{0x7777}), "SetTVParam", ERROR_MOD_NOT_FOUND},
        {"NULL name", tv, nullptr, ERROR_PROC_NOT_FOUND},
        {"an ordinal", tv, reinterpret_cast<LPCSTR>(uintptr_t{5}), ERROR_PROC_NOT_FOUND},
        {"no such export", tv, "SetTVParamX", ERROR_PROC_NOT_FOUND},
        {"a symbol of its dependencies", tv, "malloc", ERROR_PROC_NOT_FOUND},
        {"a host service", tv, "LoadLibraryA", ERROR_PROC_NOT_FOUND},
        {"a hidden internal", tv, "TuneTVChannel", ERROR_PROC_NOT_FOUND},
    };
    for (const Lookup &l : lookups) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(l.module, l.name), nullptr) << l.what;
        EXPECT_EQ(GetLastError(), l.error) << l.what;
    }
    EXPECT_TRUE(FreeLibrary(tv));
    for (HMODULE stale : {tv, static_cast<HMODULE>(nullptr)}) {
        SetLastError(0);
        EXPECT_FALSE(FreeLibrary(stale));
        EXPECT_EQ(GetLastError(), stale == nullptr ? DWORD{ERROR_INVALID_HANDLE} : DWORD{ERROR_MOD_NOT_FOUND});
        EXPECT_EQ(GetProcAddress(stale, "SetTVParam"), nullptr) << "a freed module's handle is refused";
    }
}

TEST_F(HostBadInput, DebugOutputOfNothing) {
    std::string log = dir + "/debug.log";
    setenv("TVHOST_DEBUG", log.c_str(), 1);
    OutputDebugStringA(nullptr);
    OutputDebugStringA("");
    EXPECT_FALSE(std::filesystem::exists(log)) << "nothing to write, nothing created";
    setenv("TVHOST_DEBUG", (dir + "/no-such-dir/debug.log").c_str(), 1);
    errno = 1234;
    OutputDebugStringA("lost\r\n");
    EXPECT_EQ(errno, 1234) << "a destination that cannot be written is no failure of the caller";
    unsetenv("TVHOST_DEBUG");
}

TEST_F(HostBadInput, MixerRequestsTheHostRefusesBeforeAnyDriver) {
    HMIXER mixer = 0;
    ASSERT_EQ(mixerOpen(&mixer, 0, 0, 0, 0), MMSYSERR_NOERROR);
    MIXERLINEA line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY;
    MIXERCONTROLA control{};
    MIXERLINECONTROLSA controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = 0x00050000u;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    DWORD values[2] = {};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = 11;
    details.cChannels = 2;
    details.cbDetails = sizeof(DWORD);
    details.paDetails = values;
    const DWORD byHandle = MIXER_OBJECTF_HMIXER;

    enum Call { LineInfo, LineControls, GetDetails, SetDetails };
    // The three structures as a good request holds them; a case may spoil one.
    struct Request {
        MIXERLINEA line;
        MIXERLINECONTROLSA controls;
        MIXERCONTROLDETAILS details;
    };
    const Request good{line, controls, details};
    using Spoil = void (*)(Request &);
    struct Case {
        const char *what;
        Call call;
        HMIXEROBJ object;
        DWORD flags;
        Spoil spoil;
        bool nullStructure;
        MMRESULT result;
    } cases[] = {
        {"line: NULL structure", LineInfo, mixer, byHandle | 3, nullptr, true, MMSYSERR_INVALPARAM},
        {"line: cbStruct 0", LineInfo, mixer, byHandle | 3,
         [](Request &r) { r.line.cbStruct = 0; }, false, MMSYSERR_INVALPARAM},
        {"line: wave-out object", LineInfo, mixer, MIXER_OBJECTF_HWAVEOUT | 3, nullptr, false, MMSYSERR_INVALFLAG},
        {"line: unknown query", LineInfo, mixer, byHandle | 0xF, nullptr, false, MMSYSERR_INVALFLAG},
        {"line: unknown flag bit", LineInfo, mixer, byHandle | 0x100 | 3, nullptr, false, MMSYSERR_INVALFLAG},
        {"line: made-up handle", LineInfo, 0x12345678u, byHandle | 3, nullptr, false, MMSYSERR_INVALHANDLE},
        {"line: device out of range", LineInfo, 9, MIXER_OBJECTF_MIXER | 3, nullptr, false, MMSYSERR_BADDEVICEID},
        {"line: device number as handle", LineInfo, 0, byHandle | 3, nullptr, false, MMSYSERR_INVALHANDLE},
        {"controls: NULL structure", LineControls, mixer, byHandle | 2, nullptr, true, MMSYSERR_INVALPARAM},
        {"controls: no room", LineControls, mixer, byHandle | 2,
         [](Request &r) { r.controls.pamxctrl = nullptr; }, false, MMSYSERR_INVALPARAM},
        {"controls: room too small", LineControls, mixer, byHandle | 2,
         [](Request &r) { r.controls.cbmxctrl = 10; }, false, MMSYSERR_INVALPARAM},
        {"controls: none asked", LineControls, mixer, byHandle | 2,
         [](Request &r) { r.controls.cControls = 0; }, false, MMSYSERR_INVALPARAM},
        {"controls: two by type", LineControls, mixer, byHandle | 2,
         [](Request &r) { r.controls.cControls = 2; }, false, MMSYSERR_INVALPARAM},
        {"controls: cbStruct short", LineControls, mixer, byHandle | 2,
         [](Request &r) { r.controls.cbStruct = 8; }, false, MMSYSERR_INVALPARAM},
        {"get: NULL structure", GetDetails, mixer, byHandle, nullptr, true, MMSYSERR_INVALPARAM},
        {"get: no values", GetDetails, mixer, byHandle,
         [](Request &r) { r.details.paDetails = nullptr; }, false, MMSYSERR_INVALPARAM},
        {"get: value size 0", GetDetails, mixer, byHandle,
         [](Request &r) { r.details.cbDetails = 0; }, false, MMSYSERR_INVALPARAM},
        {"get: unknown query", GetDetails, mixer, byHandle | 2, nullptr, false, MMSYSERR_INVALFLAG},
        {"set: NULL structure", SetDetails, mixer, byHandle, nullptr, true, MMSYSERR_INVALPARAM},
        {"set: cbStruct short", SetDetails, mixer, byHandle,
         [](Request &r) { r.details.cbStruct = 4; }, false, MMSYSERR_INVALPARAM},
        {"set: made-up handle", SetDetails, 0xCD57FFFCu, byHandle, nullptr, false, MMSYSERR_INVALHANDLE},
        {"set: MIDI object", SetDetails, mixer, MIXER_OBJECTF_HMIDIOUT, nullptr, false, MMSYSERR_INVALFLAG},
    };
    robust::Mixer().clearCalls();
    for (const Case &c : cases) {
        Request r = good;
        if (c.spoil != nullptr) c.spoil(r);
        const bool null = c.nullStructure;
        MMRESULT got = 0;
        switch (c.call) {
        case LineInfo: got = mixerGetLineInfoA(c.object, null ? nullptr : &r.line, c.flags); break;
        case LineControls: got = mixerGetLineControlsA(c.object, null ? nullptr : &r.controls, c.flags); break;
        case GetDetails: got = mixerGetControlDetailsA(c.object, null ? nullptr : &r.details, c.flags); break;
        case SetDetails: got = mixerSetControlDetails(c.object, null ? nullptr : &r.details, c.flags); break;
        }
        EXPECT_EQ(got, c.result) << c.what;
    }
    EXPECT_EQ(robust::Mixer().callCount(), 0u) << "no refused request reaches the driver";

    // What the host passes on, the driver judges: no channels at all.
    details.cChannels = 0;
    EXPECT_EQ(mixerSetControlDetails(mixer, &details, byHandle), MMSYSERR_INVALPARAM);
    EXPECT_EQ(robust::Mixer().callCount(), 1u);
    EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);
}

TEST_F(HostBadInput, LinkCallsWithBlocksAndValuesThatAreNotThere) {
    const std::string textModule = dir + "/text.so";
    ThunkData32 block = THUNK_DATA32_INIT;
    ThunkData32 unsigned32 = THUNK_DATA32_INIT;
    unsigned32.signature[3] = '2';
    struct Case {
        const char *what;
        void *block;
        const char *partner, *module16;
        DWORD error;
    } cases[] = {
        {"NULL block", nullptr, "thk_ThunkData16", "tvbus16.dll", ERROR_INVALID_PARAMETER},
        {"block without its signature", &unsigned32, "thk_ThunkData16", "tvbus16.dll", ERROR_INVALID_PARAMETER},
        {"NULL partner name", &block, nullptr, "tvbus16.dll", ERROR_INVALID_PARAMETER},
        {"NULL module name", &block, "thk_ThunkData16", nullptr, ERROR_INVALID_PARAMETER},
        {"no such module", &block, "thk_ThunkData16", "nosuchbus.dll", ERROR_MOD_NOT_FOUND},
        {"no such partner block", &block, "thk_NoSuchBlock", "tvbus16.dll", ERROR_PROC_NOT_FOUND},
        {"a module that is no module", &block, "thk_ThunkData16", textModule.c_str(), ERROR_BAD_EXE_FORMAT},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_FALSE(ThunkConnect32(c.block, c.partner, c.module16, "tvcore.dll", nullptr, DLL_PROCESS_ATTACH))
            << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
        EXPECT_EQ(block.linked, 0u) << c.what;
        EXPECT_EQ(block.partner, nullptr) << c.what;
    }

    int local = 0;
    DWORD live = SMapLS_IP_EBP_12(&local);
    ASSERT_NE(live, 0u);
    DWORD released = SMapLS_IP_EBP_12(&local);
    SUnMapLS_IP_EBP_12(released);
    EXPECT_EQ(SMapLS_IP_EBP_12(nullptr), 0u) << "NULL crosses as 0";
    for (DWORD value : {0u, 0x12345678u, 0xFFFFFFFFu, released, live ^ 0x00010000u}) {
        EXPECT_EQ(MapSL(value), nullptr) << std::hex << value;
        SUnMapLS_IP_EBP_12(value);  // ignored: none of them is live
        EXPECT_EQ(TvHostLiveTranslations(), 1u) << std::hex << value;
    }
    EXPECT_EQ(MapSL(live), &local);
    SUnMapLS_IP_EBP_12(live);
    SUnMapLS_IP_EBP_12(live);  // a second release is ignored
    EXPECT_EQ(TvHostLiveTranslations(), 0u);
}

}  // namespace
