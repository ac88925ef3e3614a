// Start-up of the Windows tools under Wine when the port does not open: the
// message (on standard error, as there is no desktop to show a box on), exit
// status 1, no console output and no wait for a key.
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "windows_tool.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

namespace fs = std::filesystem;

// "未接続" (not connected) in Shift_JIS.
#define SJIS_NOT_CONNECTED "\x96\xa2\x90\xda\x91\xb1"

struct FailedStart {
    const char* tool;
    std::vector<std::string> args;
    const char* message;  // standard error, whole
};

TEST(WineStartup, PortThatDoesNotOpenEndsWithItsMessageAndStatusOne) {
    SKIP_WITHOUT_WINE();
    const FailedStart cases[] = {
        {"glyphload2", {"9"}, "COM9: CreateFile Error\r\n"},
        {"glyphcheck1", {"9"}, "COM9: CreateFile Error\r\n"},
        {"glyphcheck2", {"9"}, "COM9: CreateFile Error\r\n"},
        {"glyphload2", {"abc"}, "COM0: CommPort < 1 (" SJIS_NOT_CONNECTED ")\r\n"},
        {"glyphcheck2", {"-2"}, "COM-2: CommPort < 1 (" SJIS_NOT_CONNECTED ")\r\n"},
    };
    fs::remove(DosDevicePath(9));
    for (const FailedStart& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + " " + c.args[0]);
        ChildProcess child;
        ASSERT_TRUE(StartTool(&child, c.tool, c.args)) << child.Error();
        // No key is ever given: a tool that waited for one would time out.
        int status = child.WaitForExit(TOOL_TIMEOUT);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(child.Stderr(), c.message);
        EXPECT_EQ(child.Stdout(), "");
    }
}

TEST(WineStartup, FileNamedLikeThePortIsNotOpened) {
    SKIP_WITHOUT_WINE();
    // Only COM1 to COM9 resolve as devices by their bare names; COM12 by its
    // bare name would be this file in the current folder.
    fs::path folder = fs::path(Prefix().path) / "drive_c" / "com12-folder";
    fs::create_directories(folder);
    fs::path file = folder / "COM12";
    const std::string content = "not a serial port\n";
    std::ofstream(file, std::ios::binary) << content;
    struct timespec past[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), past, 0), 0);
    fs::remove(DosDevicePath(12));

    ToolRun run = RunTool("glyphload2", {"12"}, folder.string());

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "COM12: CreateFile Error\r\n");
    EXPECT_EQ(run.out, "");
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), content);
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(after.st_mtim.tv_nsec, 0);
}

}  // namespace
}  // namespace winetest
