// GetWindowsDirectoryA: the directory named by TVHOST_WINDIR, or the
// installation's configuration directory when that setting is unset.
#include <cstring>
#include <string>

#include "settings.h"
#include "tvhost/win32.h"

namespace {

// Like the Windows directory, the answer carries no trailing separator
// unless it is the root itself.
std::string WindowsDirectory() {
    std::string dir = tvhost::Setting("TVHOST_WINDIR").value_or(tvhost::DefaultConfigDir());
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

}  // namespace

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    const std::string dir = WindowsDirectory();
    // A directory too long for a UINT count cannot be reported at all.
    if (dir.size() >= 0xFFFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const UINT length = static_cast<UINT>(dir.size());
    // Too small (or no buffer): the size needed, terminator included, and
    // the caller's buffer is left as it was.
    if (buffer == nullptr || size <= length) return length + 1;
    std::memcpy(buffer, dir.data(), length);
    buffer[length] = '\0';
    return length;
}
