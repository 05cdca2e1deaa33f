#include "device_choice.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cstring>

#include "settings.h"
#include "sys_calls.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

constexpr unsigned kCaptureCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE;

void CopyCard(const v4l2_capability &cap, char (&card)[33]) {
    std::memcpy(card, cap.card, sizeof cap.card);
    card[sizeof card - 1] = '\0';
}

// Opens `path` and asks its capabilities; the fd, or -1 with errno kept.
int OpenAndQuery(const char *path, v4l2_capability &cap, uint32_t *failed) {
    int fd = Sys().open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *failed = static_cast<uint32_t>(errno);
        return -1;
    }
    cap = v4l2_capability{};
    *failed = Request(fd, VIDIOC_QUERYCAP, &cap);
    if (*failed != 0) {
        Sys().close(fd);
        return -1;
    }
    return fd;
}

void ChooseByPath(const char *path, DeviceChoice &choice) {
    v4l2_capability cap{};
    uint32_t failed = 0;
    int fd = OpenAndQuery(path, cap, &failed);
    char text[128];
    if (fd < 0) {
        (void)snprintf(choice.reason, sizeof choice.reason, "cannot use %s (TVV4L2_DEVICE): %s", path,
                       strerror_r(static_cast<int>(failed), text, sizeof text));
        return;
    }
    CopyCard(cap, choice.card);
    if ((NodeCaps(cap) & V4L2_CAP_TUNER) == 0) {
        (void)snprintf(choice.reason, sizeof choice.reason,
                       "%s (\"%s\") has no tuner (V4L2_CAP_TUNER missing), so it cannot serve as the card", path,
                       choice.card);
        Sys().close(fd);
        return;
    }
    choice.fd = fd;
    (void)snprintf(choice.path, sizeof choice.path, "%s", path);
}

// One walk over the video nodes: nodes with a tuner and video capture whose
// card name equals the wanted one count first; names that contain it count
// when none equals it. Without a wanted name every such node counts.
struct Walk {
    const char *wanted;
    int exact = 0, containing = 0, unopened = 0;
    int fd = -1;
    unsigned number = 0;
    char card[33] = "";
    bool fdExact = false;
    char names[256] = "";   // the fitting nodes, for a refusal
    char passed[256] = "";  // the nodes passed over and why, for a refusal
};

// Adds "<path> (<why>)" to a comma-separated list, cut short when full.
void Note(char (&list)[256], const char *path, const char *why) {
    std::size_t used = std::strlen(list);
    (void)snprintf(list + used, sizeof list - used, "%s%s (%s)", used > 0 ? ", " : "", path, why);
}

void Consider(Walk &walk, unsigned number) {
    char path[kNodePathSize];
    NodePath(number, path);
    v4l2_capability cap{};
    uint32_t failed = 0;
    int fd = OpenAndQuery(path, cap, &failed);
    char why[160];
    if (fd < 0) {
        if (failed != ENOTTY) {
            ++walk.unopened;
            char text[128];
            Note(walk.passed, path, strerror_r(static_cast<int>(failed), text, sizeof text));
        }
        return;
    }
    char card[33];
    CopyCard(cap, card);
    const uint32_t caps = NodeCaps(cap);
    bool fits = (caps & V4L2_CAP_TUNER) != 0 && (caps & kCaptureCaps) != 0;
    bool exact = walk.wanted == nullptr || std::strcmp(card, walk.wanted) == 0;
    bool containing = !exact && std::strstr(card, walk.wanted) != nullptr;
    if (!fits || (!exact && !containing)) {
        (void)snprintf(why, sizeof why, "\"%s\", %s", card,
                       (caps & V4L2_CAP_TUNER) == 0 ? "no tuner" : !fits ? "no video capture" : "another name");
        Note(walk.passed, path, why);
        Sys().close(fd);
        return;
    }
    int &count = exact ? walk.exact : walk.containing;
    ++count;
    std::size_t used = std::strlen(walk.names);
    (void)snprintf(walk.names + used, sizeof walk.names - used, "%s%s (\"%s\")", used > 0 ? ", " : "", path, card);
    // Keep the first exact match, else the first containing one.
    bool better = walk.fd < 0 || (exact && !walk.fdExact);
    if (better) {
        if (walk.fd >= 0) Sys().close(walk.fd);
        walk.fd = fd;
        walk.number = number;
        walk.fdExact = exact;
        std::memcpy(walk.card, card, sizeof card);
    } else {
        Sys().close(fd);
    }
}

void ChooseByWalk(const char *wanted, DeviceChoice &choice) {
    Walk walk;
    walk.wanted = wanted;
    NodeList nodes = ListVideoNodes();
    for (std::size_t i = 0; i < nodes.count; ++i) Consider(walk, nodes.numbers[i]);
    const int count = walk.exact > 0 ? walk.exact : walk.containing;
    const char *which = wanted != nullptr ? " (TVV4L2_CARD)" : "";
    if (count == 1) {
        choice.fd = walk.fd;
        char path[kNodePathSize];
        NodePath(walk.number, path);
        (void)snprintf(choice.path, sizeof choice.path, "%s", path);
        std::memcpy(choice.card, walk.card, sizeof walk.card);
        return;
    }
    if (walk.fd >= 0) Sys().close(walk.fd);
    if (count == 0) {
        char unopened[360] = "";
        if (walk.unopened > 0)
            (void)snprintf(unopened, sizeof unopened, "; %d node(s) could not be opened (access to /dev/video*?)",
                           walk.unopened);
        if (walk.passed[0] != '\0') {
            std::size_t used = std::strlen(unopened);
            (void)snprintf(unopened + used, sizeof unopened - used, "; passed over: %s", walk.passed);
        }
        if (wanted != nullptr)
            (void)snprintf(choice.reason, sizeof choice.reason,
                           "no V4L2 device with a tuner is named or contains \"%s\" (TVV4L2_CARD; v4l2-ctl "
                           "--list-devices shows them)%s",
                           wanted, unopened);
        else
            (void)snprintf(choice.reason, sizeof choice.reason,
                           "no V4L2 device with a tuner and video capture in /dev (is the card's driver "
                           "loaded?)%s",
                           unopened);
        return;
    }
    (void)snprintf(choice.reason, sizeof choice.reason,
                   "%d V4L2 devices with a tuner fit%s: %s; choose one with TVV4L2_DEVICE=/dev/videoN", count, which,
                   walk.names);
}

}  // namespace

DeviceChoice OpenChosenDevice() {
    DeviceChoice choice{};
    choice.fd = -1;
    if (const char *device = tvdrv::Setting("TVV4L2_DEVICE")) {
        if (std::strlen(device) >= sizeof choice.path) {
            (void)snprintf(choice.reason, sizeof choice.reason, "TVV4L2_DEVICE is too long a path");
            return choice;
        }
        ChooseByPath(device, choice);
        return choice;
    }
    ChooseByWalk(tvdrv::Setting("TVV4L2_CARD"), choice);
    return choice;
}

}  // namespace tvv4l2
