// picture_stats FILE [X Y]...: a picture's measures for the guest checks,
// which compare tvctl's snapshots and watch's frames of a kernel driver's
// picture with what the driver shows. Reads PNG or JPEG (by the file's first
// bytes). Prints "WIDTH HEIGHT MEAN_LUMA" (BT.601 weights, rounded), then
// "R G B" of each pixel asked for. Exit 1 when the file is neither.
#include <png.h>
// jpeglib.h needs FILE and size_t declared before it.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

struct Picture {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

bool ReadPng(const char *path, Picture &picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path) == 0) {
        std::fprintf(stderr, "%s: %s\n", path, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "%s: %s\n", path, image.message);
        return false;
    }
    picture.width = image.width;
    picture.height = image.height;
    return true;
}

// libjpeg's default error handler exits the program, which is what a
// measuring tool wants on a broken file: exit 1 with libjpeg's words.
bool ReadJpeg(std::FILE *file, Picture &picture) {
    jpeg_decompress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr info) {
        (*info->err->output_message)(info);
        std::exit(1);
    };
    jpeg_create_decompress(&jpeg);
    jpeg_stdio_src(&jpeg, file);
    jpeg_read_header(&jpeg, TRUE);
    jpeg.out_color_space = JCS_RGB;
    jpeg_start_decompress(&jpeg);
    picture.width = jpeg.output_width;
    picture.height = jpeg.output_height;
    picture.rgb.resize(std::size_t{picture.width} * picture.height * 3);
    while (jpeg.output_scanline < jpeg.output_height) {
        JSAMPROW row = &picture.rgb[std::size_t{jpeg.output_scanline} * picture.width * 3];
        jpeg_read_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_decompress(&jpeg);
    jpeg_destroy_decompress(&jpeg);
    return true;
}

bool ReadPicture(const char *path, Picture &picture) {
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    unsigned char start[2] = {};
    const bool jpeg = std::fread(start, 1, 2, file) == 2 && start[0] == 0xFF && start[1] == 0xD8;
    bool read = false;
    if (jpeg) {
        std::rewind(file);
        read = ReadJpeg(file, picture);
    }
    std::fclose(file);
    return jpeg ? read : ReadPng(path, picture);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: picture_stats FILE [X Y]...\n");
        return 2;
    }
    Picture picture;
    if (!ReadPicture(argv[1], picture)) return 1;
    double luma = 0;
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        luma += 0.299 * picture.rgb[i] + 0.587 * picture.rgb[i + 1] + 0.114 * picture.rgb[i + 2];
    const std::size_t count = std::size_t{picture.width} * picture.height;
    std::printf("%u %u %.0f\n", picture.width, picture.height, count > 0 ? luma / static_cast<double>(count) : 0.0);
    for (int arg = 2; arg + 1 < argc; arg += 2) {
        const unsigned long x = std::strtoul(argv[arg], nullptr, 10), y = std::strtoul(argv[arg + 1], nullptr, 10);
        if (x >= picture.width || y >= picture.height) {
            std::fprintf(stderr, "%lu,%lu is outside the picture\n", x, y);
            return 2;
        }
        const unsigned char *pixel = &picture.rgb[(y * picture.width + x) * 3];
        std::printf("%u %u %u\n", pixel[0], pixel[1], pixel[2]);
    }
    return 0;
}
