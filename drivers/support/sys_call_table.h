// A driver's replaceable system-call table (TvI2cSetSysCalls,
// TvV4l2SetSysCalls): a struct of call pointers that tests and tools may
// replace member by member, a member left NULL keeping the real call.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace tvdrv {

// The real calls the tables are made of (not on Windows, where no driver
// with such a table is built).
int RealOpen(const char *path, int flags);
int RealClose(int fd);
ssize_t RealRead(int fd, void *buffer, size_t size);
int RealIoctl(int fd, unsigned long request, void *arg);
void *RealOpendir(const char *path);
const char *RealReaddir(void *dir);
int RealClosedir(void *dir);

// The table in force, `real` until replaced. `Members` are the table's
// pointer members, each taken from the replacement or from `real`.
template <typename Table, const Table &real, auto... Members>
class SysCallTable {
public:
    const Table &Calls() const { return table_; }

    // A copy of `given`, its NULL members the real calls; NULL restores the
    // real table.
    void Replace(const Table *given) {
        if (given == nullptr) {
            table_ = real;
            return;
        }
        ((table_.*Members = given->*Members != nullptr ? given->*Members : real.*Members), ...);
    }

private:
    Table table_ = real;
};

}  // namespace tvdrv
