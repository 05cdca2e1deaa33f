#include "capture.h"

#include <errno.h>
#include <fcntl.h>
#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "capture_sys_calls.h"
#include "sys_calls.h"
#include "video_device.h"

namespace tvv4l2 {
namespace {

constexpr uint32_t kBuffersWanted = 4;
constexpr int kFrameWaitMs = 5000;
// A filled buffer older than this was filled while nobody was taking frames
// (the driver fills every queued buffer, then waits): its picture is from
// before whatever changed since, so it is given back and the next one taken.
constexpr int64_t kStaleFrameUs = 100'000;
constexpr uint32_t kRgbBytesPerPixel = 3;

// libv4lconvert asks the device about its formats through these, so its
// questions reach the same (replaceable) system calls as the driver's own.
int ConvertIoctl(void * /*priv*/, int fd, unsigned long request, void *arg) { return Sys().ioctl(fd, request, arg); }
ssize_t ConvertRead(void * /*priv*/, int fd, void *buffer, size_t size) { return CaptureSys().read(fd, buffer, size); }
ssize_t ConvertWrite(void * /*priv*/, int /*fd*/, const void * /*buffer*/, size_t /*size*/) {
    errno = EINVAL;  // a capture never writes to the device
    return -1;
}
constexpr libv4l_dev_ops kConvertOps = [] {
    libv4l_dev_ops ops{};  // the reserved members stay NULL, as the plug-in interface asks
    ops.ioctl = ConvertIoctl;
    ops.read = ConvertRead;
    ops.write = ConvertWrite;
    return ops;
}();

std::string FourCc(uint32_t code) {
    std::string text;
    for (int shift = 0; shift < 32; shift += 8) {
        char c = static_cast<char>((code >> shift) & 0xFF);
        text.push_back(c >= ' ' && c <= '~' ? c : '?');
    }
    return text;
}

v4l2_buffer MappedBuffer(uint32_t index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    return buffer;
}

std::string ErrorText(uint32_t error) {
    char text[128];
    return strerror_r(static_cast<int>(error), text, sizeof text);
}

// Only a timestamp on the monotonic clock says how old a frame is; others
// are taken as fresh.
bool IsStale(const v4l2_buffer &buffer) {
    if ((buffer.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) != V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC) return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t nowUs = int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
    const int64_t takenUs = int64_t{buffer.timestamp.tv_sec} * 1'000'000 + buffer.timestamp.tv_usec;
    return nowUs - takenUs > kStaleFrameUs;
}

}  // namespace

std::unique_ptr<Capture> Capture::Open(const BusCard &card, std::string &reason) {
    std::unique_ptr<Capture> capture(new Capture(card));
    if (!capture->OpenNode(reason) || !capture->ChooseFormat(reason) || !capture->StartStreaming(reason))
        return nullptr;
    return capture;
}

Capture::~Capture() {
    if (streaming_) {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        (void)Request(fd_, VIDIOC_STREAMOFF, &type);
    }
    for (const Buffer &buffer : buffers_) (void)CaptureSys().munmap(buffer.start, buffer.length);
    if (!buffers_.empty()) {
        v4l2_requestbuffers release{};  // count 0 gives the buffers back to the driver
        release.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        release.memory = V4L2_MEMORY_MMAP;
        (void)Request(fd_, VIDIOC_REQBUFS, &release);
    }
    if (convert_ != nullptr) v4lconvert_destroy(convert_);
    if (fd_ >= 0) Sys().close(fd_);
}

std::string Capture::Named() const { return std::string(card_.path) + " (\"" + card_.card + "\")"; }

std::string Capture::Failed(const char *doing, uint32_t error) const {
    if (error == EBUSY)
        return Named() + " is busy with another program's stream; stop that program's capture to take its picture "
                         "here";
    return Named() + ": " + doing + " failed: " + ErrorText(error);
}

bool Capture::OpenNode(std::string &reason) {
    // Non-blocking, so a frame is waited for with a bound (Grab).
    fd_ = Sys().open(card_.path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        reason = "cannot open " + Named() + " to capture: " + ErrorText(static_cast<uint32_t>(errno));
        return false;
    }
    v4l2_capability cap{};
    if (uint32_t failed = Request(fd_, VIDIOC_QUERYCAP, &cap); failed != 0) {
        reason = Failed("asking its capabilities", failed);
        return false;
    }
    const uint32_t caps = NodeCaps(cap);
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0) {
        reason = Named() + ((caps & V4L2_CAP_VIDEO_CAPTURE_MPLANE) != 0
                                ? " captures only multi-planar video, which is not taken here"
                                : " has no video capture");
        return false;
    }
    format_.method = (caps & V4L2_CAP_STREAMING) != 0   ? TVV4L2_CAPTURE_MMAP
                     : (caps & V4L2_CAP_READWRITE) != 0 ? TVV4L2_CAPTURE_READ
                                                        : 0;
    if (format_.method == 0) {
        reason = Named() + " offers neither streaming I/O nor read(), so no frame can be taken from it";
        return false;
    }
    return true;
}

