#include "capture_sys_calls.h"

#include <poll.h>
#include <sys/mman.h>

#include "sys_call_table.h"

namespace tvv4l2 {
namespace {

void *RealMmap(void *address, size_t length, int protection, int flags, int fd, off_t offset) {
    return ::mmap(address, length, protection, flags, fd, offset);
}

int RealMunmap(void *address, size_t length) { return ::munmap(address, length); }

int RealPoll(int fd, int timeoutMs) {
    pollfd one{fd, POLLIN, 0};
    return ::poll(&one, 1, timeoutMs);
}

constexpr TvV4l2CaptureSysCalls kRealCalls = {RealMmap, RealMunmap, tvdrv::RealRead, RealPoll};

tvdrv::SysCallTable<TvV4l2CaptureSysCalls, kRealCalls, &TvV4l2CaptureSysCalls::mmap,
                    &TvV4l2CaptureSysCalls::munmap, &TvV4l2CaptureSysCalls::read, &TvV4l2CaptureSysCalls::poll>
    table;

}  // namespace

const TvV4l2CaptureSysCalls &CaptureSys() { return table.Calls(); }

}  // namespace tvv4l2

extern "C" TVV4L2_API void TvV4l2SetCaptureSysCalls(const TvV4l2CaptureSysCalls *calls) {
    tvv4l2::table.Replace(calls);
}
