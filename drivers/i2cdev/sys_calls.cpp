#include "sys_calls.h"

#include "sys_call_table.h"

namespace tvi2c {
namespace {

constexpr TvI2cSysCalls kRealCalls = {tvdrv::RealOpen,    tvdrv::RealClose,   tvdrv::RealRead,    tvdrv::RealIoctl,
                                      tvdrv::RealOpendir, tvdrv::RealReaddir, tvdrv::RealClosedir};

tvdrv::SysCallTable<TvI2cSysCalls, kRealCalls, &TvI2cSysCalls::open, &TvI2cSysCalls::close, &TvI2cSysCalls::read,
                    &TvI2cSysCalls::ioctl, &TvI2cSysCalls::opendir, &TvI2cSysCalls::readdir,
                    &TvI2cSysCalls::closedir>
    table;

}  // namespace

const TvI2cSysCalls &Sys() { return table.Calls(); }

}  // namespace tvi2c

extern "C" TVI2C_API void TvI2cSetSysCalls(const TvI2cSysCalls *calls) { tvi2c::table.Replace(calls); }
