// The watch page's picture: one capture shared by every viewer. A thread
// grabs a frame at each tick of 30000/1001 a second while somebody watches,
// encodes it once as JPEG, and publishes it; each viewer takes the newest
// picture when it is ready for one, so a slow viewer skips frames and never
// holds up the capture, the other viewers or the controls.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame_source.h"

namespace tvctl {

// One encoded frame and what was on it.
struct Picture {
    std::shared_ptr<const std::vector<uint8_t>> jpeg;  // null when no frame came
    uint64_t sequence = 0;  // counts the pictures published (0: none yet)
    Frame info;             // the frame's description; its pixels are not kept
    std::string error;      // why no frame came
};

class FrameStream {
public:
    // `beforeGrab` runs before each grab on the capture thread (the card's
    // state brought up to date); may be empty.
    FrameStream(FrameSource &source, int quality, std::function<void()> beforeGrab);
    ~FrameStream();
    FrameStream(const FrameStream &) = delete;
    FrameStream &operator=(const FrameStream &) = delete;

    // A viewer while it lives: the capture runs while there is one.
    class Viewer {
    public:
        explicit Viewer(FrameStream &stream);
        ~Viewer();
        Viewer(const Viewer &) = delete;
        Viewer &operator=(const Viewer &) = delete;
        // The next picture after `sequence`; an empty one once the stream stops.
        Picture Next(uint64_t sequence);

    private:
        FrameStream &stream_;
    };

    // A picture of now for a still image: the newest published one when it
    // is at most a frame old, else one grabbed for the purpose.
    Picture Still();

    // Ends the capture and wakes every viewer (they get an empty picture).
    void Stop();

private:
    void Capture();
    Picture GrabAndEncode();

    FrameSource &source_;
    int quality_;
    std::function<void()> beforeGrab_;
    std::mutex grabLock_;  // one grab at a time: the capture's and a still's
    Frame frame_;          // reused frame buffer (under grabLock_)
    std::mutex lock_;      // what follows
    std::condition_variable changed_;
    Picture latest_;
    std::chrono::steady_clock::time_point latestAt_{};
    int viewers_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tvctl
