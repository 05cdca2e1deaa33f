#include "bus_links.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "driver_choice.h"
#include "host_module.h"
#include "module_path.h"
#include "tvhost/thunk.h"

namespace tvhost {
namespace {

// One library's link block, remembered at its first connect step. Read only
// while the library is loaded (the block is its data) and under the host's
// module lock, under which the connect step writes it.
struct BusLink {
    HMODULE library;
    const ThunkData32 *block;
};

std::vector<BusLink> &Links() {
    static auto *links = new std::vector<BusLink>;  // connect steps may run from static destructors
    return *links;
}

// Forgets the links of libraries that are no longer loaded.
void ForgetUnloaded() {
    std::vector<BusLink> &links = Links();
    links.erase(std::remove_if(links.begin(), links.end(),
                               [](const BusLink &link) { return ModuleFile(link.library).empty(); }),
                links.end());
}

// A library's block, when the connect step was the library's own: `block32`
// is the library's data, not a block elsewhere that names it as its instance.
void Remember(HINSTANCE library, const void *block32) {
    bool ownBlock = false;
    if (ModuleFile(library, block32, &ownBlock).empty() || !ownBlock) return;
    ForgetUnloaded();
    std::vector<BusLink> &links = Links();
    auto known = std::find_if(links.begin(), links.end(), [library](const BusLink &l) { return l.library == library; });
    const auto *block = static_cast<const ThunkData32 *>(block32);
    if (known != links.end())
        known->block = block;
    else
        links.push_back({library, block});
}

}  // namespace

HMODULE LoadBusDriver(const char *module16, HINSTANCE library, const void *block32) {
    std::lock_guard<std::recursive_mutex> guard(HostModuleLock());
    std::optional<std::string> chosen = ChosenBusDriver();
    std::string file = chosen ? BusDriverFile(*chosen, HostModuleFileName(module16), NamedDriverDir()) : module16;
    HMODULE driver = LoadHostModule(file.c_str());
    if (driver != nullptr) Remember(library, block32);
    return driver;
}

bool AnyBusLinkStands() {
    ForgetUnloaded();
    const std::vector<BusLink> &links = Links();
    return std::any_of(links.begin(), links.end(), [](const BusLink &link) { return link.block->linked != 0; });
}

DWORD LinkedBusDriver(HMODULE library, HMODULE &driver) {
    if (ModuleFile(library).empty()) return ERROR_INVALID_HANDLE;
    ForgetUnloaded();
    for (const BusLink &link : Links()) {
        if (link.library != library || link.block->linked == 0) continue;
        driver = static_cast<HMODULE>(link.block->module16);
        return ERROR_SUCCESS;
    }
    return ERROR_NOT_FOUND;
}

}  // namespace tvhost
