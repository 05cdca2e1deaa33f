#include "fake_v4l2.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tvtest {
namespace {

constexpr int kFirstFakeFd = 6000;
int nextFakeFd = kFirstFakeFd;

int Fail(int error) {
    errno = error;
    return -1;
}

std::string ControlName(uint32_t id) {
    switch (id) {
    case V4L2_CID_BRIGHTNESS: return "brightness";
    case V4L2_CID_CONTRAST: return "contrast";
    case V4L2_CID_SATURATION: return "saturation";
    case V4L2_CID_HUE: return "hue";
    case V4L2_CID_AUDIO_VOLUME: return "volume";
    case V4L2_CID_AUDIO_MUTE: return "mute";
    default: return std::to_string(id);
    }
}

void Copy(uint8_t *to, std::size_t size, const std::string &from) {
    std::memset(to, 0, size);
    std::memcpy(to, from.data(), std::min(size - 1, from.size()));
}

int FakeOpen(const char *path, int flags) {
    std::string name = path;
    if (Fake().devices.count(name) == 0) {
        if (name.rfind("/dev/", 0) == 0) return Fail(ENOENT);  // never the machine's own devices
        return ::open(path, flags);
    }
    if (Fake().devices[name].openErrno != 0) return Fail(Fake().devices[name].openErrno);
    int fd = nextFakeFd++;
    Fake().openFds[fd] = name;
    Fake().opened.push_back(name);
    return fd;
}

int FakeClose(int fd) {
    if (fd < kFirstFakeFd) return ::close(fd);
    return Fake().openFds.erase(fd) == 1 ? 0 : Fail(EBADF);
}

// The tuner's unit per 1/16 MHz, by its capability.
uint32_t UnitsPerSixteenth(const FakeVideo &video) {
    if (video.tunerCapability & V4L2_TUNER_CAP_LOW) return 1000;
    if (video.tunerCapability & V4L2_TUNER_CAP_1HZ) return 62500;
    return 1;
}

bool HasSignal(const FakeVideo &video) {
    return std::find(video.stations.begin(), video.stations.end(), video.frequency) != video.stations.end();
}

int Control(FakeVideo &video, unsigned long request, void *arg) {
    uint32_t id = request == VIDIOC_QUERYCTRL ? static_cast<v4l2_queryctrl *>(arg)->id
                                              : static_cast<v4l2_control *>(arg)->id;
    auto found = video.controls.find(id);
    if (found == video.controls.end()) return Fail(EINVAL);
    FakeControl &control = found->second;
    if (request == VIDIOC_QUERYCTRL) {
        auto &query = *static_cast<v4l2_queryctrl *>(arg);
        query.minimum = control.min;
        query.maximum = control.max;
        query.step = 1;
        query.flags = control.disabled ? V4L2_CTRL_FLAG_DISABLED : 0;
        return 0;
    }
    auto &value = *static_cast<v4l2_control *>(arg);
    if (request == VIDIOC_G_CTRL) {
        value.value = control.value;
        return 0;
    }
    if (value.value < control.min || value.value > control.max) return Fail(ERANGE);
    control.value = value.value;
    Fake().effects.push_back("S_CTRL " + ControlName(id) + " " + std::to_string(value.value));
    return 0;
}

int SetInput(FakeVideo &video, unsigned index) {
    if (index >= video.inputs.size()) return Fail(EINVAL);
    video.input = index;
    Fake().effects.push_back("S_INPUT " + std::to_string(index));
    if (video.brightnessFollowsInput) {
        FakeControl &brightness = video.controls[V4L2_CID_BRIGHTNESS];
        brightness.min = static_cast<int32_t>(128 * index);
        brightness.max = static_cast<int32_t>(255 + 128 * index);
        brightness.value = std::clamp(brightness.value, brightness.min, brightness.max);
    }
    return 0;
}

int FakeIoctl(int fd, unsigned long request, void *arg) {
    FakeV4l2 &fake = Fake();
    auto open = fake.openFds.find(fd);
    if (open == fake.openFds.end()) return Fail(EBADF);
    FakeVideo &video = fake.devices.at(open->second);
    ++fake.requests;
    auto failure = video.failures.find(request);
    if (failure != video.failures.end()) return Fail(failure->second);
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto &cap = *static_cast<v4l2_capability *>(arg);
        Copy(cap.driver, sizeof cap.driver, "fake");
        Copy(cap.card, sizeof cap.card, video.card);
        Copy(cap.bus_info, sizeof cap.bus_info, "platform:" + video.card);
        cap.capabilities = video.caps | V4L2_CAP_DEVICE_CAPS;
        cap.device_caps = video.caps;
        return 0;
    }
    case VIDIOC_ENUMINPUT: {
        auto &input = *static_cast<v4l2_input *>(arg);
        if (input.index >= video.inputs.size()) return Fail(EINVAL);
        const FakeInput &known = video.inputs[input.index];
        Copy(input.name, sizeof input.name, known.name);
        input.type = known.type;
        input.tuner = known.tuner;
        input.status = 0;
        if (input.index == video.input)
            input.status = known.type == V4L2_INPUT_TYPE_TUNER && !HasSignal(video) ? V4L2_IN_ST_NO_H_LOCK : known.status;
        return 0;
    }
    case VIDIOC_G_INPUT: *static_cast<unsigned *>(arg) = video.input; return 0;
    case VIDIOC_S_INPUT: return SetInput(video, *static_cast<unsigned *>(arg));
    case VIDIOC_G_TUNER: {
        auto &tuner = *static_cast<v4l2_tuner *>(arg);
        if (tuner.index != 0) return Fail(EINVAL);
        tuner.type = V4L2_TUNER_ANALOG_TV;
        tuner.capability = video.tunerCapability;
        tuner.rangelow = video.rangeLow * UnitsPerSixteenth(video);
        tuner.rangehigh = video.rangeHigh * UnitsPerSixteenth(video);
        tuner.signal = HasSignal(video) ? 0xFFFF : 0;
        tuner.capability |= V4L2_TUNER_CAP_STEREO | V4L2_TUNER_CAP_LANG1 | V4L2_TUNER_CAP_LANG2;
        tuner.rxsubchans = video.rxsubchans;
        tuner.audmode = video.audmode;
        return 0;
    }
    case VIDIOC_S_TUNER: {
        const auto &tuner = *static_cast<const v4l2_tuner *>(arg);
        if (tuner.index != 0 || tuner.audmode > V4L2_TUNER_MODE_LANG1_LANG2) return Fail(EINVAL);
        video.audmode = tuner.audmode;
        fake.effects.push_back("S_TUNER " + std::to_string(tuner.index) + " " + std::to_string(tuner.audmode));
        return 0;
    }
    case VIDIOC_G_FREQUENCY: {
        auto &frequency = *static_cast<v4l2_frequency *>(arg);
        if (frequency.tuner != 0) return Fail(EINVAL);
        frequency.type = V4L2_TUNER_ANALOG_TV;
        frequency.frequency = video.frequency;
        return 0;
    }
    case VIDIOC_ENUMSTD: {
        auto &standard = *static_cast<v4l2_standard *>(arg);
        if (video.standards.empty()) return Fail(ENODATA);
        if (standard.index >= video.standards.size()) return Fail(EINVAL);
        standard.id = video.standards[standard.index];
        Copy(standard.name, sizeof standard.name, "Std " + std::to_string(standard.id));
        return 0;
    }
    case VIDIOC_G_STD:
        if (video.standards.empty()) return Fail(ENODATA);
        *static_cast<v4l2_std_id *>(arg) = video.standard;
        return 0;
    case VIDIOC_S_STD: {
        const v4l2_std_id wanted = *static_cast<const v4l2_std_id *>(arg);
        auto fits = [wanted](v4l2_std_id listed) { return wanted != 0 && (wanted & ~listed) == 0; };
        auto listed = std::find_if(video.standards.begin(), video.standards.end(), fits);
        if (listed == video.standards.end()) return Fail(video.standards.empty() ? ENODATA : EINVAL);
        video.standard = wanted;
        fake.effects.push_back("S_STD " + std::to_string(wanted));
        return 0;
    }
    case VIDIOC_S_FREQUENCY: {
        const auto &frequency = *static_cast<const v4l2_frequency *>(arg);
        if (frequency.tuner != 0) return Fail(EINVAL);
        const uint32_t unit = UnitsPerSixteenth(video);
        video.frequency = std::clamp(frequency.frequency, video.rangeLow * unit, video.rangeHigh * unit);
        fake.effects.push_back("S_FREQUENCY " + std::to_string(frequency.tuner) + " " +
                               std::to_string(frequency.type) + " " + std::to_string(frequency.frequency));
        return 0;
    }
    case VIDIOC_QUERYCTRL:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: return Control(video, request, arg);
    default: return FakeCaptureIoctl(video, request, arg);
    }
}

