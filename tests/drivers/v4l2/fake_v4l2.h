// A fake V4L2 at the drivers' system-call boundary: device nodes in /dev
// that open and answer the ioctls the drivers make (capabilities, inputs,
// the tuner, controls), and a log of every request that changes something,
// with its arguments. Paths outside /dev reach the real system calls.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fake_v4l2_capture.h"
#include "tvv4l2.h"

namespace tvtest {

struct FakeControl {
    int32_t min = 0, max = 255, value = 128;
    bool disabled = false;
};

struct FakeInput {
    std::string name;
    uint32_t type = V4L2_INPUT_TYPE_CAMERA;
    uint32_t tuner = 0;
    uint32_t status = 0;  // reported for the current input only, as drivers do
};

struct FakeVideo {
    std::string card = "Fake TV card";
    uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_TUNER | V4L2_CAP_AUDIO;
    std::vector<FakeInput> inputs;
    uint32_t input = 0;
    uint32_t tunerCapability = 0;  // V4L2_TUNER_CAP_LOW / _1HZ, else 62.5 kHz
    uint32_t rangeLow = 44 * 16, rangeHigh = 958 * 16;  // in 1/16 MHz whatever the unit
    uint32_t frequency = 0;                            // in the tuner's unit
    std::vector<uint32_t> stations;  // frequencies (tuner units) with full signal
    std::vector<v4l2_std_id> standards;  // as ENUMSTD lists them; none: the device has no standards
    v4l2_std_id standard = 0;            // G_STD; S_STD takes any subset of one listed standard
    uint32_t audmode = V4L2_TUNER_MODE_STEREO;
    uint32_t rxsubchans = V4L2_TUNER_SUB_MONO | V4L2_TUNER_SUB_STEREO;
    std::map<uint32_t, FakeControl> controls;
    bool brightnessFollowsInput = false;  // brightness range 128*i .. 255+128*i on input i
    std::map<unsigned long, int> failures;  // request -> errno it fails with
    int openErrno = 0;                      // nonzero: opening the node fails with this errno
    FakeCapture capture;                    // the picture (fake_v4l2_capture.h)
};

struct FakeV4l2 {
    std::map<std::string, FakeVideo> devices;  // by path, /dev/videoN
    std::vector<std::string> strayEntries{"vbi0", "video", "videox", "null"};  // other /dev entries
    std::map<int, std::string> openFds;
    std::vector<std::string> opened;
    std::vector<std::string> effects;  // "S_INPUT 3", "S_CTRL brightness 200", "S_FREQUENCY 0 2 2804"
    int requests = 0;
};

FakeV4l2 &Fake();
void ResetFake();
TvV4l2SysCalls FakeSysCalls();

// A device like the kernel's vivid test driver with one TV input, two
// webcams and an S-video input: picture controls 0..255 (hue -128..128),
// brightness moving with the input, volume 0..255 and mute, stations on a
// 6 MHz raster from 49.25 MHz.
FakeVideo VividLike();

}  // namespace tvtest
