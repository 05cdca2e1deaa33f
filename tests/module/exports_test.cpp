// What the built library module and host library show the dynamic linker:
// tvcore.so defines exactly the exports of tvcore_exports.h (so the version
// script the build writes from the list drops none and adds none), and
// libtvhost carries the versioned name that programs record.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "tvcore_exports.h"

namespace {

// Runs a command and answers its standard output.
std::string CommandOutput(const std::string &command) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    pclose(pipe);
    return output;
}

TEST(Exports, ModuleDefinesExactlyTheDesignedNames) {
    // name -> nm's symbol type: T a function in the text section, D or B data.
    std::map<std::string, char> defined;
    std::istringstream lines(CommandOutput("nm -D --defined-only '" TVCORE_TEST_MODULE_FILE "'"));
    std::string address, name;
    char type;
    while (lines >> address >> type >> name) defined[name] = type;

    std::map<std::string, char> designed;
#define EXPORTED_FUNCTION(name, result, argumentBytes, parameters) designed[#name] = 'T';
#define EXPORTED_DATA(name) designed[#name] = 'D';
#define EXPORTED_ENTRY(name, argumentBytes) designed[#name] = 'T';
    TVCORE_EXPORTED_FUNCTIONS(EXPORTED_FUNCTION)
    TVCORE_EXPORTED_DATA(EXPORTED_DATA)
    TVCORE_EXPORTED_ENTRY(EXPORTED_ENTRY)
#undef EXPORTED_FUNCTION
#undef EXPORTED_DATA
#undef EXPORTED_ENTRY
    EXPECT_EQ(designed.size(), 12u) << "ten calls, the link data and the entry routine";
    EXPECT_EQ(defined, designed);
}

TEST(Exports, HostLibraryHasVersionedName) {
    std::string dynamic = CommandOutput("readelf -d '" TVCORE_TEST_HOST_FILE "'");
    EXPECT_NE(dynamic.find("(SONAME)"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("Library soname: [libtvhost.so.1]"), std::string::npos) << dynamic;
    std::filesystem::path host(TVCORE_TEST_HOST_FILE);
    EXPECT_TRUE(std::filesystem::exists(host.parent_path() / "libtvhost.so.1")) << "the name programs load by";
}

}  // namespace
