// The watch page's files (page/), built into tvctl so that `tvctl watch`
// needs nothing beside the program. Generated at build time by
// cmake/EmbedFiles.cmake.
#pragma once

#include <string_view>
#include <vector>

namespace tvctl {

struct PageFile {
    const char *path;  // where the server answers it ("/" for index.html)
    const char *type;  // its content type
    std::string_view content;
};

const std::vector<PageFile> &PageFiles();

}  // namespace tvctl
