#include "adapter_list.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstring>

#include "sys_calls.h"

namespace tvi2c {
namespace {

constexpr char kEntryPrefix[] = "i2c-";
constexpr std::size_t kEntryPrefixLength = sizeof(kEntryPrefix) - 1;
constexpr std::size_t kMaxNumberDigits = 9;  // keeps the number far from overflow

// The adapter number of a directory entry named "i2c-N", or false for any
// other entry ("." , "..", stray files).
bool EntryNumber(const char *entry, unsigned long *number) {
    if (std::strncmp(entry, kEntryPrefix, kEntryPrefixLength) != 0) return false;
    const char *digits = entry + kEntryPrefixLength;
    std::size_t length = std::strlen(digits);
    if (length == 0 || length > kMaxNumberDigits) return false;
    unsigned long value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return false;
        value = value * 10 + static_cast<unsigned long>(digits[i] - '0');
    }
    *number = value;
    return true;
}

// The lowest adapter number above `after` (all when `anyYet` is false), or
// false when there is none. `opened` tells whether the directory could be read.
bool NextAdapterNumber(const char *dir, bool anyYet, unsigned long after, unsigned long *next,
                       bool *opened) {
    const TvI2cSysCalls &sys = Sys();
    void *handle = sys.opendir(dir);
    *opened = handle != nullptr;
    if (handle == nullptr) return false;
    bool found = false;
    while (const char *entry = sys.readdir(handle)) {
        unsigned long number = 0;
        if (!EntryNumber(entry, &number)) continue;
        if (anyYet && number <= after) continue;
        if (!found || number < *next) *next = number;
        found = true;
    }
    sys.closedir(handle);
    return found;
}

// Reads the adapter's name file; the kernel ends it with a line feed, which
// is dropped. Leaves "" when the file cannot be read. The open and the reads
// never wait: a FIFO or a device in a (test's or damaged) adapter tree gives
// what it has at once, at most the buffer's size, or "".
void ReadAdapterName(const char *dir, unsigned long number, char *name, std::size_t size) {
    name[0] = '\0';
    char path[PATH_MAX];
    int length = snprintf(path, sizeof path, "%s/%s%lu/name", dir, kEntryPrefix, number);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return;
    const TvI2cSysCalls &sys = Sys();
    int fd = sys.open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    std::size_t filled = 0;
    while (filled < size - 1) {
        ssize_t got = sys.read(fd, name + filled, size - 1 - filled);
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    sys.close(fd);
    name[filled] = '\0';
    while (filled > 0 && (name[filled - 1] == '\n' || name[filled - 1] == '\r')) name[--filled] = '\0';
}

}  // namespace

const char *AdapterDir() {
    const char *root = getenv("TVI2C_SYSFS_ROOT");
    return root != nullptr && root[0] != '\0' ? root : "/sys/class/i2c-adapter";
}

// Each step reopens the directory and takes the next higher number: the walk
// comes out in number order without storing the listing, however many
// adapters there are.
int ForEachAdapter(bool (*visit)(const Adapter &adapter, void *context), void *context) {
    const char *dir = AdapterDir();
    int visited = 0;
    bool anyYet = false;
    unsigned long last = 0;
    for (;;) {
        bool opened = false;
        unsigned long number = 0;
        if (!NextAdapterNumber(dir, anyYet, last, &number, &opened)) return opened || anyYet ? visited : -1;
        Adapter adapter{};
        adapter.number = number;
        (void)snprintf(adapter.devicePath, sizeof adapter.devicePath, "/dev/i2c-%lu", number);  // always fits
        ReadAdapterName(dir, number, adapter.name, sizeof adapter.name);
        ++visited;
        anyYet = true;
        last = number;
        if (visit != nullptr && !visit(adapter, context)) return visited;
    }
}

}  // namespace tvi2c

namespace {

struct ListRequest {
    TvI2cAdapterProc proc;
    void *context;
};

bool PassToCaller(const tvi2c::Adapter &adapter, void *request) {
    const ListRequest &list = *static_cast<const ListRequest *>(request);
    return list.proc == nullptr || list.proc(adapter.devicePath, adapter.name, list.context) != 0;
}

}  // namespace

extern "C" TVI2C_API int32_t TvI2cListAdapters(TvI2cAdapterProc proc, void *context) {
    ListRequest request{proc, context};
    return tvi2c::ForEachAdapter(PassToCaller, &request);
}
