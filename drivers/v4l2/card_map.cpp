#include "card_map.h"

#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

#include <cctype>
#include <cstring>

#include "settings.h"
#include "tvcore/card/board_scan.h"
#include "tvcore/card/decoder.h"
#include "tvhost/win32.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

// The multiplexer fields of the two boards, as the library writes them.
using tvcore::card::kAlternativeCompositeMux;
using tvcore::card::kAlternativeTunerMux;
using tvcore::card::kStandardCompositeMux;
using tvcore::card::kStandardTunerMux;
using tvcore::card::ScanBoardConfig;

constexpr uint32_t kBoardFileMax = tvcore::card::kBoardConfigMaxBytes;  // the library reads no more of it either

// The board file in the host's Windows directory, read and scanned as the
// library does at its load, so both sides agree on the wiring.
bool BoardFileNamesAlternative() {
    char dir[128];
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    if (length == 0 || length >= sizeof dir) return false;
    dir[length] = '\0';
    char path[sizeof dir + 16];
    (void)snprintf(path, sizeof path, "%s/vidcfg.ini", dir);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, HANDLE());
    if (file == INVALID_HANDLE_VALUE) return false;
    char text[kBoardFileMax];
    DWORD got = 0;
    BOOL read = ReadFile(file, text, sizeof text, &got, nullptr);
    CloseHandle(file);
    return read && ScanBoardConfig(text, got < kBoardFileMax ? got : kBoardFileMax);
}

bool LearnBoard(CardMap &map, char *reason, std::size_t size) {
    const char *board = tvdrv::Setting("TVV4L2_BOARD");
    if (board == nullptr) {
        map.alternativeBoard = BoardFileNamesAlternative();
    } else if (strcasecmp(board, "standard") == 0 || strcasecmp(board, "alternative") == 0) {
        map.alternativeBoard = strcasecmp(board, "alternative") == 0;
    } else {
        (void)snprintf(reason, size, "TVV4L2_BOARD=%s: say standard or alternative", board);
        return false;
    }
    map.tunerMux = map.alternativeBoard ? kAlternativeTunerMux : kStandardTunerMux;
    map.compositeMux = map.alternativeBoard ? kAlternativeCompositeMux : kStandardCompositeMux;
    return true;
}

bool NameContains(const char *name, const char *part) {
    char lower[sizeof InputInfo{}.name];
    std::size_t i = 0;
    for (; name[i] != '\0' && i + 1 < sizeof lower; ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    lower[i] = '\0';
    return std::strstr(lower, part) != nullptr;
}

int FirstNamed(const CardMap &map, const char *const *parts) {
    for (std::size_t i = 0; i < map.inputCount; ++i) {
        if (map.inputs[i].type == V4L2_INPUT_TYPE_TUNER) continue;
        for (const char *const *part = parts; *part != nullptr; ++part)
            if (NameContains(map.inputs[i].name, *part)) return static_cast<int>(i);
    }
    return kNoInput;
}

void EnumerateInputs(int fd, CardMap &map) {
    map.inputCount = 0;
    for (uint32_t index = 0; index < kMaxInputs; ++index) {
        v4l2_input input{};
        input.index = index;
        if (Request(fd, VIDIOC_ENUMINPUT, &input) != 0) break;
        InputInfo &info = map.inputs[map.inputCount++];
        info.type = input.type;
        info.tuner = input.tuner;
        std::memcpy(info.name, input.name, sizeof input.name);
        info.name[sizeof info.name - 1] = '\0';
    }
}

// One "role=input" of TVV4L2_INPUTS: an input number, a name (letter case
// ignored) or "none". False with the reason when the input does not exist.
bool ResolveInput(const CardMap &map, const char *value, int &input, char *reason, std::size_t size) {
    if (strcasecmp(value, "none") == 0) {
        input = kNoInput;
        return true;
    }
    char *end = nullptr;
    unsigned long number = strtoul(value, &end, 10);
    if (end != value && *end == '\0') {
        if (number < map.inputCount) {
            input = static_cast<int>(number);
            return true;
        }
    } else {
        for (std::size_t i = 0; i < map.inputCount; ++i)
            if (strcasecmp(map.inputs[i].name, value) == 0) {
                input = static_cast<int>(i);
                return true;
            }
    }
    (void)snprintf(reason, size, "TVV4L2_INPUTS names input \"%s\", which the device does not have (v4l2-ctl "
                   "--list-inputs shows them)", value);
    return false;
}

bool ApplyInputSetting(CardMap &map, char *reason, std::size_t size) {
    const char *setting = tvdrv::Setting("TVV4L2_INPUTS");
    if (setting == nullptr) return true;
    char copy[512];
    if (std::strlen(setting) >= sizeof copy) {
        (void)snprintf(reason, size, "TVV4L2_INPUTS is too long");
        return false;
    }
    std::strcpy(copy, setting);  // NOLINT(clang-analyzer-security.insecureAPI.strcpy): length checked above
    char *save = nullptr;
    for (char *entry = strtok_r(copy, ",", &save); entry != nullptr; entry = strtok_r(nullptr, ",", &save)) {
        while (*entry == ' ') ++entry;
        char *equals = std::strchr(entry, '=');
        if (equals == nullptr) {
            (void)snprintf(reason, size, "TVV4L2_INPUTS: \"%s\" is not role=input", entry);
            return false;
        }
        *equals = '\0';
        const char *value = equals + 1;
        int *role = strcasecmp(entry, "tuner") == 0       ? &map.tunerInput
                    : strcasecmp(entry, "composite") == 0 ? &map.compositeInput
                    : strcasecmp(entry, "svideo") == 0    ? &map.svideoInput
                                                          : nullptr;
        if (role == nullptr) {
            (void)snprintf(reason, size, "TVV4L2_INPUTS: unknown role \"%s\" (tuner, composite, svideo)", entry);
            return false;
        }
        if (!ResolveInput(map, value, *role, reason, size)) return false;
    }
    return true;
}

}  // namespace

bool LearnCard(int fd, CardMap &map, char *reason, std::size_t size) {
    if (!LearnBoard(map, reason, size)) return false;
    EnumerateInputs(fd, map);
    static const char *const kCompositeNames[] = {"composite", "cvbs", nullptr};
    static const char *const kSVideoNames[] = {"s-video", "svideo", "s video", "y/c", nullptr};
    map.tunerInput = kNoInput;
    for (std::size_t i = 0; i < map.inputCount && map.tunerInput == kNoInput; ++i)
        if (map.inputs[i].type == V4L2_INPUT_TYPE_TUNER) map.tunerInput = static_cast<int>(i);
    map.compositeInput = FirstNamed(map, kCompositeNames);
    map.svideoInput = FirstNamed(map, kSVideoNames);
    if (!ApplyInputSetting(map, reason, size)) return false;
    if (map.tunerInput == kNoInput || map.inputs[map.tunerInput].type != V4L2_INPUT_TYPE_TUNER) {
        (void)snprintf(reason, size, "the device has no input of tuner type%s",
                       map.tunerInput == kNoInput ? "" : " at the input TVV4L2_INPUTS names as tuner");
        return false;
    }
    return true;
}

}  // namespace tvv4l2
