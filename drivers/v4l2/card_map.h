// What the bus driver learns at connect: how the board wires the decoder's
// input multiplexer, and which V4L2 input stands for the card's tuner,
// composite and S-video inputs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvv4l2 {

constexpr std::size_t kMaxInputs = 32;
constexpr int kNoInput = -1;

struct InputInfo {
    uint32_t type;   // V4L2_INPUT_TYPE_*
    uint32_t tuner;  // the V4L2 tuner of a tuner input
    char name[33];
};

struct CardMap {
    bool alternativeBoard;
    uint8_t tunerMux;      // multiplexer field of the tuner and of S-video's luma
    uint8_t compositeMux;  // multiplexer field of composite
    int tunerInput;        // V4L2 input numbers, kNoInput when the device has none
    int compositeInput;
    int svideoInput;
    std::size_t inputCount;
    InputInfo inputs[kMaxInputs];
};

// Learns the board (TVV4L2_BOARD, else vidcfg.ini as the library reads it)
// and the inputs of the open device (VIDIOC_ENUMINPUT, then TVV4L2_INPUTS).
// False with the reason when a setting is wrong or there is no tuner input.
bool LearnCard(int fd, CardMap &map, char *reason, std::size_t size);

}  // namespace tvv4l2
