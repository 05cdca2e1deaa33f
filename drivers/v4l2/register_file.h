// The card as the library sees it: a register file for the video decoder
// (0x88) and the tuner (0xC2) whose effects are V4L2 requests to one open
// device. Registers that carry an input, a picture control or the lock are
// read from the device; every other register is plain storage. Results as
// in tvv4l2.h. Not thread-safe by itself: the bus entry serialises calls.
#pragma once

#include <cstdint>

#include "card_map.h"

namespace tvv4l2 {

class RegisterFile {
public:
    struct Picture;  // a picture control and its registers

    // Starts serving `fd` with every register 0; `fd` -1 stops serving.
    void Attach(int fd, const CardMap &map);
    int Fd() const { return fd_; }
    // The V4L2 tuner of the tuner input.
    uint32_t TunerIndex() const { return map_.tunerInput == kNoInput ? 0 : map_.inputs[map_.tunerInput].tuner; }

    uint32_t Read(uint16_t device, uint16_t reg);
    uint32_t Write(uint16_t device, uint16_t reg, uint16_t value);
    uint32_t WriteBlock(uint16_t device, const uint8_t *bytes, uint32_t count);

private:
    uint32_t CheckTarget(uint16_t device, uint16_t reg) const;
    uint32_t WriteDecoder(uint8_t reg, uint8_t value);
    uint32_t ReadDecoder(uint8_t reg, uint8_t &value);
    uint32_t ApplyInput();
    uint32_t CurrentInput(int &input) const;
    uint32_t ReadInputBits(uint8_t &muxField, bool &svideo);
    uint32_t ReadLock(bool &locked);
    uint32_t ApplyPicture(const Picture &picture);
    uint32_t ReadPictureLevel(const Picture &picture, uint32_t &level) const;
    uint32_t StoredLevel(const Picture &picture) const;
    uint32_t Tune(const uint8_t *block);

    int fd_ = -1;
    CardMap map_{};
    uint8_t decoder_[256] = {};
    uint8_t tuner_[256] = {};
    bool tuneRefused_ = false;  // the last tuner block was not tuned: no lock until one is
};

}  // namespace tvv4l2
