#include "driver_file.h"

#include <fmt/format.h>

#include <filesystem>

#include "tvhost/diag.h"

namespace tvctl {

HMODULE LoadDriverFile(const std::string &moduleDir, const std::string &file, const std::string &what,
                       std::string &error) {
    const std::string driver = moduleDir + "/" + file;
    std::error_code missing;
    if (moduleDir.empty() || !std::filesystem::is_regular_file(driver, missing)) {
        error = "the " + what + " is not installed next to tvctl" +
                (moduleDir.empty() ? std::string() : " (" + driver + ")");
        return nullptr;
    }
    HMODULE module = LoadLibraryA(driver.c_str());
    if (module == nullptr) error = fmt::format("the {} could not be loaded: {}", what, TvHostLastLoadError());
    return module;
}

}  // namespace tvctl
