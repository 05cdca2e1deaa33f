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
#include <cstdlib>
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

// Compresses the picture into the destination `attach` gives the library
// (a file, or memory).
template <typename Attach>
std::string CompressJpeg(const uint8_t *rgb, uint32_t width, uint32_t height, int quality, Attach attach) {
    jpeg_compress_struct jpeg{};
    JpegFailure failure{};
    jpeg.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = JpegError;
    if (setjmp(failure.failure.jump) != 0) {  // NOLINT(cert-err52-cpp): libjpeg's error protocol
        jpeg_destroy_compress(&jpeg);
        return failure.failure.message;
    }
    jpeg_create_compress(&jpeg);
    attach(jpeg);
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

std::string WriteJpeg(std::FILE *file, const uint8_t *rgb, uint32_t width, uint32_t height, int quality) {
    return CompressJpeg(rgb, width, height, quality, [file](jpeg_compress_struct &jpeg) { jpeg_stdio_dest(&jpeg, file); });
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

std::string EncodeJpeg(const uint8_t *rgb, uint32_t width, uint32_t height, int quality, std::vector<uint8_t> &out) {
    // The library allocates the buffer it writes into (and grows it); it is
    // copied out and freed, a failed compression included.
    unsigned char *buffer = nullptr;
    unsigned long size = 0;  // NOLINT(google-runtime-int): the library's type
    std::string why = CompressJpeg(rgb, width, height, quality, [&](jpeg_compress_struct &jpeg) {
        jpeg_mem_dest(&jpeg, &buffer, &size);
    });
    if (why.empty()) out.assign(buffer, buffer + size);
    std::free(buffer);  // NOLINT(cppcoreguidelines-no-malloc): the library's malloc
    return why;
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
