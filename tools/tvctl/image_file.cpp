#include "image_file.h"

// The libraries' headers need FILE and size_t declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <png.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstring>

namespace tvctl {
namespace {

// Both libraries report a failure by a call that must not return: the
// write jumps back to its start with the library's message. Nothing between
// the jump and its target owns memory that would be left behind.
struct Failure {
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
};

void PngError(png_structp png, png_const_charp message) {
    auto *failure = static_cast<Failure *>(png_get_error_ptr(png));
    (void)std::snprintf(failure->message, sizeof failure->message, "%s", message);
    std::longjmp(failure->jump, 1);  // NOLINT(cert-err52-cpp): libpng's error protocol
}

void PngWarning(png_structp, png_const_charp) {}

std::string WritePng(std::FILE *file, const uint8_t *rgb, uint32_t width, uint32_t height) {
    Failure failure;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, PngError, PngWarning);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "out of memory";
    }
    if (setjmp(failure.jump) != 0) {  // NOLINT(cert-err52-cpp): libpng's error protocol
        png_destroy_write_struct(&png, &info);
        return failure.message;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t line = 0; line < height; ++line) png_write_row(png, rgb + std::size_t{line} * width * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return "";
}

struct JpegFailure {
    jpeg_error_mgr manager;  // first, so the library's pointer to it is one to the whole
    Failure failure;
};

void JpegError(j_common_ptr jpeg) {
    auto *failure = reinterpret_cast<JpegFailure *>(jpeg->err);
    jpeg->err->format_message(jpeg, failure->failure.message);
    std::longjmp(failure->failure.jump, 1);  // NOLINT(cert-err52-cpp): libjpeg's error protocol
}

std::string WriteJpeg(std::FILE *file, const uint8_t *rgb, uint32_t width, uint32_t height, int quality) {
    jpeg_compress_struct jpeg{};
    JpegFailure failure{};
    jpeg.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JpegError;
    if (setjmp(failure.failure.jump) != 0) {  // NOLINT(cert-err52-cpp): libjpeg's error protocol
        jpeg_destroy_compress(&jpeg);
        return failure.failure.message;
    }
    jpeg_create_compress(&jpeg);
    jpeg_stdio_dest(&jpeg, file);
    jpeg.image_width = width;
    jpeg.image_height = height;
    jpeg.input_components = 3;
    jpeg.in_color_space = JCS_RGB;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, quality, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        // The library takes rows as non-const pointers but only reads them.
        auto *row = const_cast<uint8_t *>(rgb + std::size_t{jpeg.next_scanline} * width * 3);
        jpeg_write_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    return "";
}

}  // namespace

ImageFormat ImageFormatOfName(const std::string &path) {
    std::string::size_type dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.') return ImageFormat::Png;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "jpg" || extension == "jpeg" ? ImageFormat::Jpeg : ImageFormat::Png;
}

std::string WriteImage(const std::string &path, ImageFormat format, const uint8_t *rgb, uint32_t width,
                       uint32_t height, int quality) {
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::strerror(errno);
    std::string why = format == ImageFormat::Png ? WritePng(file, rgb, width, height)
                                                 : WriteJpeg(file, rgb, width, height, quality);
    if (std::fclose(file) != 0 && why.empty()) why = std::strerror(errno);
    if (!why.empty()) (void)std::remove(path.c_str());  // no half-written picture
    return why;
}

}  // namespace tvctl
