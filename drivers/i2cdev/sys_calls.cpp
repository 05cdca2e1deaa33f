#include "sys_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tvi2c {
namespace {

int RealOpen(const char *path, int flags) { return ::open(path, flags); }
int RealClose(int fd) { return ::close(fd); }
ssize_t RealRead(int fd, void *buffer, size_t size) { return ::read(fd, buffer, size); }
int RealIoctl(int fd, unsigned long request, void *arg) { return ::ioctl(fd, request, arg); }
void *RealOpendir(const char *path) { return ::opendir(path); }

const char *RealReaddir(void *dir) {
    const dirent *entry = ::readdir(static_cast<DIR *>(dir));
    return entry != nullptr ? entry->d_name : nullptr;
}

int RealClosedir(void *dir) { return ::closedir(static_cast<DIR *>(dir)); }

constexpr TvI2cSysCalls kRealCalls = {RealOpen,    RealClose,   RealRead,    RealIoctl,
                                      RealOpendir, RealReaddir, RealClosedir};

TvI2cSysCalls table = kRealCalls;

template <typename Call>
void Take(Call &slot, Call given, Call real) {
    slot = given != nullptr ? given : real;
}

}  // namespace

const TvI2cSysCalls &Sys() { return table; }

}  // namespace tvi2c

extern "C" TVI2C_API void TvI2cSetSysCalls(const TvI2cSysCalls *calls) {
    using tvi2c::kRealCalls;
    using tvi2c::table;
    if (calls == nullptr) {
        table = kRealCalls;
        return;
    }
    tvi2c::Take(table.open, calls->open, kRealCalls.open);
    tvi2c::Take(table.close, calls->close, kRealCalls.close);
    tvi2c::Take(table.read, calls->read, kRealCalls.read);
    tvi2c::Take(table.ioctl, calls->ioctl, kRealCalls.ioctl);
    tvi2c::Take(table.opendir, calls->opendir, kRealCalls.opendir);
    tvi2c::Take(table.readdir, calls->readdir, kRealCalls.readdir);
    tvi2c::Take(table.closedir, calls->closedir, kRealCalls.closedir);
}
