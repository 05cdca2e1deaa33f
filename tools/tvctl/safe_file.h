// Reading and writing tvctl's own small files (the station list, the tuner
// record) so that no file can stall tvctl, fill its memory or be lost:
// reads open without blocking, take only regular files and stop at a size
// limit; writes go to a fresh temporary file beside the target that is then
// renamed over it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tvctl {

struct FileText {
    enum class Outcome { Read, Missing, Refused };
    Outcome outcome = Outcome::Refused;
    std::string text;   // the contents when Read
    std::string error;  // a sentence naming the file when Refused
};

// Reads `path` whole: a FIFO, a device, a directory or a file larger than
// `maxBytes` is refused without reading (a FIFO's open would wait for a
// writer; a device may never end). `what` names the file in sentences ("the
// station list"). A path that does not exist is Missing.
FileText ReadRegularFile(const std::string &path, size_t maxBytes, const char *what);

// What a file that is not regular is, for sentences: "a directory", "a
// FIFO", "a device", "a socket", "a symbolic link" (of lstat's answer).
const char *NonRegularKind(mode_t mode);

// "" when `path` is a regular file or not there; else the sentence that
// says what it is ("the station list F is a FIFO, not a regular file").
std::string NotRegularProblem(const std::string &path, const char *what);

// The file a path finally names, links followed (a link may point at a file
// not yet made); the path itself when it is no link.
std::string FollowLinks(const std::string &path);

// Replaces the file `path` finally names (links followed, so a link stays a
// link) with `text`: written to a temporary file made exclusively beside it
// (mkstemp: an unpredictable name, never a link followed), flushed to disk,
// given the old file's mode, then renamed over it. Creates missing
// directories (mode 0700). Anything but a regular file at the target is left
// alone. False with `*error` set as a sentence; the old file is then as it
// was and no temporary file stays.
bool WriteFileAtomically(const std::string &path, const std::string &text, std::string *error);

}  // namespace tvctl
