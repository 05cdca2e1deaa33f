// A simulated device's small state file, shared by every process of the user
// that uses the device: what the device holds outlives the process, as a
// powered card keeps its registers.
//
// The file is a sealed record: a magic word that names the device, the
// payload's length, the payload, and a checksum. Writers take an exclusive
// lock (flock on "<file>.lock", waited for at most kLockWaitMs) around
// read-modify-write and replace the file by writing a temporary one and
// renaming it, so a reader never sees half a file. The temporary file is
// made new under an unpredictable name (mkstemp), so nothing planted beside
// the file is written through. Only a regular file is read, replaced or
// removed: a path that is a link, a directory, a FIFO or a device turns the
// file off with a note and is left alone. Nothing here allocates heap memory
// after Configure: the simulated devices save from inside calls that must
// not allocate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvsimstate {

// Longest path kept; a longer one turns the file off with a note.
inline constexpr size_t kMaxPath = 1024;
// Largest payload a device stores.
inline constexpr size_t kMaxPayload = 4096;

class StateFile {
public:
    // Chooses the file: the setting `settingName` ("off" turns the file off,
    // another value is the file's path), or `fileName` in the user's default
    // directory (see DefaultDirectory). `who` starts every note ("simulated
    // card"). `magic` names the device's records (8 bytes). Creates the
    // default directory when it is used; reads nothing yet.
    void Configure(const char *settingName, const char *fileName, const char *who, const char magic[8]);

    bool Enabled() const { return enabled_; }
    // The file's path; "" when off.
    const char *Path() const { return enabled_ ? path_ : ""; }
    // Copies the path into `out` (`size` bytes, cut short and terminated
    // when it does not fit; nothing when `out` is null or `size` is 0) and
    // returns the path's full length, as the drivers' C calls answer.
    uint32_t CopyPath(char *out, uint32_t size) const;

    // Holds the lock for the life of the guard. No lock when off, or when the
    // lock file cannot be opened, is not a regular file, or is still held by
    // another process after kLockWaitMs: then the file is turned off for
    // this process with a note (naming the holder where /proc/locks shows it).
    class Guard {
    public:
        explicit Guard(StateFile &file);
        ~Guard();
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        int fd_ = -1;
    };

    // Brings a device up to what the file holds (at most `Capacity` bytes): a
    // missing file calls `reset()`; a payload `take(bytes, size)` refuses is
    // noted with `unusable`. Answers whether the file must be written now
    // (it was unusable); while the file is off, the device keeps its memory.
    template <size_t Capacity, typename Reset, typename Take>
    bool Refresh(Reset reset, Take take, const char *unusable) {
        uint8_t bytes[Capacity];
        size_t size = 0;
        const Loaded loaded = Load(bytes, Capacity, size);
        if (loaded == Loaded::Missing) reset();
        if (loaded != Loaded::Payload) return loaded == Loaded::Ignored;
        if (take(bytes, size)) return false;
        Note("is ignored and replaced", unusable);
        return true;
    }

    // Replaces the file with a record of `payload`. A failure turns the file
    // off for this process with one note.
    void Save(const void *payload, size_t size);

    // Removes the file (the lock file stays: another process may hold it).
    // True when no file is left; a path that is not a regular file is not
    // removed.
    bool Remove();

private:
    enum class Loaded { Missing, Payload, Ignored, Off };
    // Reads the payload into `out` (at most `capacity` bytes) and its length
    // into `size`. Missing: there is no file. Ignored: the file is short,
    // corrupt, too long or another device's; one note per process says so,
    // and the caller replaces it. Off: the file is off (its lock could not be
    // taken, or its path is not a regular file, which is then left alone);
    // the caller keeps what it holds in memory.
    Loaded Load(void *out, size_t capacity, size_t &size);

    void Note(const char *what, const char *detail);
    void TurnOff(const char *what, const char *detail);
    bool RefuseUnlessRegular(const char *path, const char *whose);

    bool enabled_ = false;
    bool noted_ = false;
    const char *who_ = "";
    char magic_[8] = {};
    char path_[kMaxPath] = {};
    char lockPath_[kMaxPath] = {};
    char tempPath_[kMaxPath] = {};  // "<file>.XXXXXX", filled in by mkstemp at each save
};

// The default directory, "" when none can be formed: $XDG_RUNTIME_DIR/tvcore,
// else $XDG_STATE_HOME/tvcore, else $HOME/.local/state/tvcore. A variable
// that is unset, empty or not an absolute path counts as unset. Written to
// `out` (kMaxPath bytes).
void DefaultDirectory(char *out);

}  // namespace tvsimstate
