// The source pictures. Every picture but snow and black is laid out in four
// bands from the top: a pattern of its own (colour bars for a station), a
// label drawn large, a grey scale, and a strip in which a box moves and the
// frame's time code counts, so that a live view shows motion.
#include "test_card.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "font.h"
#include "tuner_model.h"
#include "tvsim.h"

namespace tvsim {
namespace {

struct Yuv {
    uint8_t y;
    int16_t u, v;
};

constexpr int Round(double x) { return static_cast<int>(x < 0 ? x - 0.5 : x + 0.5); }

// R'G'B' (0..1) to studio-range Y'CbCr with the ITU-R BT.601 luma weights
// (0.299, 0.587, 0.114): Y' on 16..235, Cb and Cr on -112..112.
constexpr Yuv FromRgb(double r, double g, double b) {
    double luma = 0.299 * r + 0.587 * g + 0.114 * b;
    return {static_cast<uint8_t>(16 + Round(219 * luma)), static_cast<int16_t>(Round(224 * (b - luma) / 1.772)),
            static_cast<int16_t>(Round(224 * (r - luma) / 1.402))};
}

// 75 % colour bars (the 100/0/75/0 bars of ITU-R BT.471): white, yellow,
// cyan, green, magenta, red, blue, each primary at 75 % amplitude.
constexpr double kBar = 0.75;
constexpr Yuv kBars[] = {FromRgb(kBar, kBar, kBar), FromRgb(kBar, kBar, 0), FromRgb(0, kBar, kBar),
                         FromRgb(0, kBar, 0),       FromRgb(kBar, 0, kBar), FromRgb(kBar, 0, 0),
                         FromRgb(0, 0, kBar)};
constexpr uint32_t kBarCount = sizeof kBars / sizeof kBars[0];

constexpr uint8_t kBlack = 16;
constexpr uint8_t kWhite = 235;
constexpr uint8_t kLabelGround = 48;  // the dark grey behind the label
constexpr uint8_t kStripGround = 32;  // the darker grey of the motion strip
constexpr uint8_t kTimeCodeGrey = 180;
constexpr uint32_t kGreySteps = 8;
constexpr uint32_t kSweepFrames = 120;  // the moving box crosses its strip in about 4 s
constexpr double kTintChroma = 60;
// Neighbouring channels get tints far apart on the colour circle: each
// 6 MHz of carrier turns the tint by the golden angle.
constexpr double kGoldenAngle = 2.399963229728653;
constexpr int32_t kChannelSpacingSteps = 6 * kStepsPerMHz;

// Where the bands end, in lines from the top.
struct Bands {
    uint32_t pattern, label, steps;
};

Bands BandsOf(uint32_t height) { return {height * 58 / 100, height * 80 / 100, height * 90 / 100}; }

void Fill(uint8_t *y, int16_t *u, int16_t *v, uint32_t from, uint32_t to, Yuv colour) {
    std::fill(y + from, y + to, colour.y);
    std::fill(u + from, u + to, colour.u);
    std::fill(v + from, v + to, colour.v);
}

// A text line of `length` characters placed in a box: the largest whole
// number of dots per glyph dot that fits 3/5 of the box's height and its
// width, centred in the box.
struct TextPlace {
    uint32_t left, top, scale;
};

TextPlace PlaceText(size_t length, uint32_t boxLeft, uint32_t boxWidth, uint32_t boxTop, uint32_t boxHeight) {
    uint32_t columns = static_cast<uint32_t>(length) * font::kAdvance;
    uint32_t scale = std::min(boxHeight * 3 / 5 / font::kGlyphHeight, columns == 0 ? 1 : boxWidth / columns);
    scale = std::max(scale, 1u);
    uint32_t textWidth = columns == 0 ? 0 : (columns - 1) * scale;
    uint32_t textHeight = font::kGlyphHeight * scale;
    return {boxLeft + (boxWidth > textWidth ? (boxWidth - textWidth) / 2 : 0),
            boxTop + (boxHeight > textHeight ? (boxHeight - textHeight) / 2 : 0), scale};
}

void DrawText(const char *text, const TextPlace &place, uint32_t line, uint32_t width, uint8_t luma, uint8_t *y,
              int16_t *u, int16_t *v) {
    if (line < place.top || line >= place.top + font::kGlyphHeight * place.scale) return;
    int row = static_cast<int>((line - place.top) / place.scale);
    for (uint32_t i = 0; text[i] != '\0'; ++i) {
        uint8_t bits = font::GlyphRow(text[i], row);
        for (int dot = 0; dot < font::kGlyphWidth; ++dot) {
            if ((bits & (0x10u >> dot)) == 0) continue;
            uint32_t from = place.left + (i * font::kAdvance + static_cast<uint32_t>(dot)) * place.scale;
            if (from >= width) return;
            Fill(y, u, v, from, std::min(from + place.scale, width), {luma, 0, 0});
        }
    }
}

// The source's own pattern in the top band.
void PatternLine(const Scene &scene, uint32_t line, uint32_t width, uint32_t bandHeight, uint8_t *y, int16_t *u,
                 int16_t *v) {
    switch (scene.kind) {
    case Scene::Kind::TestCard:  // vertical colour bars
        for (uint32_t bar = 0; bar < kBarCount; ++bar)
            Fill(y, u, v, width * bar / kBarCount, width * (bar + 1) / kBarCount, kBars[bar]);
        break;
    case Scene::Kind::SVideo: {  // the bars lying down, blue on top
        uint32_t bar = kBarCount - 1 - std::min(line * kBarCount / bandHeight, kBarCount - 1);
        Fill(y, u, v, 0, width, kBars[bar]);
        break;
    }
    case Scene::Kind::Composite: {  // the colour plane: U grows to the right, V upwards
        auto vAt = static_cast<int16_t>(100 - static_cast<int32_t>(200 * line / bandHeight));
        for (uint32_t x = 0; x < width; ++x) {
            y[x] = 126;
            u[x] = static_cast<int16_t>(static_cast<int32_t>(200 * x / width) - 100);
            v[x] = vAt;
        }
        break;
    }
    case Scene::Kind::Snow:
    case Scene::Kind::Black: break;
    }
}

// The strip at the bottom: a white box sweeping across its left part, and
// the frame's time code at 30 frame numbers a second (hours:minutes:seconds:frames).
void MotionLine(uint64_t frameNumber, uint32_t line, uint32_t width, uint32_t top, uint32_t height, uint8_t *y,
                int16_t *u, int16_t *v) {
    Fill(y, u, v, 0, width, {kStripGround, 0, 0});
    uint32_t boxWidth = width / 10;
    uint32_t travel = width * 3 / 5 - boxWidth;
    uint32_t left = static_cast<uint32_t>(frameNumber % kSweepFrames) * travel / (kSweepFrames - 1);
    uint32_t margin = (height - top) / 5;
    if (line >= top + margin && line + margin < height) Fill(y, u, v, left, left + boxWidth, {kWhite, 0, 0});

    char code[24];
    uint64_t seconds = frameNumber / 30;
    (void)std::snprintf(code, sizeof code, "%02u:%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600 % 100),
                  static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60),
                  static_cast<unsigned>(frameNumber % 30));
    uint32_t codeLeft = width * 3 / 5;
    DrawText(code, PlaceText(std::strlen(code), codeLeft, width - codeLeft, top, height - top), line, width,
             kTimeCodeGrey, y, u, v);
}

uint64_t SplitMix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15u;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// Snow: grey noise (the decoder's colour killer takes the chroma of a
// signal without colour burst), new in every frame and line, a little
// smeared along the line as the receiver's bandwidth smears it.
void SnowLine(uint64_t frameNumber, uint32_t line, uint32_t width, uint8_t *y, int16_t *u, int16_t *v) {
    auto state = static_cast<uint32_t>(SplitMix64(frameNumber * 4096 + line)) | 1u;
    uint32_t previous = 126;
    for (uint32_t x = 0; x < width; ++x) {
        state ^= state << 13;  // xorshift32
        state ^= state >> 17;
        state ^= state << 5;
        uint32_t level = kBlack + ((state >> 24) * (kWhite - kBlack) >> 8);
        previous = (previous + 3 * level) / 4;
        y[x] = static_cast<uint8_t>(previous);
    }
    std::fill(u, u + width, int16_t{0});
    std::fill(v, v + width, int16_t{0});
}

}  // namespace

