#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "sys_call_table.h"

namespace tvdrv {

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

}  // namespace tvdrv
