// The decoder's output stage: the source's picture with the picture controls
// applied to Y, U and V as the decoder applies them, packed into a pixel
// format.
#include "picture.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "test_card.h"
#include "tuner_model.h"

namespace tvsim {
namespace {

constexpr uint8_t kInputRegister = 0x01;
constexpr uint8_t kMuxField = 0x60;
constexpr uint8_t kMuxTuner = 0x20;  // also the luma pin of the S-video jack
constexpr uint8_t kMuxComposite = 0x60;
constexpr uint8_t kBrightnessRegister = 0x0A;
constexpr uint8_t kControlRegister = 0x0B;
constexpr uint8_t kSVideoBit = 0x40;
constexpr uint8_t kContrastHighBit = 0x04;
constexpr uint8_t kSaturationUHighBit = 0x02;
constexpr uint8_t kSaturationVHighBit = 0x01;
constexpr uint8_t kContrastRegister = 0x0C;
constexpr uint8_t kSaturationURegister = 0x0D;
constexpr uint8_t kSaturationVRegister = 0x0E;
constexpr uint8_t kHueRegister = 0x0F;

// The gains at which the controls leave the picture as it came: contrast
// and U saturation 256, V saturation 181 (U's unity over 1.41), the values
// the decoder starts with.
constexpr int32_t kUnityContrast = 256;
constexpr double kUnitySaturationU = 256;
constexpr double kUnitySaturationV = 181;
constexpr double kHueQuarterTurn = 128;  // hue +-128 turns U and V by +-90 degrees
constexpr double kPi = 3.141592653589793;
constexpr int32_t kFixedOne = 1 << 16;

constexpr uint32_t kMaxWidth = kMaxFrameSide;

// What the controls make of Y, U and V.
struct Controls {
    uint8_t luma[256];     // source Y to output Y: contrast then brightness
    int32_t rgbLuma[256];  // source Y to the luma term of R, G and B (below)
    // Hue rotation and saturation gains in one matrix, 16.16 fixed point:
    // U' = uu U + uv V, V' = vu U + vv V.
    int32_t uu, uv, vu, vv;
};

int32_t Clamp(int32_t x, int32_t low, int32_t high) { return std::min(std::max(x, low), high); }

// A register byte read as two's complement.
int32_t Signed(uint8_t byte) { return byte < 0x80 ? byte : byte - 0x100; }

Controls ControlsOf(const std::array<uint8_t, 256> &regs) {
    uint8_t control = regs[kControlRegister];
    // Brightness and hue are two's-complement bytes; the 9-bit gains take
    // their top bit from the control register.
    int32_t brightness = Signed(regs[kBrightnessRegister]);
    int32_t contrast = regs[kContrastRegister] | ((control & kContrastHighBit) != 0 ? 0x100 : 0);
    int32_t saturationU = regs[kSaturationURegister] | ((control & kSaturationUHighBit) != 0 ? 0x100 : 0);
    int32_t saturationV = regs[kSaturationVRegister] | ((control & kSaturationVHighBit) != 0 ? 0x100 : 0);
    int32_t hue = Signed(regs[kHueRegister]);

    Controls controls{};
    // Contrast is a gain on luma above black (16), brightness an offset after it.
    for (int32_t y = 0; y < 256; ++y) {
        int32_t gained = ((y - 16) * contrast + kUnityContrast / 2) >> 8;
        controls.luma[y] = static_cast<uint8_t>(Clamp(16 + gained + brightness, 0, 255));
        controls.rgbLuma[y] = 298 * (controls.luma[y] - 16) + 128;
    }
    double angle = hue * (kPi / 2) / kHueQuarterTurn;
    double gainU = saturationU / kUnitySaturationU * kFixedOne;
    double gainV = saturationV / kUnitySaturationV * kFixedOne;
    controls.uu = static_cast<int32_t>(std::lround(gainU * std::cos(angle)));
    controls.uv = static_cast<int32_t>(std::lround(-gainU * std::sin(angle)));
    controls.vu = static_cast<int32_t>(std::lround(gainV * std::sin(angle)));
    controls.vv = static_cast<int32_t>(std::lround(gainV * std::cos(angle)));
    return controls;
}

struct Layout {
    uint32_t bytesPerPixel;
};

bool LayoutOf(uint32_t format, Layout &layout) {
    switch (format) {
    case TVSIM_FORMAT_RGB24: layout.bytesPerPixel = 3; return true;
    case TVSIM_FORMAT_YUYV: layout.bytesPerPixel = 2; return true;
    default: return false;
    }
}

// The frame's start in microseconds at 30000/1001 frames a second:
// n * 1001000 / 30, kept exact without overflowing for any practical n.
uint64_t FrameTimeUs(uint64_t frameNumber) {
    constexpr uint64_t kUsPerThreeFrames = 100100;  // 3 frames last 3003/30000 s
    return frameNumber / 3 * kUsPerThreeFrames + frameNumber % 3 * kUsPerThreeFrames / 3;
}

// Chroma after the controls, remembered while it repeats: the pictures
// hold long runs of one colour (and snow none at all), so the matrix is
// worked out once a run rather than once a pixel.
class ChromaRuns {
public:
    explicit ChromaRuns(const Controls &controls) : controls_(controls) {}