// Keeps the device's size; libv4lconvert picks the device format that
// converts to RGB24 best, set only when the device is not already on it.
bool Capture::ChooseFormat(std::string &reason) {
    convert_ = v4lconvert_create_with_dev_ops(fd_, this, &kConvertOps);
    if (convert_ == nullptr) {
        reason = Named() + ": the pixel-format converter could not be set up";
        return false;
    }
    v4l2_format current{};
    current.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (uint32_t failed = Request(fd_, VIDIOC_G_FMT, &current); failed != 0) {
        reason = Failed("asking its format", failed);
        return false;
    }
    target_ = current;
    target_.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    if (v4lconvert_try_format(convert_, &target_, &source_) != 0 ||
        target_.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24) {
        reason = Named() + " delivers no pixel format that converts to RGB (it is on " +
                 FourCc(current.fmt.pix.pixelformat) + ")";
        return false;
    }
    if (source_.fmt.pix.pixelformat != current.fmt.pix.pixelformat || source_.fmt.pix.width != current.fmt.pix.width ||
        source_.fmt.pix.height != current.fmt.pix.height) {
        if (uint32_t failed = Request(fd_, VIDIOC_S_FMT, &source_); failed != 0) {
            reason = Failed(("setting the pixel format " + FourCc(source_.fmt.pix.pixelformat)).c_str(), failed);
            return false;
        }
    } else {
        source_ = current;
    }
    target_.fmt.pix.width = source_.fmt.pix.width;
    target_.fmt.pix.height = source_.fmt.pix.height;
    target_.fmt.pix.bytesperline = source_.fmt.pix.width * kRgbBytesPerPixel;
    target_.fmt.pix.sizeimage = target_.fmt.pix.bytesperline * source_.fmt.pix.height;
    if (source_.fmt.pix.width == 0 || source_.fmt.pix.height == 0 ||
        source_.fmt.pix.width > UINT32_MAX / kRgbBytesPerPixel / source_.fmt.pix.height) {
        reason = Named() + " reports a frame size of " + std::to_string(source_.fmt.pix.width) + "x" +
                 std::to_string(source_.fmt.pix.height);
        return false;
    }
    format_.width = source_.fmt.pix.width;
    format_.height = source_.fmt.pix.height;
    format_.frameBytes = target_.fmt.pix.sizeimage;
    format_.pixelFormat = source_.fmt.pix.pixelformat;
    return true;
}

bool Capture::StartStreaming(std::string &reason) {
    if (format_.method == TVV4L2_CAPTURE_READ) {
        const uint32_t lines = source_.fmt.pix.height;
        readBuffer_.resize(std::max<std::size_t>(source_.fmt.pix.sizeimage,
                                                 std::size_t{source_.fmt.pix.bytesperline} * lines));
        return true;
    }
    v4l2_requestbuffers request{};
    request.count = kBuffersWanted;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (uint32_t failed = Request(fd_, VIDIOC_REQBUFS, &request); failed != 0) {
        reason = Failed("asking for capture buffers", failed);
        return false;
    }
    if (request.count == 0) {
        reason = Named() + " gave no capture buffers";
        return false;
    }
    for (uint32_t index = 0; index < request.count; ++index) {
        v4l2_buffer buffer = MappedBuffer(index);
        if (uint32_t failed = Request(fd_, VIDIOC_QUERYBUF, &buffer); failed != 0) {
            reason = Failed("asking for a capture buffer", failed);
            return false;
        }
        void *start = CaptureSys().mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                                        static_cast<off_t>(buffer.m.offset));
        if (start == MAP_FAILED) {
            reason = Failed("mapping a capture buffer", static_cast<uint32_t>(errno));
            return false;
        }
        buffers_.push_back(Buffer{start, buffer.length});
        if (!Requeue(index, reason)) return false;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (uint32_t failed = Request(fd_, VIDIOC_STREAMON, &type); failed != 0) {
        reason = Failed("starting the stream", failed);
        return false;
    }
    streaming_ = true;
    return true;
}

