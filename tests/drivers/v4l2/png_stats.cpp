// png_stats FILE [X Y]...: a picture's measures for the guest checks, which
// compare tvctl's snapshots of a kernel driver's picture with what the
// driver shows. Prints "WIDTH HEIGHT MEAN_LUMA" (BT.601 weights, rounded),
// then "R G B" of each pixel asked for. Exit 1 when the file is no PNG.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: png_stats FILE [X Y]...\n");
        return 2;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, argv[1]) == 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], image.message);
        return 1;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], image.message);
        return 1;
    }
    double luma = 0;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
        luma += 0.299 * pixels[i] + 0.587 * pixels[i + 1] + 0.114 * pixels[i + 2];
    const std::size_t count = std::size_t{image.width} * image.height;
    std::printf("%u %u %.0f\n", image.width, image.height, count > 0 ? luma / static_cast<double>(count) : 0.0);
    for (int arg = 2; arg + 1 < argc; arg += 2) {
        const unsigned long x = std::strtoul(argv[arg], nullptr, 10), y = std::strtoul(argv[arg + 1], nullptr, 10);
        if (x >= image.width || y >= image.height) {
            std::fprintf(stderr, "%lu,%lu is outside the picture\n", x, y);
            return 2;
        }
        const png_byte *pixel = &pixels[(y * image.width + x) * 3];
        std::printf("%u %u %u\n", pixel[0], pixel[1], pixel[2]);
    }
    return 0;
}