// The directory walk sees "/dev" only: its video nodes and a few strays.
struct FakeDir {
    std::vector<std::string> names;
    std::size_t next = 0;
};

void *FakeOpendir(const char *path) {
    if (std::string(path) != "/dev") return nullptr;
    auto *dir = new FakeDir;
    for (const auto &[device, video] : Fake().devices) dir->names.push_back(device.substr(5));
    for (const std::string &stray : Fake().strayEntries) dir->names.push_back(stray);
    std::reverse(dir->names.begin(), dir->names.end());  // the walk must sort them itself
    return dir;
}

const char *FakeReaddir(void *handle) {
    auto *dir = static_cast<FakeDir *>(handle);
    return dir->next < dir->names.size() ? dir->names[dir->next++].c_str() : nullptr;
}

int FakeClosedir(void *handle) {
    delete static_cast<FakeDir *>(handle);
    return 0;
}

}  // namespace

FakeV4l2 &Fake() {
    static FakeV4l2 fake;
    return fake;
}

void ResetFake() { Fake() = FakeV4l2{}; }

TvV4l2SysCalls FakeSysCalls() {
    return TvV4l2SysCalls{FakeOpen, FakeClose, FakeIoctl, FakeOpendir, FakeReaddir, FakeClosedir};
}

FakeVideo VividLike() {
    FakeVideo video;
    video.card = "vivid";
    video.inputs = {{"TV 0", V4L2_INPUT_TYPE_TUNER},
                    {"Webcam 0", V4L2_INPUT_TYPE_CAMERA},
                    {"Webcam 1", V4L2_INPUT_TYPE_CAMERA},
                    {"S-Video 0", V4L2_INPUT_TYPE_CAMERA}};
    video.controls[V4L2_CID_BRIGHTNESS] = {0, 255, 128};
    video.controls[V4L2_CID_CONTRAST] = {0, 255, 128};
    video.controls[V4L2_CID_SATURATION] = {0, 255, 128};
    video.controls[V4L2_CID_HUE] = {-128, 128, 0};
    video.controls[V4L2_CID_AUDIO_VOLUME] = {0, 255, 200};
    video.controls[V4L2_CID_AUDIO_MUTE] = {0, 1, 0};
    video.brightnessFollowsInput = true;
    video.standards = {V4L2_STD_NTSC, V4L2_STD_NTSC_M, V4L2_STD_PAL_BG, V4L2_STD_PAL_I, V4L2_STD_SECAM_L};
    video.standard = V4L2_STD_NTSC_M;
    for (uint32_t sixteenths = 788; sixteenths <= 958 * 16; sixteenths += 96) video.stations.push_back(sixteenths);
    return video;
}

}  // namespace tvtest
