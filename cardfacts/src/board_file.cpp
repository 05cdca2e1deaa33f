// The board file's path, and proofs at compile time that its format and its
// name agree and that the path's room holds the longest directory.
#include "tvcore/card/board_file.h"

#include <string_view>

namespace tvcore::card {
namespace {

constexpr std::string_view kFormat = kBoardFilePathFormat;
static_assert(kFormat.substr(0, 3) == "%s\\" && kFormat.substr(3) == kBoardFileName);
static_assert(kBoardFilePathSize >= (kWindowsDirBufferSize - 1) + 1 + (sizeof kBoardFileName - 1) + 1);
static_assert(WindowsDirFits(kWindowsDirBufferSize - 1) && !WindowsDirFits(kWindowsDirBufferSize) && !WindowsDirFits(0));

}  // namespace

std::string BoardFilePath(const char *dir, uint32_t length) {
    if (dir == nullptr || !WindowsDirFits(length)) return "";
    return std::string(dir, length) + '\\' + kBoardFileName;
}

}  // namespace tvcore::card
