// tvsim_frame_dump DIR: renders a few of the simulated card's pictures
// (two stations, no station, the jacks, strong picture controls) and writes
// each to DIR/<name>.png, for a person to look at. A development aid, not
// installed; the pictures' properties are tested in tests/drivers/simcard.
#include <cstdio>
#include <string>
#include <vector>

#include "picture.h"
#include "png_file.h"

namespace {

struct Shot {
    const char *name;
    double carrierMHz;  // 0: the tuner on no station
    uint8_t input, control, brightness, contrast, saturationU, saturationV, hue;
    uint64_t frame;
};

// Register values as the library writes them: input 0xA9 is the tuner's
// multiplexer field, 0xE9 the composite one; control bit 6 is S-video, bits
// 2..0 the gains' ninth bits.
constexpr Shot kShots[] = {
    {"station_175", 175.25, 0xA9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00, 0},
    {"station_615", 615.25, 0xA9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00, 45},
    {"snow", 0, 0xA9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00, 0},
    {"composite", 0, 0xE9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x00, 0},
    {"svideo", 0, 0xA9, 0xE6, 0x00, 0x00, 0x00, 0xB5, 0x00, 0},
    {"brightness_230", 175.25, 0xA9, 0xA6, 0x66, 0x00, 0x00, 0xB5, 0x00, 0},
    {"contrast_60", 175.25, 0xA9, 0xA2, 0x00, 0x78, 0x00, 0xB5, 0x00, 0},
    {"saturation_0", 175.25, 0xA9, 0xA4, 0x00, 0x00, 0x00, 0x00, 0x00, 0},
    {"hue_255", 175.25, 0xA9, 0xA6, 0x00, 0x00, 0x00, 0xB5, 0x7F, 0},
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tvsim_frame_dump DIR\n");
        return 2;
    }
    for (const Shot &shot : kShots) {
        tvsim::PictureState state;
        state.decoder[0x01] = shot.input;
        state.decoder[0x0A] = shot.brightness;
        state.decoder[0x0B] = shot.control;
        state.decoder[0x0C] = shot.contrast;
        state.decoder[0x0D] = shot.saturationU;
        state.decoder[0x0E] = shot.saturationV;
        state.decoder[0x0F] = shot.hue;
        state.tunerProgrammed = true;
        state.carrierSteps = static_cast<int32_t>(shot.carrierMHz * 16);
        state.locked = shot.carrierMHz > 0;
        std::vector<uint8_t> rgb(size_t{state.width} * state.height * 3);
        TvSimFrameInfo info{};
        if (tvsim::RenderFrame(state, shot.frame, TVSIM_FORMAT_RGB24, rgb.data(), static_cast<uint32_t>(rgb.size()),
                               &info) == 0)
            return 1;
        std::string path = std::string(argv[1]) + "/" + shot.name + ".png";
        if (!tvsimdev::WritePng(path.c_str(), rgb.data(), info.width, info.height)) return 1;
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
