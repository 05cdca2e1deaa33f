// Where tvctl's pictures come from: the simulated card's own renderer, or
// (where a bus driver offers one) a device's capture. Snapshot and watch take
// frames through this one interface, whatever the bus.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "console.h"
#include "session.h"

namespace tvctl {

// One frame as RGB24, lines top to bottom without padding.
struct Frame {
    std::vector<uint8_t> rgb;  // width * height * 3 bytes
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t number = 0;      // the frame's sequence number at its source
    std::string input;        // "tuner", "composite", "svideo", or the device's own input name
    bool locked = false;      // a signal is shown (a station, or a jack's picture)
    double carrierMHz = 0;    // the tuner's picture carrier, 0 when not on the tuner or unknown
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Takes one frame into `frame` (its buffer reused when big enough): the
    // frame `number` where the source renders on demand (the simulated
    // card), else the next one the device delivers. "" when a frame came,
    // else the sentence that says why none did.
    virtual std::string Grab(Frame &frame, std::optional<uint64_t> number = std::nullopt) = 0;
    // What the frames come from, in words ("the simulated card").
    virtual std::string Describe() const = 0;
};

// The frame showing now on a card that renders on demand: counted at
// 30000/1001 frames a second since the Unix epoch, so successive frames move
// on as a live picture does.
uint64_t FrameNow();

// The frame source of the session's bus (the library is loaded first); null
// with `reply` failed when the library cannot be loaded or the bus offers
// no picture.
std::unique_ptr<FrameSource> OpenFrameSource(Session &session, Reply &reply);

}  // namespace tvctl
