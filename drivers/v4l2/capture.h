// One capture from the bus driver's device (tvv4l2_capture.h): the node
// opened once more, a pixel format that converts to RGB24, and the frames
// taken with mmap buffers or read().
#pragma once

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bus_card.h"
#include "tvv4l2_capture.h"

struct v4lconvert_data;

namespace tvv4l2 {

class Capture {
public:
    ~Capture();
    Capture(const Capture &) = delete;
    Capture &operator=(const Capture &) = delete;

    // Opens and starts a capture on `card`'s node; null with `reason` set.
    static std::unique_ptr<Capture> Open(const BusCard &card, std::string &reason);

    const TvV4l2CaptureFormat &Format() const { return format_; }
    const BusCard &Card() const { return card_; }
    int Fd() const { return fd_; }

    // The next frame as RGB24 into `rgb` (Format().frameBytes); false with
    // `reason`. `sequence` is the frame's number.
    bool Grab(uint8_t *rgb, std::size_t size, uint32_t &sequence, std::string &reason);

private:
    struct Buffer {
        void *start = nullptr;
        std::size_t length = 0;
    };

    explicit Capture(const BusCard &card) : card_(card) {}
    // Each step of Open; false with `reason` set.
    bool OpenNode(std::string &reason);
    bool ChooseFormat(std::string &reason);
    bool StartStreaming(std::string &reason);
    struct Filled {
        uint32_t index;
        uint32_t sequence;
        std::size_t bytes;
        bool stale;  // filled long before it was taken
    };
    // The newest filled buffer, older ones queued again; false when none is
    // ready yet (`reason` empty) or on a failure (`reason` set).
    bool TakeNewestBuffer(Filled &newest, std::string &reason);
    bool Requeue(uint32_t index, std::string &reason);
    bool Convert(const uint8_t *source, std::size_t bytes, uint8_t *rgb, std::size_t size, std::string &reason);
    // "/dev/video0 ("<card>")", for sentences.
    std::string Named() const;
    // The sentence for a request that failed with `error` while `doing`.
    std::string Failed(const char *doing, uint32_t error) const;

    BusCard card_;
    int fd_ = -1;
    v4lconvert_data *convert_ = nullptr;
    v4l2_format source_{};  // what the device delivers
    v4l2_format target_{};  // RGB24 at the device's size
    TvV4l2CaptureFormat format_{};
    std::vector<Buffer> buffers_;       // mapped driver buffers (mmap)
    bool streaming_ = false;
    std::vector<uint8_t> readBuffer_;   // one frame's bytes (read())
    uint32_t readSequence_ = 0;
};

}  // namespace tvv4l2
