#include "register_file.h"

#include <cstring>

#include "tvcore/card/decoder.h"
#include "tvcore/card/picture.h"
#include "tvcore/card/tuner.h"
#include "tvv4l2.h"
#include "video_device.h"

namespace tvv4l2 {

using namespace tvcore::card;

// A picture control: its low register, and the control-register bit that
// holds its bit 8 (0 for a two's-complement byte). The registers hold levels
// in the card's encoding (tvcore/card/picture.h): a centred byte, or a 9-bit
// figure.
struct RegisterFile::Picture {
    uint32_t cid;
    uint8_t reg;
    uint8_t msbBit;
};

namespace {

using Picture = RegisterFile::Picture;
constexpr Picture kBrightness{V4L2_CID_BRIGHTNESS, kRegBrightness, 0};
constexpr Picture kContrast{V4L2_CID_CONTRAST, kRegContrastLo, kControlContrast8};
constexpr Picture kSaturation{V4L2_CID_SATURATION, kRegSatULo, kControlSatU8};
constexpr Picture kHue{V4L2_CID_HUE, kRegHue, 0};

// The tuner's oscillator runs 45.75 MHz above the picture carrier; the
// divider counts 1/16 MHz, so the carrier in 1/16 MHz is divider - 732.
constexpr uint32_t kIntermediateSixteenths = kIfOffsetKHz * 1000 / kDividerStepHz;
constexpr uint32_t kTunerBlockSize = std::tuple_size_v<TunerBlock>;
constexpr uint32_t kLowUnitsPerSixteenth = 1000;    // V4L2_TUNER_CAP_LOW: 62.5 Hz
constexpr uint32_t kHertzPerSixteenth = 62500;      // V4L2_TUNER_CAP_1HZ: 1 Hz

uint32_t LevelMax(const Picture &picture) { return picture.msbBit != 0 ? kNineBitMax : kPictureMax; }

uint8_t SetBit(uint8_t byte, uint8_t bit, bool on) {
    return static_cast<uint8_t>(on ? (byte | bit) : (byte & ~bit));
}

}  // namespace

void RegisterFile::Attach(int fd, const CardMap &map) {
    fd_ = fd;
    map_ = map;
    std::memset(decoder_, 0, sizeof decoder_);
    std::memset(tuner_, 0, sizeof tuner_);
    tuneRefused_ = false;
}

uint32_t RegisterFile::CheckTarget(uint16_t device, uint16_t reg) const {
    if (fd_ < 0) return TVV4L2_ERR_NOT_OPEN;
    // The low bit of the address byte is the read/write bit: 0x89 is 0x88.
    const uint16_t address = static_cast<uint16_t>(device & ~1u);
    if (address != kDecoderAddress && address != kTunerAddress) return TVV4L2_ERR_NO_DEVICE;
    if (reg > 0xFF) return TVV4L2_ERR_BAD_REGISTER;
    return 0;
}

uint32_t RegisterFile::Read(uint16_t device, uint16_t reg) {
    uint32_t refused = CheckTarget(device, reg);
    if (refused != 0) return TVV4L2_READ_FAILURE(refused, 0xFF);
    if ((device & ~1u) == kTunerAddress) return tuner_[reg];
    uint8_t value = 0;
    uint32_t failed = ReadDecoder(static_cast<uint8_t>(reg), value);
    return failed != 0 ? TVV4L2_READ_FAILURE(failed, value) : value;
}

uint32_t RegisterFile::Write(uint16_t device, uint16_t reg, uint16_t value) {
    uint32_t refused = CheckTarget(device, reg);
    if (refused != 0) return TVV4L2_WRITE_FAILURE(refused);
    const uint8_t byte = static_cast<uint8_t>(value & 0xFF);
    if ((device & ~1u) == kTunerAddress) {
        tuner_[reg] = byte;
        return 0;
    }
    return TVV4L2_WRITE_FAILURE(WriteDecoder(static_cast<uint8_t>(reg), byte));
}

// To the tuner: the 4-byte programming block. To the decoder: a register
// number and the values of the registers from there on, as a decoder with
// an auto-incrementing register pointer takes them.
uint32_t RegisterFile::WriteBlock(uint16_t device, const uint8_t *bytes, uint32_t count) {
    uint32_t refused = CheckTarget(device, 0);
    if (refused == 0 && bytes == nullptr) refused = TVV4L2_ERR_NULL_BLOCK;
    if (refused != 0) return TVV4L2_WRITE_FAILURE(refused);
    if ((device & ~1u) == kTunerAddress) {
        if (count != kTunerBlockSize) return TVV4L2_WRITE_FAILURE(TVV4L2_ERR_BAD_COUNT);
        std::memcpy(tuner_, bytes, kTunerBlockSize);
        return TVV4L2_WRITE_FAILURE(Tune(bytes));
    }
    if (count < 1 || uint32_t{bytes[0]} + count - 1 > 0x100) return TVV4L2_WRITE_FAILURE(TVV4L2_ERR_BAD_COUNT);
    uint32_t firstFailure = 0;
    for (uint32_t i = 1; i < count; ++i) {
        uint32_t failed = WriteDecoder(static_cast<uint8_t>(bytes[0] + i - 1), bytes[i]);
        if (firstFailure == 0) firstFailure = failed;
    }
    return TVV4L2_WRITE_FAILURE(firstFailure);
}

// Each register that ends one of the library's write sequences applies it:
// the input register (after the control register's S-video bit), contrast's
// low byte (after its bit 8), saturation V (after bit 8 and U), brightness
// and hue (one register each).
uint32_t RegisterFile::WriteDecoder(uint8_t reg, uint8_t value) {
    decoder_[reg] = value;
    switch (reg) {
    case kRegInput: return ApplyInput();
    case kRegBrightness: return ApplyPicture(kBrightness);
    case kRegContrastLo: return ApplyPicture(kContrast);
    case kRegSatVLo: return ApplyPicture(kSaturation);
    case kRegHue: return ApplyPicture(kHue);
    default: return 0;
    }
}

uint32_t RegisterFile::ReadDecoder(uint8_t reg, uint8_t &value) {
    value = decoder_[reg];
    uint32_t failed = 0;
    uint32_t level = 0;
    switch (reg) {
    case kRegStatus: {
        bool locked = false;
        failed = ReadLock(locked);
        value = SetBit(value, kStatusLock, failed == 0 && locked);
        return failed;
    }
    case kRegInput: {
        uint8_t mux = 0;
        bool svideo = false;
        failed = ReadInputBits(mux, svideo);
        if (failed == 0) value = static_cast<uint8_t>((value & ~kInputMuxMask) | mux);
        break;
    }
    case kRegBrightness:
    case kRegHue:
        failed = ReadPictureLevel(reg == kRegHue ? kHue : kBrightness, level);
        if (failed == 0) value = CentredByte(level);
        break;
    case kRegContrastLo:
    case kRegSatULo:
        failed = ReadPictureLevel(reg == kRegContrastLo ? kContrast : kSaturation, level);
        if (failed == 0) value = static_cast<uint8_t>(level & 0xFF);
        break;
    case kRegSatVLo:
        failed = ReadPictureLevel(kSaturation, level);
        if (failed == 0) value = static_cast<uint8_t>(SaturationVFigure(level) & 0xFF);
        break;
    case kRegControl: {
        // Each bit from the device where it can say, else as stored.
        uint8_t mux = 0;
        bool svideo = false;
        uint32_t part = ReadInputBits(mux, svideo);
        if (part == 0) value = SetBit(value, kControlSVideo, svideo);
        failed = part;
        part = ReadPictureLevel(kContrast, level);
        if (part == 0) value = ControlWithBit8(value, kControlContrast8, level);
        if (failed == 0) failed = part;
        part = ReadPictureLevel(kSaturation, level);
        if (part == 0) {
            value = ControlWithBit8(value, kControlSatU8, level);
            value = ControlWithBit8(value, kControlSatV8, SaturationVFigure(level));
        }
        if (failed == 0) failed = part;
        break;
    }
    default: return 0;
    }
    // A register whose control or input the device lacks is plain storage.
    if (failed == TVV4L2_ERR_NO_CONTROL || failed == TVV4L2_ERR_NO_INPUT) failed = 0;
    return failed;
}

uint32_t RegisterFile::CurrentInput(int &input) const {
    unsigned index = 0;
    uint32_t failed = Request(fd_, VIDIOC_G_INPUT, &index);
    input = static_cast<int>(index);
    return failed;
}

uint32_t RegisterFile::ApplyInput() {
    const uint8_t mux = decoder_[kRegInput] & kInputMuxMask;
    const bool svideo = (decoder_[kRegControl] & kControlSVideo) != 0;
    int wanted = kNoInput;
    if (mux == map_.tunerMux)
        wanted = svideo ? map_.svideoInput : map_.tunerInput;
    else if (mux == map_.compositeMux)
        wanted = map_.compositeInput;
    if (wanted == kNoInput) return TVV4L2_ERR_NO_INPUT;
    int current = kNoInput;
    uint32_t failed = CurrentInput(current);
    if (failed != 0 || current == wanted) return failed;
    unsigned index = static_cast<unsigned>(wanted);
    return Request(fd_, VIDIOC_S_INPUT, &index);
}

uint32_t RegisterFile::ReadInputBits(uint8_t &muxField, bool &svideo) {
    int current = kNoInput;
    uint32_t failed = CurrentInput(current);
    if (failed != 0) return failed;
    svideo = false;
    if (current == map_.tunerInput) {
        muxField = map_.tunerMux;
    } else if (current == map_.svideoInput) {
        muxField = map_.tunerMux;
        svideo = true;
    } else if (current == map_.compositeInput) {
        muxField = map_.compositeMux;
    } else {
        return TVV4L2_ERR_NO_INPUT;  // an input the board does not wire: the stored bits stand
    }
    return 0;
}

// On a tuner input: the tuner reports signal (and took the last block). On
// any other input: its status shows no loss of signal or sync.
uint32_t RegisterFile::ReadLock(bool &locked) {
    locked = false;
    int current = kNoInput;
    uint32_t failed = CurrentInput(current);
    if (failed != 0) return failed;
    const bool known = current >= 0 && static_cast<std::size_t>(current) < map_.inputCount;
    if (known && map_.inputs[current].type == V4L2_INPUT_TYPE_TUNER) {
        v4l2_tuner tuner{};
        tuner.index = map_.inputs[current].tuner;
        failed = Request(fd_, VIDIOC_G_TUNER, &tuner);
        locked = failed == 0 && tuner.signal > 0 && !tuneRefused_;
        return failed;
    }
    v4l2_input input{};
    input.index = static_cast<uint32_t>(current);
    failed = Request(fd_, VIDIOC_ENUMINPUT, &input);
    locked = failed == 0 && (input.status & kNoPictureStatus) == 0;
    return failed;
}

uint32_t RegisterFile::StoredLevel(const Picture &picture) const {
    if (picture.msbBit == 0) return ValueOfCentredByte(decoder_[picture.reg]);
    return JoinNineBit(decoder_[picture.reg], decoder_[kRegControl], picture.msbBit);
}

// The control's range is asked at every use: a device may change it (with
// the input, for instance).
uint32_t RegisterFile::ApplyPicture(const Picture &picture) {
    ControlRange range{};
    uint32_t failed = QueryControl(fd_, picture.cid, range);
    if (failed != 0) return failed;
    return SetControl(fd_, picture.cid, LevelToControl(StoredLevel(picture), LevelMax(picture), range));
}

uint32_t RegisterFile::ReadPictureLevel(const Picture &picture, uint32_t &level) const {
    ControlRange range{};
    uint32_t failed = QueryControl(fd_, picture.cid, range);
    int32_t value = 0;
    if (failed == 0) failed = GetControl(fd_, picture.cid, value);
    if (failed == 0) level = ControlToLevel(value, LevelMax(picture), range);
    return failed;
}

// The block's divider less the intermediate frequency, in the tuner's unit,
// within the tuner's range; anything else is refused untuned. The control
// and band bytes are kept in the register file only: the kernel's tuner
// driver chooses the band itself.
uint32_t RegisterFile::Tune(const uint8_t *block) {
    tuneRefused_ = true;
    const uint32_t divider = (uint32_t{block[0]} << 8) | block[1];
    if (divider < kIntermediateSixteenths) return TVV4L2_ERR_RANGE;
    v4l2_tuner tuner{};
    tuner.index = map_.inputs[map_.tunerInput].tuner;
    uint32_t failed = Request(fd_, VIDIOC_G_TUNER, &tuner);
    if (failed != 0) return failed;
    uint32_t frequency = divider - kIntermediateSixteenths;
    if ((tuner.capability & V4L2_TUNER_CAP_LOW) != 0)
        frequency *= kLowUnitsPerSixteenth;
    else if ((tuner.capability & V4L2_TUNER_CAP_1HZ) != 0)
        frequency *= kHertzPerSixteenth;
    if (frequency < tuner.rangelow || frequency > tuner.rangehigh) return TVV4L2_ERR_RANGE;
    v4l2_frequency request{};
    request.tuner = tuner.index;
    request.type = static_cast<v4l2_tuner_type>(tuner.type);
    request.frequency = frequency;
    failed = Request(fd_, VIDIOC_S_FREQUENCY, &request);
    if (failed == 0) tuneRefused_ = false;
    return failed;
}

}  // namespace tvv4l2