Scene SceneFor(uint32_t input, bool locked, int32_t carrierSteps) {
    Scene scene;
    switch (input) {
    case TVSIM_INPUT_TUNER:
        if (!locked) {
            scene.kind = Scene::Kind::Snow;
            break;
        }
        scene.kind = Scene::Kind::TestCard;
        {
            int32_t hundredths = carrierSteps * 100 / kStepsPerMHz;  // carriers lie on whole 1/16 MHz steps
            (void)std::snprintf(scene.label, sizeof scene.label, "%d.%02d MHZ", hundredths / 100, hundredths % 100);
            int32_t channel = carrierSteps / kChannelSpacingSteps;
            double angle = std::fmod(channel * kGoldenAngle, 2 * 3.141592653589793);
            scene.tintU = static_cast<int16_t>(Round(kTintChroma * std::cos(angle)));
            scene.tintV = static_cast<int16_t>(Round(kTintChroma * std::sin(angle)));
        }
        break;
    case TVSIM_INPUT_COMPOSITE:
        scene.kind = Scene::Kind::Composite;
        (void)std::snprintf(scene.label, sizeof scene.label, "COMPOSITE");
        break;
    case TVSIM_INPUT_SVIDEO:
        scene.kind = Scene::Kind::SVideo;
        (void)std::snprintf(scene.label, sizeof scene.label, "S-VIDEO");
        break;
    default: break;
    }
    return scene;
}

void SourceLine(const Scene &scene, uint64_t frameNumber, uint32_t line, uint32_t width, uint32_t height, uint8_t *y,
                int16_t *u, int16_t *v) {
    if (scene.kind == Scene::Kind::Black) return Fill(y, u, v, 0, width, {kBlack, 0, 0});
    if (scene.kind == Scene::Kind::Snow) return SnowLine(frameNumber, line, width, y, u, v);

    Bands bands = BandsOf(height);
    if (line < bands.pattern) return PatternLine(scene, line, width, bands.pattern, y, u, v);
    if (line < bands.label) {
        Fill(y, u, v, 0, width, {kLabelGround, scene.tintU, scene.tintV});
        TextPlace place = PlaceText(std::strlen(scene.label), width / 20, width - width / 10, bands.pattern,
                                    bands.label - bands.pattern);
        return DrawText(scene.label, place, line, width, kWhite, y, u, v);
    }
    if (line < bands.steps) {
        for (uint32_t step = 0; step < kGreySteps; ++step)
            Fill(y, u, v, width * step / kGreySteps, width * (step + 1) / kGreySteps,
                 {static_cast<uint8_t>(kBlack + (kWhite - kBlack) * step / (kGreySteps - 1)), 0, 0});
        return;
    }
    MotionLine(frameNumber, line, width, bands.steps, height, y, u, v);
}

}  // namespace tvsim
