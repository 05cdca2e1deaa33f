// The host calls that choose drivers in code and say which drivers are in use
// (tvhost/drivers.h). The choices themselves are kept in driver_choice.cpp and
// read by the services they concern.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "bus_links.h"
#include "driver_choice.h"
#include "handles.h"
#include "host_module.h"
#include "mixer_table.h"
#include "module_path.h"
#include "settings.h"
#include "tvhost/drivers.h"
#include "tvhost/mixer_driver.h"
#include "tvhost/thunk.h"

namespace tvhost {
namespace {

// A driver's optional export (its words: tvhost/thunk.h,
// tvhost/mixer_driver.h) as its function type; null when absent.
template <typename Function>
Function OptionalExport(HMODULE module, const char *name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

BOOL Fail(DWORD error) {
    SetError(error);
    return FALSE;
}

bool IsKind(const std::string &path, mode_t kind) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

// A path made absolute, symbolic links resolved; "" when it does not exist.
std::string Resolved(const std::string &path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

void CopyText(char *field, size_t size, const std::string &text) {
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// Checks the caller's record and clears everything after its size field.
bool Prepare(TvHostDriverInfo *info) {
    if (info == nullptr || info->cbStruct < sizeof(TvHostDriverInfo)) return false;
    std::memset(reinterpret_cast<char *>(info) + sizeof info->cbStruct, 0,
                sizeof(TvHostDriverInfo) - sizeof info->cbStruct);
    return true;
}

// A module's name: its file name without the ".so" ending.
std::string ModuleName(const std::string &path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) name.resize(name.size() - 3);
    return name;
}

// Whether a bus driver choice names a driver that exists: a file, or a
// directory of the module directory (the driver's file name is the library's
// to say, at its connect step).
bool BusDriverExists(const std::string &driver) {
    if (driver.find('/') != std::string::npos) return IsKind(driver, S_IFREG);
    if (driver == DefaultBusDriver()) return IsKind(NamedDriverDir(), S_IFDIR);
    return IsKind(NamedDriverDir() + "/" + driver, S_IFDIR);
}

}  // namespace
}  // namespace tvhost

using namespace tvhost;

extern "C" {

BOOL TvHostSetModuleDirectory(const char *dir) {
    if (dir == nullptr || dir[0] == '\0') {
        ChooseModuleDir(std::nullopt);
        return TRUE;
    }
    std::string resolved = Resolved(dir);
    if (resolved.empty() || !IsKind(resolved, S_IFDIR)) return Fail(ERROR_PATH_NOT_FOUND);
    ChooseModuleDir(resolved);
    return TRUE;
}

BOOL TvHostChooseBusDriver(const char *driver) {
    std::optional<std::string> choice;
    if (driver != nullptr && driver[0] != '\0') {
        choice = driver;
        if (*choice == "." || *choice == "..") return Fail(ERROR_INVALID_PARAMETER);
        if (!BusDriverExists(*choice)) return Fail(ERROR_MOD_NOT_FOUND);
        if (choice->find('/') != std::string::npos) choice = Resolved(*choice);
    }
    // Under the module lock, so no connect step links a driver meanwhile.
    std::lock_guard<std::recursive_mutex> guard(HostModuleLock());
    if (AnyBusLinkStands()) return Fail(ERROR_BUSY);
    ChooseBusDriverName(std::move(choice));
    return TRUE;
}

BOOL TvHostChooseMixerDrivers(const char *drivers) {
    std::optional<std::string> choice;
    if (drivers != nullptr && drivers[0] != '\0') {
        std::vector<std::string> names = SplitDriverList(drivers);
        if (names.empty()) return Fail(ERROR_INVALID_PARAMETER);
        for (const std::string &name : names)
            if (!IsKind(FindModule(name), S_IFREG)) return Fail(ERROR_MOD_NOT_FOUND);
        choice = drivers;
    }
    if (!ChooseIdleMixerDrivers(std::move(choice))) return Fail(ERROR_BUSY);
    return TRUE;
}

BOOL TvHostGetBusDriver(HMODULE library, TvHostDriverInfo *info) {
    if (!Prepare(info)) return Fail(ERROR_INVALID_PARAMETER);
    // Held while the driver is described, so no detach lets it go meanwhile.
    std::lock_guard<std::recursive_mutex> guard(HostModuleLock());
    HMODULE driver = nullptr;
    DWORD error = LinkedBusDriver(library, driver);
    if (error != ERROR_SUCCESS) return Fail(error);
    std::string path = Resolved(ModuleFile(driver));
    CopyText(info->path, sizeof info->path, path);
    CopyText(info->name, sizeof info->name, BusDriverName(path, Resolved(NamedDriverDir())));
    auto describe = OptionalExport<TvbusDescribeDeviceProc>(driver, TVBUS_DESCRIBE_DEVICE_NAME);
    if (describe != nullptr) describe(info->device, sizeof info->device);
    info->device[sizeof info->device - 1] = '\0';
    return TRUE;
}

BOOL TvHostGetMixerDriver(UINT deviceId, TvHostDriverInfo *info) {
    if (!Prepare(info)) return Fail(ERROR_INVALID_PARAMETER);
    UINT localId = 0;
    const MixerDriver *driver = CurrentMixerDrivers().Locate(deviceId, localId);
    if (driver == nullptr) return Fail(ERROR_NOT_FOUND);
    std::string path = Resolved(ModuleFile(driver->module));
    CopyText(info->path, sizeof info->path, path);
    CopyText(info->name, sizeof info->name, ModuleName(path));
    info->localDevice = localId;
    auto describe = OptionalExport<MxdDescribeDeviceProc>(driver->module, MXD_DESCRIBE_DEVICE_NAME);
    if (describe != nullptr) describe(localId, info->device, sizeof info->device);
    info->device[sizeof info->device - 1] = '\0';
    return TRUE;
}

}  // extern "C"
