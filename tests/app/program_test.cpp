// The built program run as a process: the screenshot option on the sample table and on a folder without one,
// and the informational options.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace {

const std::string kProgram = VELMORA_PATH;
// Neither display variable, so the program has to choose the offscreen platform itself.
const std::string kHeadless = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";

bool IsPng(const std::string& path) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() > 8 && std::equal(std::begin(signature), std::end(signature), bytes.begin());
}

TEST(Program, ScreenshotOfTheSampleTableIsWrittenWithoutADisplay) {
    TempDir dir;
    std::string png = dir.File("velmora.png");
    int status = -1;
    std::string output = RunCommand(kHeadless + "'" + kProgram + "' --screenshot '" + png + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output.find("velmora:"), std::string::npos) << "a box was shown: " << output;
    EXPECT_TRUE(IsPng(png));
}

TEST(Program, ScreenshotOfAFolderWithoutTableReportsTheBoxAndStillWritesThePicture) {
    TempDir dir;
    std::string png = dir.File("empty.png");
    int status = -1;
    std::string output =
        RunCommand(kHeadless + "'" + kProgram + "' --screenshot '" + png + "' '" + dir.Path() + "' 2>&1", &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("file0feed.dbf"), std::string::npos) << output;
    EXPECT_TRUE(IsPng(png));
}

TEST(Program, HelpVersionAndBadArguments) {
    struct Case {
        std::string args;
        int status;
        std::string shows;
    } cases[] = {
        {"--help", 0, "Usage: velmora [FOLDER]"},
        {"--version", 0, "velmora " VELMORA_VERSION},
        {"--screenshot", 2, "--screenshot needs"},
        {"--bogus", 2, "unknown option --bogus"},
        {"one two", 2, "only one FOLDER"},
    };
    for (const Case& c : cases) {
        int status = -1;
        std::string output = RunCommand(kHeadless + "'" + kProgram + "' " + c.args + " 2>&1", &status);
        EXPECT_EQ(status, c.status) << c.args << ": " << output;
        EXPECT_NE(output.find(c.shows), std::string::npos) << c.args << ": " << output;
    }
}

}  // namespace
