// The fake V4L2's picture: pixel formats, streaming with mmap buffers and
// read(), every frame one colour encoded in the current format, and another
// program's stream that makes the device busy.
#pragma once

#include <linux/videodev2.h>
#include <sys/time.h>

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "tvv4l2_capture.h"

namespace tvtest {

struct FakeVideo;

struct FakeCapture {
    std::vector<uint32_t> formats{V4L2_PIX_FMT_YUYV};  // offered, in VIDIOC_ENUM_FMT's order
    uint32_t pixelFormat = V4L2_PIX_FMT_YUYV;          // the current one
    uint32_t width = 64, height = 48;                  // the only size
    std::array<uint8_t, 3> colour{200, 100, 50};       // every pixel, as RGB
    bool otherStream = false;  // another program streams: S_FMT and REQBUFS answer EBUSY
    bool framesCome = true;    // poll finds a frame ready

    std::vector<std::vector<uint8_t>> buffers;
    struct Filled {
        uint32_t index, sequence;
        timeval taken;  // on the monotonic clock, as the kernel stamps it
    };
    std::deque<uint32_t> queued;  // by the caller, to be filled
    std::deque<Filled> filled;    // waiting for the caller's VIDIOC_DQBUF
    bool streaming = false;
    uint32_t sequence = 0;
    int mapped = 0;  // buffers mapped and not yet unmapped
};

// The driver fills every buffer the caller has queued, as a driver does
// while nobody takes frames: with the current colour, stamped `ageMs` ago.
void FakeFillQueued(FakeCapture &capture, int ageMs);

// The capture's ioctls on `video`; ENOTTY for any other request.
int FakeCaptureIoctl(FakeVideo &video, unsigned long request, void *arg);

TvV4l2CaptureSysCalls FakeCaptureSysCalls();

// The bytes a line of the format takes, and a frame.
uint32_t FakeBytesPerLine(uint32_t pixelFormat, uint32_t width);
uint32_t FakeFrameBytes(uint32_t pixelFormat, uint32_t width, uint32_t height);

}  // namespace tvtest
