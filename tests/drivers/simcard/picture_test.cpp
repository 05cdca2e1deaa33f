// The simulated card's picture, judged by measures of whole frames: mean
// and spread of luma, strength and angle of chroma, change between frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "picture.h"
#include "support/link_fixture.h"
#include "tvcore.h"

namespace {

using tvsim::PictureState;
using Frame = std::vector<uint8_t>;

// The card after power-on, tuned to a station, as the library leaves it.
PictureState Station(double mhz = 175.25) {
    PictureState state;
    state.decoder[0x01] = 0xA9;  // multiplexer on the tuner
    state.decoder[0x0B] = 0xA6;  // contrast and U saturation at 256
    state.decoder[0x0E] = 0xB5;  // V saturation at 181
    state.tunerProgrammed = true;
    state.carrierSteps = static_cast<int32_t>(std::lround(mhz * 16));
    state.locked = true;
    return state;
}

Frame Render(const PictureState &state, uint32_t format = TVSIM_FORMAT_YUYV, uint64_t frameNumber = 0) {
    Frame frame(state.width * state.height * 3);
    uint32_t size = tvsim::RenderFrame(state, frameNumber, format, frame.data(), static_cast<uint32_t>(frame.size()),
                                       nullptr);
    frame.resize(size);
    return frame;
}

// Mean of every `stride`-th byte from `first` of a YUYV frame, of f(byte).
template <typename F>
double Mean(const Frame &yuyv, size_t first, size_t stride, F f) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = first; i < yuyv.size(); i += stride, ++n) sum += f(yuyv[i]);
    return n == 0 ? 0 : sum / static_cast<double>(n);
}
double MeanLuma(const Frame &f) { return Mean(f, 0, 2, [](uint8_t y) { return double(y); }); }
double LumaSpread(const Frame &f) {
    double mean = MeanLuma(f);
    return std::sqrt(Mean(f, 0, 2, [mean](uint8_t y) { return (y - mean) * (y - mean); }));
}
double MeanAbsU(const Frame &f) { return Mean(f, 1, 4, [](uint8_t u) { return std::abs(u - 128.0); }); }
double MeanAbsV(const Frame &f) { return Mean(f, 3, 4, [](uint8_t v) { return std::abs(v - 128.0); }); }

double MeanAbsDifference(const Frame &a, const Frame &b) {
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / static_cast<double>(a.size());
}

// Chroma (U, V around 0) at the middle of colour bar `bar` on the top line.
struct Chroma {
    double u, v;
};
Chroma BarChroma(const Frame &yuyv, uint32_t width, uint32_t bar) {
    size_t x = (width * (2 * bar + 1) / 14) & ~1u;
    return {yuyv[2 * x + 1] - 128.0, yuyv[2 * x + 3] - 128.0};
}