    void At(int16_t u, int16_t v) {
        if (u == u_ && v == v_) return;
        u_ = u;
        v_ = v;
        cb = Clamp((controls_.uu * u + controls_.uv * v + kFixedOne / 2) >> 16, -128, 127);
        cr = Clamp((controls_.vu * u + controls_.vv * v + kFixedOne / 2) >> 16, -128, 127);
    }
    int32_t cb = 0, cr = 0;

private:
    const Controls &controls_;
    int32_t u_ = INT32_MIN, v_ = INT32_MIN;
};

// One output line from the source line after the controls. RGB from
// studio-range Y'CbCr with the ITU-R BT.601 matrix in 8-bit fixed point:
// R = 1.164 (Y-16) + 1.596 V, G = 1.164 (Y-16) - 0.391 U - 0.813 V,
// B = 1.164 (Y-16) + 2.018 U.
void PackLine(const Controls &controls, uint32_t format, uint32_t width, const uint8_t *y, const int16_t *u,
              const int16_t *v, uint8_t *out) {
    ChromaRuns chroma(controls);
    if (format == TVSIM_FORMAT_YUYV) {
        for (uint32_t x = 0; x < width; x += 2, out += 4) {
            chroma.At(u[x], v[x]);
            int32_t cb = chroma.cb, cr = chroma.cr;
            chroma.At(u[x + 1], v[x + 1]);
            out[0] = controls.luma[y[x]];
            out[1] = static_cast<uint8_t>(128 + ((cb + chroma.cb) >> 1));
            out[2] = controls.luma[y[x + 1]];
            out[3] = static_cast<uint8_t>(128 + ((cr + chroma.cr) >> 1));
        }
        return;
    }
    int32_t red = 0, green = 0, blue = 0;
    for (uint32_t x = 0; x < width; ++x, out += 3) {
        if (x == 0 || u[x] != u[x - 1] || v[x] != v[x - 1]) {
            chroma.At(u[x], v[x]);
            red = 409 * chroma.cr;
            green = -100 * chroma.cb - 208 * chroma.cr;
            blue = 516 * chroma.cb;
        }
        int32_t luma = controls.rgbLuma[y[x]];
        out[0] = static_cast<uint8_t>(Clamp((luma + red) >> 8, 0, 255));
        out[1] = static_cast<uint8_t>(Clamp((luma + green) >> 8, 0, 255));
        out[2] = static_cast<uint8_t>(Clamp((luma + blue) >> 8, 0, 255));
    }
}

}  // namespace

uint32_t SelectedInput(const std::array<uint8_t, 256> &decoder) {
    uint8_t mux = decoder[kInputRegister] & kMuxField;
    if ((decoder[kControlRegister] & kSVideoBit) != 0) return mux == kMuxTuner ? TVSIM_INPUT_SVIDEO : TVSIM_INPUT_NONE;
    if (mux == kMuxTuner) return TVSIM_INPUT_TUNER;
    if (mux == kMuxComposite) return TVSIM_INPUT_COMPOSITE;
    return TVSIM_INPUT_NONE;
}

uint32_t RenderFrame(const PictureState &state, uint64_t frameNumber, uint32_t format, void *buffer, uint32_t size,
                     TvSimFrameInfo *info) {
    Layout layout{};
    if (!LayoutOf(format, layout) || !FrameSizeFits(state.width, state.height)) return 0;
    uint32_t input = SelectedInput(state.decoder);
    uint32_t bytesPerLine = state.width * layout.bytesPerPixel;
    uint32_t frameBytes = bytesPerLine * state.height;
    if (info != nullptr) {
        TvSimFrameInfo facts{};
        facts.frameNumber = frameNumber;
        facts.timeUs = FrameTimeUs(frameNumber);
        facts.carrierMHz = state.tunerProgrammed ? static_cast<double>(state.carrierSteps) / kStepsPerMHz : 0.0;
        facts.format = format;
        facts.width = state.width;
        facts.height = state.height;
        facts.bytesPerLine = bytesPerLine;
        facts.size = frameBytes;
        facts.input = input;
        facts.locked = input == TVSIM_INPUT_COMPOSITE || input == TVSIM_INPUT_SVIDEO ||
                               (input == TVSIM_INPUT_TUNER && state.locked)
                           ? 1
                           : 0;
        *info = facts;
    }
    if (buffer == nullptr) return frameBytes;
    if (size < frameBytes) return 0;

    Controls controls = ControlsOf(state.decoder);
    Scene scene = SceneFor(input, state.locked, state.carrierSteps);
    uint8_t y[kMaxWidth];
    int16_t u[kMaxWidth];
    int16_t v[kMaxWidth];
    auto *out = static_cast<uint8_t *>(buffer);
    for (uint32_t line = 0; line < state.height; ++line, out += bytesPerLine) {
        SourceLine(scene, frameNumber, line, state.width, state.height, y, u, v);
        PackLine(controls, format, state.width, y, u, v, out);
    }
    return frameBytes;
}

}  // namespace tvsim
