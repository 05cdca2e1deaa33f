#include "adapter_choice.h"

#include <stdio.h>
#include <stdlib.h>

#include <cstring>

#include "adapter_list.h"
#include "settings.h"

namespace tvi2c {
namespace {

// The tally of one walk over the adapters for a wanted name: exact matches
// count first; names that merely contain the wanted text count only when no
// name equals it.
struct NameSearch {
    const char *wanted;
    int exactCount;
    int containingCount;
    char exactPath[kDevicePathSize];
    char containingPath[kDevicePathSize];
};

bool Tally(const Adapter &adapter, void *context) {
    NameSearch &search = *static_cast<NameSearch *>(context);
    if (std::strcmp(adapter.name, search.wanted) == 0) {
        if (search.exactCount++ == 0) std::memcpy(search.exactPath, adapter.devicePath, kDevicePathSize);
    } else if (std::strstr(adapter.name, search.wanted) != nullptr) {
        if (search.containingCount++ == 0)
            std::memcpy(search.containingPath, adapter.devicePath, kDevicePathSize);
    }
    return true;
}

void ChooseByName(const char *wanted, AdapterChoice &choice) {
    NameSearch search{};
    search.wanted = wanted;
    const char *dir = AdapterDir();
    if (ForEachAdapter(Tally, &search) < 0) {
        (void)snprintf(choice.reason, sizeof choice.reason,
                 "cannot read %s to find adapter \"%s\" (is the i2c core loaded?)", dir, wanted);
        return;
    }
    int count = search.exactCount > 0 ? search.exactCount : search.containingCount;
    const char *path = search.exactCount > 0 ? search.exactPath : search.containingPath;
    if (count == 1) {
        choice.chosen = true;
        (void)snprintf(choice.devicePath, sizeof choice.devicePath, "%s", path);
    } else if (count == 0) {
        (void)snprintf(choice.reason, sizeof choice.reason,
                 "no adapter in %s is named or contains \"%s\" (TVI2C_ADAPTER; i2cdetect -l lists them)",
                 dir, wanted);
    } else {
        (void)snprintf(choice.reason, sizeof choice.reason,
                 "%d adapters in %s %s \"%s\" (TVI2C_ADAPTER); give a longer name or TVI2C_DEVICE",
                 count, dir, search.exactCount > 0 ? "are named" : "contain", wanted);
    }
}

struct NameLookup {
    const char *devicePath;
    char *name;
    std::size_t size;
};

bool MatchPath(const Adapter &adapter, void *context) {
    NameLookup &lookup = *static_cast<NameLookup *>(context);
    if (std::strcmp(adapter.devicePath, lookup.devicePath) != 0) return true;
    (void)snprintf(lookup.name, lookup.size, "%s", adapter.name);
    return false;
}

}  // namespace

void AdapterNameOf(const char *devicePath, char *name, std::size_t size) {
    if (size == 0) return;
    name[0] = '\0';
    NameLookup lookup{devicePath, name, size};
    (void)ForEachAdapter(MatchPath, &lookup);
}

AdapterChoice ChooseAdapter() {
    AdapterChoice choice{};
    if (const char *device = tvdrv::Setting("TVI2C_DEVICE")) {
        int length = snprintf(choice.devicePath, sizeof choice.devicePath, "%s", device);
        choice.chosen = length >= 0 && static_cast<std::size_t>(length) < sizeof choice.devicePath;
        if (!choice.chosen) (void)snprintf(choice.reason, sizeof choice.reason, "TVI2C_DEVICE is too long a path");
        return choice;
    }
    if (const char *name = tvdrv::Setting("TVI2C_ADAPTER")) {
        ChooseByName(name, choice);
        return choice;
    }
    (void)snprintf(choice.reason, sizeof choice.reason,
             "no adapter chosen: set TVI2C_DEVICE=/dev/i2c-N or TVI2C_ADAPTER=<name> "
             "(i2cdetect -l lists the adapters)");
    return choice;
}

}  // namespace tvi2c
