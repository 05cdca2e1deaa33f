// What the built library module and host library show the dynamic linker:
// tvcore.so defines exactly its designed exports, and libtvhost carries the
// versioned name that programs record.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

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

    const std::map<std::string, char> designed = {
        {"SetTVParam", 'T'},  {"GetTVParam", 'T'}, {"I2C_Read", 'T'},    {"I2C_Write", 'T'},
        {"I2C_WriteBlk", 'T'}, {"InitTVAudio", 'T'}, {"SetTVVol", 'T'},    {"GetTVVol", 'T'},
        {"SetTVMute", 'T'},   {"GetTVMute", 'T'},  {"DllMain", 'T'},     {"thk_ThunkData32", 'D'},
    };
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
