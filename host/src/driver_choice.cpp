#include "driver_choice.h"

#include <mutex>

#include "settings.h"

namespace tvhost {
namespace {

struct Choices {
    std::mutex lock;
    std::optional<std::string> moduleDir, busDriver, mixerDrivers;
};

Choices &TheChoices() {
    static Choices *choices = new Choices;  // read by loads that static destructors may make
    return *choices;
}

std::optional<std::string> Read(std::optional<std::string> Choices::*field) {
    Choices &choices = TheChoices();
    std::lock_guard<std::mutex> guard(choices.lock);
    return choices.*field;
}

void Write(std::optional<std::string> Choices::*field, std::optional<std::string> value) {
    Choices &choices = TheChoices();
    std::lock_guard<std::mutex> guard(choices.lock);
    choices.*field = std::move(value);
}

std::string Parent(const std::string &path) {
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> ChosenModuleDir() { return Read(&Choices::moduleDir); }
void ChooseModuleDir(std::optional<std::string> dir) { Write(&Choices::moduleDir, std::move(dir)); }
std::optional<std::string> ChosenBusDriver() { return Read(&Choices::busDriver); }
void ChooseBusDriverName(std::optional<std::string> driver) { Write(&Choices::busDriver, std::move(driver)); }
std::optional<std::string> ChosenMixerDrivers() { return Read(&Choices::mixerDrivers); }
void ChooseMixerDriverList(std::optional<std::string> drivers) { Write(&Choices::mixerDrivers, std::move(drivers)); }

std::string NamedDriverDir() { return ChosenModuleDir().value_or(DefaultModuleDir()); }

std::string BusDriverFile(const std::string &driver, const std::string &moduleFile, const std::string &dir) {
    if (driver.find('/') != std::string::npos) return driver;
    if (driver == DefaultBusDriver()) return dir + "/" + moduleFile;
    return dir + "/" + driver + "/" + moduleFile;
}

std::string BusDriverName(const std::string &file, const std::string &dir) {
    std::string parent = Parent(file);
    if (parent.empty()) return {};
    if (parent == dir) return DefaultBusDriver();
    if (Parent(parent) == dir) return parent.substr(dir.size() + 1);
    return {};
}

}  // namespace tvhost