TEST(Picture, UnityControlsGiveTheSeventyFivePercentBars) {
    // white, yellow, cyan, green, magenta, red, blue at 75 % (191 of 255)
    const int bars[7][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    Frame rgb = Render(Station(), TVSIM_FORMAT_RGB24);
    for (uint32_t bar = 0; bar < 7; ++bar) {
        size_t x = 640 * (2 * bar + 1) / 14;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(rgb[3 * x + c], bars[bar][c] * 191, 2) << "bar " << bar << " " << c;
    }
}

TEST(Picture, EachControlMovesItsMeasure) {
    struct Case {
        const char *name;
        void (*set)(PictureState &, int);
        std::vector<int> ascending;
        double (*measure)(const Frame &);
    } cases[] = {
        {"brightness", [](PictureState &s, int v) { s.decoder[0x0A] = static_cast<uint8_t>(v); },
         {-128, -64, 0, 64, 127}, MeanLuma},
        {"contrast",
         [](PictureState &s, int v) {
             s.decoder[0x0C] = static_cast<uint8_t>(v);
             s.decoder[0x0B] = static_cast<uint8_t>((s.decoder[0x0B] & ~0x04) | (v > 255 ? 0x04 : 0));
         },
         {0, 100, 256, 400, 511}, LumaSpread},
        {"saturation U",
         [](PictureState &s, int v) {
             s.decoder[0x0D] = static_cast<uint8_t>(v);
             s.decoder[0x0B] = static_cast<uint8_t>((s.decoder[0x0B] & ~0x02) | (v > 255 ? 0x02 : 0));
         },
         {0, 100, 256, 400}, MeanAbsU},
        {"saturation V",
         [](PictureState &s, int v) {
             s.decoder[0x0E] = static_cast<uint8_t>(v);
             s.decoder[0x0B] = static_cast<uint8_t>((s.decoder[0x0B] & ~0x01) | (v > 255 ? 0x01 : 0));
         },
         {0, 90, 181, 300}, MeanAbsV},
    };
    for (const Case &c : cases) {
        double previous = -1;
        for (int value : c.ascending) {
            PictureState state = Station();
            c.set(state, value);
            double measure = c.measure(Render(state));
            EXPECT_GT(measure, previous) << c.name << " " << value;
            previous = measure;
        }
    }
}

TEST(Picture, ZeroSaturationIsGreyOnEveryInput) {
    for (uint8_t input : {0xA9, 0xE9}) {
        for (uint8_t control : {0xA0, 0xE0}) {  // both gains' ninth bits clear; S-video off and on
            PictureState state = Station();
            state.decoder[0x01] = input;
            state.decoder[0x0B] = control;
            state.decoder[0x0D] = state.decoder[0x0E] = 0;
            Frame rgb = Render(state, TVSIM_FORMAT_RGB24);
            size_t coloured = 0;
            for (size_t i = 0; i < rgb.size(); i += 3) coloured += rgb[i] != rgb[i + 1] || rgb[i + 1] != rgb[i + 2];
            EXPECT_EQ(coloured, 0u) << int(input) << " " << int(control);
        }
    }
}

TEST(Picture, HueTurnsUAndVByUpToAQuarterTurn) {
    Frame plain = Render(Station());
    for (int hue : {-128, -64, 32, 127}) {
        PictureState state = Station();
        state.decoder[0x0F] = static_cast<uint8_t>(hue);
        Frame turned = Render(state);
        for (uint32_t bar = 1; bar < 7; ++bar) {  // the white bar has no colour to turn
            Chroma before = BarChroma(plain, 640, bar), after = BarChroma(turned, 640, bar);
            double degrees = (std::atan2(after.v, after.u) - std::atan2(before.v, before.u)) * 180 / M_PI;
            degrees = std::remainder(degrees, 360.0);
            EXPECT_NEAR(degrees, hue * 90.0 / 128, 2.0) << "hue " << hue << " bar " << bar;
            EXPECT_NEAR(std::hypot(after.u, after.v), std::hypot(before.u, before.v), 2.0) << hue << " " << bar;
        }
    }
}

TEST(Picture, SnowWithoutLockAMovingTestCardWithIt) {
    for (bool locked : {false, true}) {
        PictureState state = Station();
        state.locked = locked;
        Frame first = Render(state, TVSIM_FORMAT_YUYV, 100), next = Render(state, TVSIM_FORMAT_YUYV, 101);
        EXPECT_EQ(Render(state, TVSIM_FORMAT_YUYV, 100), first) << "the same state and frame give the same bytes";
        double change = MeanAbsDifference(first, next);
        if (locked) {
            EXPECT_GT(change, 0.0) << "something moves";
            EXPECT_LT(change, 1.0) << "but the card stands still";
        } else {
            EXPECT_GT(change, 20.0) << "snow is new in every frame";
            EXPECT_LT(MeanAbsU(first) + MeanAbsV(first), 0.5) << "snow is grey";
        }
    }
}

TEST(Picture, InputsShowTheirOwnPictures) {
    struct Case {
        uint8_t input, control;
        uint32_t shown, locked;
    } cases[] = {
        {0xA9, 0xA6, TVSIM_INPUT_TUNER, 1},  {0xE9, 0xA6, TVSIM_INPUT_COMPOSITE, 1},
        {0xA9, 0xE6, TVSIM_INPUT_SVIDEO, 1}, {0xC9, 0xA6, TVSIM_INPUT_NONE, 0},  // field 0x40: nothing wired
        {0x89, 0xA6, TVSIM_INPUT_NONE, 0},   {0xE9, 0xE6, TVSIM_INPUT_NONE, 0},  // S-video with luma off its pin
    };
    std::vector<Frame> pictures;
    for (const Case &c : cases) {
        PictureState state = Station();
        state.decoder[0x01] = c.input;
        state.decoder[0x0B] = c.control;
        TvSimFrameInfo info{};
        Frame frame(640 * 480 * 2);
        ASSERT_EQ(tvsim::RenderFrame(state, 0, TVSIM_FORMAT_YUYV, frame.data(), 640 * 480 * 2, &info), frame.size());
        EXPECT_EQ(info.input, c.shown) << int(c.input) << " " << int(c.control);
        EXPECT_EQ(info.locked, c.locked) << int(c.input) << " " << int(c.control);
        if (c.shown == TVSIM_INPUT_NONE) {
            EXPECT_EQ(LumaSpread(frame) + MeanAbsU(frame) + MeanAbsV(frame), 0.0) << "flat";
            EXPECT_EQ(MeanLuma(frame), 16.0) << "black";
        } else {
            pictures.push_back(frame);
        }
    }
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_GT(MeanAbsDifference(pictures[0], pictures[1]), 10.0) << "tuner and composite";
    EXPECT_GT(MeanAbsDifference(pictures[0], pictures[2]), 10.0) << "tuner and S-video";
    EXPECT_GT(MeanAbsDifference(pictures[1], pictures[2]), 10.0) << "composite and S-video";
    EXPECT_GT(MeanAbsDifference(Render(Station(175.25)), Render(Station(615.25))), 1.0) << "two stations";
}

TEST(Picture, FrameCallAnswersSizesAndRefusesWhatItCannotFill) {
    PictureState state = Station();
    TvSimFrameInfo info{};
    EXPECT_EQ(tvsim::RenderFrame(state, 30000, TVSIM_FORMAT_RGB24, nullptr, 0, &info), 640u * 480 * 3);
    EXPECT_EQ(info.bytesPerLine, 640u * 3);
    EXPECT_EQ(info.size, 640u * 480 * 3);
    EXPECT_EQ(info.timeUs, 1001000000u) << "30000 frames last 1001 s";
    EXPECT_DOUBLE_EQ(info.carrierMHz, 175.25);

    Frame frame(640 * 480 * 2, 0xAB);
    EXPECT_EQ(tvsim::RenderFrame(state, 0, TVSIM_FORMAT_YUYV, frame.data(), 640 * 480 * 2 - 1, &info), 0u);
    EXPECT_EQ(info.size, 640u * 480 * 2);
    EXPECT_EQ(frame, Frame(640 * 480 * 2, 0xAB)) << "nothing written into a short buffer";

    info = TvSimFrameInfo{};
    EXPECT_EQ(tvsim::RenderFrame(state, 0, 0x12345678, frame.data(), 640 * 480 * 2, &info), 0u);
    EXPECT_EQ(info.size, 0u) << "an unknown format fills nothing";
    state.width = 641;
    EXPECT_EQ(tvsim::RenderFrame(state, 0, TVSIM_FORMAT_YUYV, nullptr, 0, &info), 0u) << "odd width";

    for (uint64_t n : {1u, 2u, 4u, 29u}) {
        tvsim::RenderFrame(Station(), n, TVSIM_FORMAT_YUYV, nullptr, 0, &info);
        EXPECT_EQ(info.timeUs, n * 1001000 / 30) << n;
    }
}

// The module's frame call on the card as the library programs it.
using PictureThroughLibrary = spinetest::SpineTest;

TEST_F(PictureThroughLibrary, ShowsWhatTheLibrarySet) {
    Frame frame(640 * 480 * 2);
    TvSimFrameInfo info{};
    auto grab = [&] {
        EXPECT_EQ(card.Frame(0, TVSIM_FORMAT_YUYV, frame.data(), static_cast<uint32_t>(frame.size()), &info),
                  frame.size());
        return frame;
    };
    ASSERT_EQ(SetTVParam(1, 5), TV_OK);
    ASSERT_EQ(SetTVParam(2, 7), TV_OK);
    Frame tuned = grab();
    EXPECT_EQ(info.input, TVSIM_INPUT_TUNER);
    EXPECT_EQ(info.locked, 1u);
    EXPECT_DOUBLE_EQ(info.carrierMHz, 175.25);

    SetTVParam(3, 230);
    EXPECT_GT(MeanLuma(grab()), MeanLuma(tuned) + 50);
    SetTVParam(6, 0);
    EXPECT_EQ(MeanAbsU(grab()) + MeanAbsV(frame), 0.0);

    EXPECT_EQ(SetTVParam(2, 8), TV_ERR_NO_LOCK);
    Frame snow = grab();
    EXPECT_EQ(info.locked, 0u);
    EXPECT_GT(LumaSpread(snow), 30.0);
    EXPECT_EQ(grab(), snow) << "the same state and frame number";

    SetTVParam(1, 0);
    grab();
    EXPECT_EQ(info.input, TVSIM_INPUT_COMPOSITE);
    SetTVParam(1, 1);
    grab();
    EXPECT_EQ(info.input, TVSIM_INPUT_SVIDEO);

    ASSERT_EQ(card.SetFrameSize(320, 240), 1);
    EXPECT_EQ(card.Frame(0, TVSIM_FORMAT_RGB24, nullptr, 0, &info), 320u * 240 * 3);
    EXPECT_EQ(card.SetFrameSize(321, 240), 0);
    card.RestoreDefaults();
    EXPECT_EQ(card.Frame(0, TVSIM_FORMAT_RGB24, nullptr, 0, &info), 640u * 480 * 3);
}

}  // namespace
