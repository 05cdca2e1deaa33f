#include "mixer_drivers.h"

#include "driver_choice.h"
#include "host_module.h"
#include "settings.h"

namespace tvhost {

MixerDriver::~MixerDriver() {
    if (module != nullptr) FreeHostModule(module);
}

MixerDriver *MixerDriverSet::Locate(UINT device, UINT &localId) const {
    UINT first = 0;
    for (const std::unique_ptr<MixerDriver> &candidate : drivers) {
        if (device - first < candidate->deviceCount) {
            localId = device - first;
            return candidate.get();
        }
        first += candidate->deviceCount;
    }
    return nullptr;
}

static std::string Trimmed(const std::string &text) {
    const char *blanks = " \t";
    std::string::size_type begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

std::vector<std::string> MixerDriverNames() {
    std::optional<std::string> setting = ChosenMixerDrivers();
    if (!setting) setting = Setting("TVHOST_MIXERS");
    if (!setting) return {DefaultMixerDriver()};
    return SplitDriverList(*setting);
}

std::vector<std::string> SplitDriverList(const std::string &list) {
    std::vector<std::string> names;
    std::string::size_type start = 0;
    while (start <= list.size()) {
        std::string::size_type comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string name = Trimmed(list.substr(start, comma - start));
        if (!name.empty()) names.push_back(name);
        start = comma + 1;
    }
    return names;
}

std::unique_ptr<MixerDriver> LoadMixerDriver(const std::string &name) {
    // The loader passes only a regular file to the dynamic linker, which would
    // open a FIFO or a device and wait on it for ever.
    HMODULE module = LoadHostModule(name.c_str());
    if (module == nullptr) return nullptr;
    auto driver = std::make_unique<MixerDriver>();
    driver->module = module;
    driver->message = reinterpret_cast<MxdMessageProc>(FindHostModuleExport(module, MXD_ENTRY_NAME));
    if (driver->message == nullptr) return nullptr;  // the destructor lets the module go
    return driver;
}

// A driver that serves no device may say why (mxdRefusalReason); the words
// are the load error of the thread that loaded the drivers.
static void NoteNoDevice(const MixerDriver &driver, const std::string &name) {
    FARPROC proc = GetProcAddress(driver.module, MXD_REFUSAL_REASON_NAME);
    if (proc == nullptr) return;
    // Through the generic function type, as GetProcAddress's callers do.
    auto reason = reinterpret_cast<MxdRefusalReasonProc>(reinterpret_cast<void (*)(void)>(proc));
    char words[512];
    if (reason(words, sizeof words) == 0) return;
    NoteLoadError(name + ": the mixer driver serves no device: " + words);
}

std::unique_ptr<const MixerDriverSet> LoadMixerDrivers() {
    auto set = std::make_unique<MixerDriverSet>();
    for (const std::string &name : MixerDriverNames()) {
        std::unique_ptr<MixerDriver> driver = LoadMixerDriver(name);
        if (!driver) continue;
        DWORD count = driver->message(0, MXDM_GETNUMDEVS, 0, 0, 0);
        if (count == 0) NoteNoDevice(*driver, name);
        // A count that would push the numbering past the device-number range
        // is cut, so device numbers stay small and never reach handle values.
        constexpr UINT kMaxDevices = 256;
        if (count > kMaxDevices - set->deviceCount) count = kMaxDevices - set->deviceCount;
        driver->deviceCount = count;
        set->deviceCount += count;
        set->drivers.push_back(std::move(driver));
    }
    return set;
}

}  // namespace tvhost
