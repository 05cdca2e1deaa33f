#include "frame_stream.h"

#include "image_file.h"

namespace tvctl {

namespace {

using Clock = std::chrono::steady_clock;
// NTSC's frame period, 1001/30000 s.
constexpr auto kFramePeriod = std::chrono::microseconds(33367);

}  // namespace

FrameStream::FrameStream(FrameSource &source, int quality, std::function<void()> beforeGrab)
    : source_(source), quality_(quality), beforeGrab_(std::move(beforeGrab)), thread_([this] { Capture(); }) {}

FrameStream::~FrameStream() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void FrameStream::Stop() {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    changed_.notify_all();
}

Picture FrameStream::GrabAndEncode() {
    std::lock_guard<std::mutex> guard(grabLock_);
    if (beforeGrab_) beforeGrab_();
    Picture picture;
    picture.error = source_.Grab(frame_);
    if (!picture.error.empty()) return picture;
    auto jpeg = std::make_shared<std::vector<uint8_t>>();
    picture.error = EncodeJpeg(frame_.rgb.data(), frame_.width, frame_.height, quality_, *jpeg);
    if (!picture.error.empty()) return picture;
    picture.jpeg = std::move(jpeg);
    picture.info = frame_;
    picture.info.rgb.clear();
    picture.info.rgb.shrink_to_fit();
    return picture;
}

void FrameStream::Capture() {
    Clock::time_point due = Clock::now();
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [this] { return stopping_ || viewers_ > 0; });
            if (stopping_) return;
            // Ticks missed while nobody watched (or while a grab ran late)
            // are not made up: the next frame is due now.
            if (due < Clock::now() - kFramePeriod) due = Clock::now();
            changed_.wait_until(guard, due, [this] { return stopping_; });
            if (stopping_) return;
        }
        due += kFramePeriod;
        Picture picture = GrabAndEncode();
        std::lock_guard<std::mutex> guard(lock_);
        picture.sequence = latest_.sequence + 1;
        latest_ = std::move(picture);
        latestAt_ = Clock::now();
        changed_.notify_all();
    }
}

Picture FrameStream::Still() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (latest_.jpeg && Clock::now() - latestAt_ <= kFramePeriod) return latest_;
    }
    return GrabAndEncode();
}

FrameStream::Viewer::Viewer(FrameStream &stream) : stream_(stream) {
    std::lock_guard<std::mutex> guard(stream_.lock_);
    ++stream_.viewers_;
    stream_.changed_.notify_all();
}

FrameStream::Viewer::~Viewer() {
    std::lock_guard<std::mutex> guard(stream_.lock_);
    --stream_.viewers_;
}

Picture FrameStream::Viewer::Next(uint64_t sequence) {
    std::unique_lock<std::mutex> guard(stream_.lock_);
    stream_.changed_.wait(guard, [&] { return stream_.stopping_ || stream_.latest_.sequence > sequence; });
    if (stream_.stopping_) return {};
    return stream_.latest_;
}

}  // namespace tvctl
