#include "sys_calls.h"

#include "sys_call_table.h"

namespace tvv4l2 {
namespace {

constexpr TvV4l2SysCalls kRealCalls = {tvdrv::RealOpen,    tvdrv::RealClose,   tvdrv::RealIoctl,
                                       tvdrv::RealOpendir, tvdrv::RealReaddir, tvdrv::RealClosedir};

tvdrv::SysCallTable<TvV4l2SysCalls, kRealCalls, &TvV4l2SysCalls::open, &TvV4l2SysCalls::close,
                    &TvV4l2SysCalls::ioctl, &TvV4l2SysCalls::opendir, &TvV4l2SysCalls::readdir,
                    &TvV4l2SysCalls::closedir>
    table;

}  // namespace

const TvV4l2SysCalls &Sys() { return table.Calls(); }

}  // namespace tvv4l2

extern "C" TVV4L2_API void TvV4l2SetSysCalls(const TvV4l2SysCalls *calls) { tvv4l2::table.Replace(calls); }
