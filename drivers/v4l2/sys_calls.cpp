#include "sys_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tvv4l2 {
namespace {

int RealOpen(const char *path, int flags) { return ::open(path, flags); }
int RealClose(int fd) { return ::close(fd); }
int RealIoctl(int fd, unsigned long request, void *arg) { return ::ioctl(fd, request, arg); }
void *RealOpendir(const char *path) { return ::opendir(path); }

const char *RealReaddir(void *dir) {
    const dirent *entry = ::readdir(static_cast<DIR *>(dir));
    return entry != nullptr ? entry->d_name : nullptr;
}

int RealClosedir(void *dir) { return ::closedir(static_cast<DIR *>(dir)); }

constexpr TvV4l2SysCalls kRealCalls = {RealOpen, RealClose, RealIoctl, RealOpendir, RealReaddir, RealClosedir};

TvV4l2SysCalls table = kRealCalls;

template <typename Call>
void Take(Call &slot, Call given, Call real) {
    slot = given != nullptr ? given : real;
}

}  // namespace

const TvV4l2SysCalls &Sys() { return table; }

}  // namespace tvv4l2

extern "C" TVV4L2_API void TvV4l2SetSysCalls(const TvV4l2SysCalls *calls) {
    using tvv4l2::kRealCalls;
    using tvv4l2::table;
    if (calls == nullptr) {
        table = kRealCalls;
        return;
    }
    tvv4l2::Take(table.open, calls->open, kRealCalls.open);
    tvv4l2::Take(table.close, calls->close, kRealCalls.close);
    tvv4l2::Take(table.ioctl, calls->ioctl, kRealCalls.ioctl);
    tvv4l2::Take(table.opendir, calls->opendir, kRealCalls.opendir);
    tvv4l2::Take(table.readdir, calls->readdir, kRealCalls.readdir);
    tvv4l2::Take(table.closedir, calls->closedir, kRealCalls.closedir);
}
