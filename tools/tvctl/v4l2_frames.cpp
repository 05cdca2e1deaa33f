#include "v4l2_frames.h"

#include <fmt/format.h>

#include "module_lookup.h"
#include "tvv4l2_capture.h"

namespace tvctl {

namespace {

struct CaptureCalls {
    decltype(&::TvV4l2CaptureOpen) open = nullptr;
    decltype(&::TvV4l2CaptureGrab) grab = nullptr;
    decltype(&::TvV4l2CaptureClose) close = nullptr;
};

bool FindCaptureCalls(HMODULE busModule, CaptureCalls &calls) {
    return LookUp(busModule, TVV4L2_CAPTURE_OPEN_NAME, calls.open) &&
           LookUp(busModule, TVV4L2_CAPTURE_GRAB_NAME, calls.grab) &&
           LookUp(busModule, TVV4L2_CAPTURE_CLOSE_NAME, calls.close);
}

// The input a frame came from in the words the simulated card uses for its
// roles, else the device's own name for it.
std::string InputWords(const TvV4l2FrameInfo &info) {
    switch (info.role) {
        case TVV4L2_ROLE_TUNER: return "tuner";
        case TVV4L2_ROLE_COMPOSITE: return "composite";
        case TVV4L2_ROLE_SVIDEO: return "svideo";
        default: return info.inputName;
    }
}

// The stream runs from the source's opening to its end, so successive grabs
// (watch) take successive frames.
class V4l2Frames : public FrameSource {
public:
    V4l2Frames(const CaptureCalls &calls, TvV4l2Capture *capture, const TvV4l2CaptureFormat &format,
               std::string device)
        : calls_(calls), capture_(capture), format_(format), device_(std::move(device)) {}
    ~V4l2Frames() override { calls_.close(capture_); }
    V4l2Frames(const V4l2Frames &) = delete;
    V4l2Frames &operator=(const V4l2Frames &) = delete;

    // The device delivers its next frame: a frame number has no meaning here.
    std::string Grab(Frame &frame, std::optional<uint64_t> /*number*/) override {
        frame.rgb.resize(format_.frameBytes);
        TvV4l2FrameInfo info{};
        char reason[512] = "";
        if (calls_.grab(capture_, frame.rgb.data(), format_.frameBytes, &info, reason, sizeof reason) == 0)
            return reason[0] != '\0' ? reason : "the V4L2 device delivered no frame";
        frame.width = format_.width;
        frame.height = format_.height;
        frame.number = info.sequence;
        frame.input = InputWords(info);
        frame.locked = info.locked != 0;
        frame.carrierMHz = info.role == TVV4L2_ROLE_TUNER ? info.frequencyHz / 1e6 : 0;
        return "";
    }
    std::string Describe() const override { return "the V4L2 device " + device_; }

private:
    CaptureCalls calls_;
    TvV4l2Capture *capture_;
    TvV4l2CaptureFormat format_;
    std::string device_;
};

}  // namespace

bool V4l2CaptureOffered(HMODULE busModule) {
    CaptureCalls calls;
    return FindCaptureCalls(busModule, calls);
}

std::unique_ptr<FrameSource> OpenV4l2Frames(HMODULE busModule, const std::string &device, Reply &reply) {
    CaptureCalls calls;
    if (!FindCaptureCalls(busModule, calls)) {
        reply.Fail(fmt::format("the V4L2 bus driver for {} offers no capture", device));
        return nullptr;
    }
    TvV4l2CaptureFormat format{};
    char reason[512] = "";
    TvV4l2Capture *capture = calls.open(&format, reason, sizeof reason);
    if (capture == nullptr) {
        reply.Fail(reason[0] != '\0' ? reason : fmt::format("{} could not be captured from", device));
        return nullptr;
    }
    return std::make_unique<V4l2Frames>(calls, capture, format, device);
}

}  // namespace tvctl
