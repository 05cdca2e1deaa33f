#include "xdg_paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tvctl {

std::string XdgDir(const char *variable, const char *fallback) {
    const char *set = std::getenv(variable);
    if (set != nullptr && set[0] == '/') return set;
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return "";
    return std::string(home) + "/" + fallback;
}

bool WriteFileAtomically(const std::string &path, const std::string &text, std::string *error) {
    std::filesystem::path target(path);
    std::error_code code;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), code);
        if (code) {
            *error = "cannot create " + target.parent_path().string() + ": " + code.message();
            return false;
        }
    }
    std::string temporary = path + ".tmp-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        *error = "cannot write next to " + path + ": " + std::strerror(errno);
        return false;
    }
    const char *at = text.data();
    size_t left = text.size();
    bool ok = true;
    while (ok && left > 0) {
        ssize_t wrote = write(fd, at, left);
        if (wrote < 0 && errno == EINTR) continue;
        ok = wrote > 0;
        if (ok) {
            at += wrote;
            left -= static_cast<size_t>(wrote);
        }
    }
    ok = ok && fsync(fd) == 0;
    int saved = errno;
    ok = close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    saved = saved != 0 ? saved : errno;
    unlink(temporary.c_str());
    *error = "cannot write " + path + ": " + std::strerror(saved);
    return false;
}

}  // namespace tvctl
