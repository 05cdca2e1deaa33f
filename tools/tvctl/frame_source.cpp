// The frame sources tvctl knows (frame_source.h).
#include "frame_source.h"

#include <fmt/format.h>

#include <chrono>

#include "bus_words.h"
#ifdef TVCTL_HAVE_V4L2
#include "v4l2_frames.h"
#endif

namespace tvctl {

namespace {

const char *SimInputName(uint32_t input) {
    switch (input) {
        case TVSIM_INPUT_TUNER: return "tuner";
        case TVSIM_INPUT_COMPOSITE: return "composite";
        case TVSIM_INPUT_SVIDEO: return "svideo";
        default: return "none";
    }
}

// The simulated card renders any frame on demand from its registers.
class SimCardFrames : public FrameSource {
public:
    explicit SimCardFrames(const SimCardCalls &card) : card_(card) {}

    std::string Grab(Frame &frame, std::optional<uint64_t> number) override {
        TvSimFrameInfo info{};
        const uint64_t at = number.value_or(FrameNow());
        const uint32_t size = card_.Frame(at, TVSIM_FORMAT_RGB24, nullptr, 0, &info);
        if (size == 0) return "the simulated card delivered no frame";
        frame.rgb.resize(size);
        if (card_.Frame(at, TVSIM_FORMAT_RGB24, frame.rgb.data(), size, &info) != size)
            return "the simulated card delivered no frame";
        frame.width = info.width;
        frame.height = info.height;
        frame.number = info.frameNumber;
        frame.input = SimInputName(info.input);
        frame.locked = info.locked != 0;
        frame.carrierMHz = info.input == TVSIM_INPUT_TUNER ? info.carrierMHz : 0;
        return "";
    }
    std::string Describe() const override { return "the simulated card"; }

private:
    SimCardCalls card_;
};

}  // namespace

uint64_t FrameNow() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    auto us = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
    return us * 3 / 100100;  // 30000 / (1001 * 1000000) frames a microsecond
}

std::unique_ptr<FrameSource> OpenFrameSource(Session &session, Reply &reply) {
    if (session.Library(reply) == nullptr) return nullptr;
    if (const SimCardCalls *card = session.Card(); card != nullptr) return std::make_unique<SimCardFrames>(*card);
#ifdef TVCTL_HAVE_V4L2
    if (V4l2CaptureOffered(session.BusModule())) return OpenV4l2Frames(session.BusModule(), BusDevice(session.Words()), reply);
#endif
    reply.Fail(fmt::format("the library's bus driver drives {}, whose picture tvctl cannot capture yet",
                           BusDevice(session.Words())));
    return nullptr;
}

}  // namespace tvctl