bool Capture::TakeNewestBuffer(Filled &newest, std::string &reason) {
    bool have = false;
    for (;;) {
        v4l2_buffer buffer = MappedBuffer(0);
        uint32_t failed = Request(fd_, VIDIOC_DQBUF, &buffer);
        if (failed == EAGAIN) return have;
        if (failed == 0 && buffer.index >= buffers_.size()) failed = EINVAL;
        if (failed != 0) {
            reason = Failed("taking a frame", failed);
            return false;
        }
        // Only the newest good frame is kept: older and damaged ones go back
        // to the driver at once.
        const bool damaged = (buffer.flags & V4L2_BUF_FLAG_ERROR) != 0;
        if (damaged || have) {
            if (!Requeue(damaged ? buffer.index : newest.index, reason)) return false;
            if (damaged) continue;
        }
        have = true;
        newest.index = buffer.index;
        newest.sequence = buffer.sequence;
        newest.stale = IsStale(buffer);
        newest.bytes = buffer.bytesused != 0 ? std::min<std::size_t>(buffer.bytesused, buffers_[buffer.index].length)
                                             : buffers_[buffer.index].length;
    }
}

bool Capture::Requeue(uint32_t index, std::string &reason) {
    v4l2_buffer buffer = MappedBuffer(index);
    if (uint32_t failed = Request(fd_, VIDIOC_QBUF, &buffer); failed != 0) {
        reason = Failed("queueing a capture buffer", failed);
        return false;
    }
    return true;
}

bool Capture::Grab(uint8_t *rgb, std::size_t size, uint32_t &sequence, std::string &reason) {
    reason.clear();
    if (rgb == nullptr || size < format_.frameBytes) {
        reason = "a frame of " + std::to_string(format_.width) + "x" + std::to_string(format_.height) + " needs " +
                 std::to_string(format_.frameBytes) + " bytes";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFrameWaitMs);
    bool staleGivenBack = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        const int ready = left.count() > 0 ? CaptureSys().poll(fd_, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            reason = Failed("waiting for a frame", static_cast<uint32_t>(errno));
            return false;
        }
        if (ready == 0) {
            reason = "no frame came from " + Named() + " within " + std::to_string(kFrameWaitMs / 1000) + " seconds";
            return false;
        }
        if (format_.method == TVV4L2_CAPTURE_READ) {
            const ssize_t got = CaptureSys().read(fd_, readBuffer_.data(), readBuffer_.size());
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (got <= 0) {
                reason = Failed("reading a frame", got < 0 ? static_cast<uint32_t>(errno) : EIO);
                return false;
            }
            sequence = readSequence_++;
            return Convert(readBuffer_.data(), static_cast<std::size_t>(got), rgb, size, reason);
        }
        Filled newest{};
        if (!TakeNewestBuffer(newest, reason)) {
            if (!reason.empty()) return false;
            continue;  // woken without a frame: wait on
        }
        // Once per grab, so that a device whose frames all look old (a slow
        // one) still delivers.
        if (newest.stale && !staleGivenBack) {
            staleGivenBack = true;
            if (!Requeue(newest.index, reason)) return false;
            continue;
        }
        sequence = newest.sequence;
        const bool converted =
            Convert(static_cast<const uint8_t *>(buffers_[newest.index].start), newest.bytes, rgb, size, reason);
        return Requeue(newest.index, reason) && converted;
    }
}

// RGB24 as it comes is copied line by line (a device may pad its lines);
// anything else is libv4lconvert's.
bool Capture::Convert(const uint8_t *source, std::size_t bytes, uint8_t *rgb, std::size_t size, std::string &reason) {
    const v4l2_pix_format &from = source_.fmt.pix;
    if (from.pixelformat == V4L2_PIX_FMT_RGB24) {
        const std::size_t line = std::size_t{from.width} * kRgbBytesPerPixel;
        const std::size_t stride = std::max<std::size_t>(from.bytesperline, line);
        if (bytes < stride * (from.height - 1) + line) {
            reason = Named() + " delivered a short frame (" + std::to_string(bytes) + " bytes)";
            return false;
        }
        for (uint32_t y = 0; y < from.height; ++y) std::memcpy(rgb + y * line, source + y * stride, line);
        return true;
    }
    const int written = v4lconvert_convert(convert_, &source_, &target_, const_cast<uint8_t *>(source),
                                           static_cast<int>(bytes), rgb, static_cast<int>(size));
    if (written < static_cast<int>(format_.frameBytes)) {
        reason = Named() + ": a " + FourCc(from.pixelformat) + " frame could not be converted to RGB (" +
                 v4lconvert_get_error_message(convert_) + ")";
        return false;
    }
    return true;
}

}  // namespace tvv4l2
