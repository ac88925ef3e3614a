// The release archive for Windows users, as scripts/package-windows makes it
// from the cross build: exactly the three tools and the README, the tools as
// built, the README as Windows text.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "wine_prefix.h"

extern char** environ;

namespace winetest {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> OurEnvironment() {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    return env;
}

class WindowsPackage : public ::testing::Test {
protected:
    void SetUp() override {
        std::string missing = MissingTools();
        if (!missing.empty()) {
            GTEST_SKIP() << missing << " is not built (scripts/build-windows builds it)";
        }
        char pattern[] = "/tmp/windows-package-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        zip_ = dir_ / "glyphtools-windows.zip";
        std::string output;
        std::string buildDir = fs::path(WindowsBinDir()).parent_path().string();
        ASSERT_EQ(RunBounded({"/bin/sh", GLYPH_SOURCE_DIR "/scripts/package-windows", buildDir, zip_.string()},
                             OurEnvironment(), seconds(60), &output),
                  0)
            << output;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty()) {
            fs::remove_all(dir_, ignored);
        }
    }

    fs::path dir_;
    fs::path zip_;
};

TEST_F(WindowsPackage, HoldsExactlyTheToolsAndTheReadme) {
    std::string listing;
    ASSERT_EQ(RunBounded({GLYPH_CMAKE_COMMAND, "-E", "tar", "tf", zip_.string()}, OurEnvironment(), seconds(30),
                         &listing),
              0)
        << listing;
    std::vector<std::string> names;
    std::istringstream lines(listing);
    for (std::string name; std::getline(lines, name);) {
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"README-windows.txt", "glyphcheck1.exe", "glyphcheck2.exe",
                                               "glyphload2.exe"}));
}

TEST_F(WindowsPackage, UnpacksToTheBuiltToolsAndAWindowsTextReadme) {
    fs::path unpacked = dir_ / "unpacked";
    fs::create_directory(unpacked);
    ChildProcess unzip;
    ASSERT_TRUE(unzip.Start({GLYPH_CMAKE_COMMAND, "-E", "tar", "xf", zip_.string()}, OurEnvironment(),
                            unpacked.string()));
    unzip.CloseInput();
    ASSERT_EQ(unzip.WaitForExit(seconds(30)), 0) << unzip.Stderr();

    for (const char* tool : {"glyphload2", "glyphcheck1", "glyphcheck2"}) {
        SCOPED_TRACE(tool);
        std::string packed = ReadWhole(unpacked / (std::string(tool) + ".exe"));
        EXPECT_FALSE(packed.empty());
        EXPECT_TRUE(packed == ReadWhole(ToolPath(tool)));
    }

    std::string readme = ReadWhole(unpacked / "README-windows.txt");
    ASSERT_FALSE(readme.empty());
    EXPECT_EQ(readme.substr(readme.size() - 2), "\r\n");
    for (size_t at = readme.find('\n'); at != std::string::npos; at = readme.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && readme[at - 1] == '\r') << "bare line feed at byte " << at;
    }
    EXPECT_EQ(readme.find("\r\r"), std::string::npos);
    EXPECT_TRUE(std::all_of(readme.begin(), readme.end(), [](char c) { return c > 0; })) << "plain ASCII";
    EXPECT_NE(readme.find("glyphload2 3"), std::string::npos);
}

}  // namespace
}  // namespace winetest
