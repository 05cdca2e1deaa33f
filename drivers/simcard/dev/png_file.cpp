#include "png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace tvsimdev {

bool WritePng(const char *path, const uint8_t *rgb, uint32_t width, uint32_t height) {
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::perror(path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    bool written = false;
    // libpng reports an error by jumping back here; nothing below owns
    // anything that needs unwinding.
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {  // NOLINT(cert-err52-cpp): libpng's error protocol
        png_init_io(png, file);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (uint32_t line = 0; line < height; ++line) png_write_row(png, rgb + static_cast<size_t>(line) * width * 3);
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) written = false;
    if (!written) std::fprintf(stderr, "%s: could not write the PNG file\n", path);
    return written;
}

}  // namespace tvsimdev
