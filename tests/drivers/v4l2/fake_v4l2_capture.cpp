#include "fake_v4l2_capture.h"

#include <errno.h>
#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <cstring>

#include "fake_v4l2.h"

namespace tvtest {
namespace {

constexpr uint32_t kOffsetStep = 0x100000;  // buffer i is mapped at offset i * kOffsetStep
constexpr uint32_t kMaxBuffers = 4;

int Fail(int error) {
    errno = error;
    return -1;
}

bool Planar(uint32_t format) { return format == V4L2_PIX_FMT_YUV420; }

struct Yuv {
    uint8_t y, u, v;
};

// BT.601 with the video range, as capture devices deliver it.
Yuv ToYuv(const std::array<uint8_t, 3> &rgb) {
    const double r = rgb[0], g = rgb[1], b = rgb[2];
    auto byte = [](double value) { return static_cast<uint8_t>(std::clamp(value + 0.5, 0.0, 255.0)); };
    return {byte(16 + (65.738 * r + 129.057 * g + 25.064 * b) / 256),
            byte(128 + (-37.945 * r - 74.494 * g + 112.439 * b) / 256),
            byte(128 + (112.439 * r - 94.154 * g - 18.285 * b) / 256)};
}

// One frame of the capture's colour in its current format.
void Paint(const FakeCapture &capture, uint8_t *out) {
    const uint32_t pixels = capture.width * capture.height;
    const std::array<uint8_t, 3> &c = capture.colour;
    const Yuv yuv = ToYuv(c);
    switch (capture.pixelFormat) {
    case V4L2_PIX_FMT_RGB24:
    case V4L2_PIX_FMT_BGR24:
        for (uint32_t i = 0; i < pixels; ++i) {
            const bool bgr = capture.pixelFormat == V4L2_PIX_FMT_BGR24;
            out[3 * i] = bgr ? c[2] : c[0];
            out[3 * i + 1] = c[1];
            out[3 * i + 2] = bgr ? c[0] : c[2];
        }
        break;
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_UYVY:
        for (uint32_t i = 0; i < pixels / 2; ++i) {
            const uint8_t yuyv[4] = {yuv.y, yuv.u, yuv.y, yuv.v}, uyvy[4] = {yuv.u, yuv.y, yuv.v, yuv.y};
            std::memcpy(out + 4 * i, capture.pixelFormat == V4L2_PIX_FMT_YUYV ? yuyv : uyvy, 4);
        }
        break;
    case V4L2_PIX_FMT_YUV420:
        std::memset(out, yuv.y, pixels);
        std::memset(out + pixels, yuv.u, pixels / 4);
        std::memset(out + pixels + pixels / 4, yuv.v, pixels / 4);
        break;
    default: break;  // a format the fake cannot paint stays black
    }
}

void PutFormat(const FakeCapture &capture, v4l2_format &format) {
    format.fmt.pix.width = capture.width;
    format.fmt.pix.height = capture.height;
    format.fmt.pix.pixelformat = capture.pixelFormat;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    format.fmt.pix.bytesperline = FakeBytesPerLine(capture.pixelFormat, capture.width);
    format.fmt.pix.sizeimage = FakeFrameBytes(capture.pixelFormat, capture.width, capture.height);
}

// TRY_FMT and S_FMT: the size is fixed, an unoffered format becomes the first.
int TryFormat(FakeCapture &capture, v4l2_format &format, bool set) {
    if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
    const auto &offered = capture.formats;
    uint32_t wanted = format.fmt.pix.pixelformat;
    if (std::find(offered.begin(), offered.end(), wanted) == offered.end()) wanted = offered.at(0);
    if (set) {
        if (capture.otherStream || !capture.buffers.empty()) return Fail(EBUSY);
        capture.pixelFormat = wanted;
        Fake().effects.push_back("S_FMT " + std::string(reinterpret_cast<const char *>(&wanted), 4));
    }
    FakeCapture shape = capture;
    shape.pixelFormat = wanted;
    PutFormat(shape, format);
    return 0;
}

int RequestBuffers(FakeCapture &capture, v4l2_requestbuffers &request) {
    if (request.memory != V4L2_MEMORY_MMAP || request.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
    if (capture.otherStream || capture.streaming) return Fail(EBUSY);
    capture.buffers.clear();
    capture.queued.clear();
    capture.filled.clear();
    request.count = std::min(request.count, kMaxBuffers);
    const uint32_t bytes = FakeFrameBytes(capture.pixelFormat, capture.width, capture.height);
    for (uint32_t i = 0; i < request.count; ++i) capture.buffers.emplace_back(bytes);
    Fake().effects.push_back("REQBUFS " + std::to_string(request.count));
    return 0;
}

int Buffer(FakeCapture &capture, unsigned long request, v4l2_buffer &buffer) {
    if (request == VIDIOC_DQBUF) {
        if (!capture.streaming) return Fail(EINVAL);
        if (capture.filled.empty()) return Fail(EAGAIN);
        buffer.index = capture.filled.front().index;
        buffer.sequence = capture.filled.front().sequence;
        buffer.timestamp = capture.filled.front().taken;
        capture.filled.pop_front();
        buffer.bytesused = static_cast<uint32_t>(capture.buffers[buffer.index].size());
        buffer.flags = V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
        return 0;
    }
    if (buffer.index >= capture.buffers.size()) return Fail(EINVAL);
    if (request == VIDIOC_QUERYBUF) {
        buffer.length = static_cast<uint32_t>(capture.buffers[buffer.index].size());
        buffer.m.offset = buffer.index * kOffsetStep;
        return 0;
    }
    if (std::find(capture.queued.begin(), capture.queued.end(), buffer.index) != capture.queued.end())
        return Fail(EINVAL);
    capture.queued.push_back(buffer.index);
    return 0;
}

FakeVideo *VideoOf(int fd) {
    auto open = Fake().openFds.find(fd);
    return open != Fake().openFds.end() ? &Fake().devices.at(open->second) : nullptr;
}

void *FakeMmap(void * /*address*/, size_t length, int /*protection*/, int /*flags*/, int fd, off_t offset) {
    FakeVideo *video = VideoOf(fd);
    const auto index = static_cast<std::size_t>(offset / kOffsetStep);
    if (video == nullptr || index >= video->capture.buffers.size() || length > video->capture.buffers[index].size()) {
        errno = EINVAL;
        return MAP_FAILED;
    }
    ++video->capture.mapped;
    return video->capture.buffers[index].data();
}

int FakeMunmap(void *address, size_t /*length*/) {
    for (auto &[path, video] : Fake().devices)
        for (const std::vector<uint8_t> &buffer : video.capture.buffers)
            if (buffer.data() == address) {
                --video.capture.mapped;
                return 0;
            }
    return Fail(EINVAL);
}

ssize_t FakeRead(int fd, void *buffer, size_t size) {
    FakeVideo *video = VideoOf(fd);
    if (video == nullptr) return Fail(EBADF);
    if ((video->caps & V4L2_CAP_READWRITE) == 0) return Fail(EINVAL);
    FakeCapture &capture = video->capture;
    std::vector<uint8_t> frame(FakeFrameBytes(capture.pixelFormat, capture.width, capture.height));
    Paint(capture, frame.data());
    const std::size_t bytes = std::min(size, frame.size());
    std::memcpy(buffer, frame.data(), bytes);
    ++capture.sequence;
    return static_cast<ssize_t>(bytes);
}

timeval MonotonicAgo(int ageMs) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t us = int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000 - int64_t{ageMs} * 1000;
    return {static_cast<time_t>(us / 1'000'000), static_cast<suseconds_t>(us % 1'000'000)};
}

void FillOne(FakeCapture &capture, int ageMs) {
    const uint32_t index = capture.queued.front();
    capture.queued.pop_front();
    Paint(capture, capture.buffers[index].data());
    capture.filled.push_back({index, capture.sequence++, MonotonicAgo(ageMs)});
}

// A frame comes while the caller waits: the first queued buffer is filled.
int FakePoll(int fd, int /*timeoutMs*/) {
    FakeVideo *video = VideoOf(fd);
    if (video == nullptr) return Fail(EBADF);
    FakeCapture &capture = video->capture;
    if (!capture.framesCome) return 0;
    if (capture.streaming && !capture.queued.empty()) FillOne(capture, 0);
    return 1;
}

}  // namespace

void FakeFillQueued(FakeCapture &capture, int ageMs) {
    while (capture.streaming && !capture.queued.empty()) FillOne(capture, ageMs);
}

uint32_t FakeBytesPerLine(uint32_t pixelFormat, uint32_t width) {
    if (Planar(pixelFormat)) return width;
    if (pixelFormat == V4L2_PIX_FMT_YUYV || pixelFormat == V4L2_PIX_FMT_UYVY) return width * 2;
    return width * 3;
}

uint32_t FakeFrameBytes(uint32_t pixelFormat, uint32_t width, uint32_t height) {
    return Planar(pixelFormat) ? width * height * 3 / 2 : FakeBytesPerLine(pixelFormat, width) * height;
}

int FakeCaptureIoctl(FakeVideo &video, unsigned long request, void *arg) {
    FakeCapture &capture = video.capture;
    switch (request) {
    case VIDIOC_ENUM_FMT: {
        auto &description = *static_cast<v4l2_fmtdesc *>(arg);
        if (description.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || description.index >= capture.formats.size())
            return Fail(EINVAL);
        description.pixelformat = capture.formats[description.index];
        description.flags = 0;
        return 0;
    }
    case VIDIOC_G_FMT: {
        auto &format = *static_cast<v4l2_format *>(arg);
        if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Fail(EINVAL);
        PutFormat(capture, format);
        return 0;
    }
    case VIDIOC_TRY_FMT: return TryFormat(capture, *static_cast<v4l2_format *>(arg), false);
    case VIDIOC_S_FMT: return TryFormat(capture, *static_cast<v4l2_format *>(arg), true);
    case VIDIOC_REQBUFS:
        if ((video.caps & V4L2_CAP_STREAMING) == 0) return Fail(EINVAL);
        return RequestBuffers(capture, *static_cast<v4l2_requestbuffers *>(arg));
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF: return Buffer(capture, request, *static_cast<v4l2_buffer *>(arg));
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
        if (capture.buffers.empty()) return Fail(EINVAL);
        capture.streaming = request == VIDIOC_STREAMON;
        if (!capture.streaming) {
            capture.queued.clear();
            capture.filled.clear();
        }
        Fake().effects.push_back(capture.streaming ? "STREAMON" : "STREAMOFF");
        return 0;
    case VIDIOC_G_FREQUENCY: {  // what a frame reports it was taken at
        auto &frequency = *static_cast<v4l2_frequency *>(arg);
        if (frequency.tuner != 0) return Fail(EINVAL);
        frequency.type = V4L2_TUNER_ANALOG_TV;
        frequency.frequency = video.frequency;
        return 0;
    }
    default: return Fail(ENOTTY);
    }
}

TvV4l2CaptureSysCalls FakeCaptureSysCalls() {
    return TvV4l2CaptureSysCalls{FakeMmap, FakeMunmap, FakeRead, FakePoll};
}

}  // namespace tvtest
