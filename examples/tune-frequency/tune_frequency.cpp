// tune-frequency - tunes the card's tuner to a picture carrier given in MHz
// on a bus driver chosen in code, and says whether the decoder locks:
//
//   TvHostChooseBusDriver(bus)            which bus driver the library links to
//   LoadLibraryA("tvcore.dll")            loads the library, which connects that bus
//   TvHostGetBusDriver(tv, &info)         which driver it got, and its device
//   SetTVParam(TV_PARAM_SOURCE, ...)      the tuner input
//   I2C_WriteBlk(tuner, block, 4)         the block the card facts make for the carrier,
//                                         its result in the bus driver's words
//   Sleep(kLockPauseMs), I2C_Read(...)    the decoder's lock, by the card's lock rule
//
// Usage: tune-frequency [--bus sim|i2cdev|v4l2|PATH] [MHz]   (default 175.25)
// Exit status: 0 tuned (locked or not), 1 the load or a call failed, 2 usage.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tvcore.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvhost/diag.h"
#include "tvhost/drivers.h"
#include "tvhost/thunk.h"
#include "tvhost/win32.h"

namespace card = tvcore::card;

namespace {

// An export cast to its pointer type from tvcore.h, which carries the calling
// convention.
template <typename Pointer>
Pointer Export(HMODULE tv, const char *name) {
    return reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(GetProcAddress(tv, name)));
}

int Usage(const char *program) {
    std::fprintf(stderr, "usage: %s [--bus sim|i2cdev|v4l2|PATH] [MHz]\n", program);
    return 2;
}

// What the host says about the drivers the library runs on; the bus
// driver's module file, for its words on results.
std::string PrintDrivers(HMODULE tv) {
    std::string busPath;
    TvHostDriverInfo info{};
    info.cbStruct = sizeof info;
    if (TvHostGetBusDriver(tv, &info)) {
        std::printf("bus: %s (%s) \"%s\"\n", info.name, info.path, info.device);
        busPath = info.path;
    }
    info = {};
    info.cbStruct = sizeof info;
    if (TvHostGetMixerDriver(0, &info))
        std::printf("mixer device 0: %s device %u (%s) \"%s\"\n", info.name, info.localDevice, info.path, info.device);
    else
        std::printf("mixer device 0: none (error %u)\n", static_cast<unsigned>(GetLastError()));
    return busPath;
}

// A bus result in the bus driver's own words (each driver defines its
// results); the driver is loaded by its path, the same module counted once
// more. "" when the driver has no words for results.
std::string ResultWords(const std::string &busPath, uint32_t call, uint32_t result) {
    HMODULE driver = busPath.empty() ? nullptr : LoadLibraryA(busPath.c_str());
    if (driver == nullptr) return {};
    auto describe = Export<TvbusDescribeResultProc>(driver, TVBUS_DESCRIBE_RESULT_NAME);
    char words[128] = "";
    if (describe != nullptr) describe(call, result, words, sizeof words);
    FreeLibrary(driver);
    return words;
}

}  // namespace

int main(int argc, char **argv) {
    const char *bus = nullptr;
    double megahertz = 175.25;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--bus") == 0 && i + 1 < argc) {
            bus = argv[++i];
            continue;
        }
        char *end = nullptr;
        megahertz = std::strtod(argv[i], &end);
        if (end == argv[i] || *end != '\0' || !(megahertz > 0 && megahertz < 1000)) return Usage(argv[0]);
    }
    const auto carrierKHz = static_cast<uint32_t>(std::lround(megahertz * 1000));

    if (bus != nullptr && !TvHostChooseBusDriver(bus)) {
        std::fprintf(stderr, "tune-frequency: no bus driver %s (error %u)\n", bus, static_cast<unsigned>(GetLastError()));
        return 1;
    }
    HMODULE tv = LoadLibraryA("tvcore.dll");
    if (tv == nullptr) {
        std::fprintf(stderr, "tune-frequency: the library refused to load (error %u): %s\n",
                     static_cast<unsigned>(GetLastError()), TvHostLastLoadError());
        return 1;
    }
    const std::string busPath = PrintDrivers(tv);
    auto setParam = Export<PFN_SetTVParam>(tv, "SetTVParam");
    auto writeBlk = Export<PFN_I2C_WriteBlk>(tv, "I2C_WriteBlk");
    auto read = Export<PFN_I2C_Read>(tv, "I2C_Read");
    if (setParam == nullptr || writeBlk == nullptr || read == nullptr) {
        std::fprintf(stderr, "tune-frequency: tvcore.dll lacks an export\n");
        FreeLibrary(tv);
        return 1;
    }

    // The tuner input, then the tuner's block for the carrier: divider,
    // control byte and band byte, exactly what SetTVParam(TV_PARAM_CHANNEL)
    // sends for a channel of a plan.
    int32_t source = setParam(TV_PARAM_SOURCE, TV_SOURCE_TUNER_CABLE);
    const card::TunerBlock block =
        card::MakeTunerBlock(card::DividerOfCarrier(carrierKHz), card::BandOfCarrier(carrierKHz));
    uint32_t written = writeBlk(card::kTunerAddress, block.data(), static_cast<uint32_t>(block.size()));
    std::printf("tuned %.2f MHz: source %d, block %02X %02X %02X %02X, I2C_WriteBlk %u (%s)\n", megahertz,
                static_cast<int>(source), block[0], block[1], block[2], block[3], static_cast<unsigned>(written),
                ResultWords(busPath, TVBUS_CALL_WRITE_BLK, written).c_str());

    // The lock rule: after the pause, the decoder's status byte has its lock
    // bit set; an answer above 0xFF means no decoder answered: no lock.
    Sleep(card::kLockPauseMs);
    uint32_t status = read(card::kDecoderAddress, card::kRegStatus);
    bool locked = status <= 0xFF && (status & card::kStatusLock) != 0;
    std::printf("lock: %s (decoder status 0x%02X)\n", locked ? "yes" : "no", static_cast<unsigned>(status & 0xFFFF));

    FreeLibrary(tv);
    return source == TV_OK ? 0 : 1;
}
