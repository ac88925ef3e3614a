// The Wine side of the tests: where the cross-built tools are, and the one
// Wine prefix that every test of a binary shares. Making a prefix takes
// seconds, so it is made once, by the environment registered in wine_main.cpp,
// and removed with its wine server at the end.
#pragma once

#include <string>
#include <vector>

namespace winetest {

// The folder of glyphload2.exe, glyphcheck1.exe and glyphcheck2.exe: the
// GLYPH_WINDOWS_BIN environment variable, else the cross build's default.
std::string WindowsBinDir();
// The path of one tool, e.g. ToolPath("glyphload2").
std::string ToolPath(const std::string& tool);
// Empty when all three tools are there; else which one is missing.
std::string MissingTools();

// The full path of a program found on PATH, or empty.
std::string FindOnPath(const std::string& program);

struct WinePrefix {
    std::string path;        // the prefix folder; empty when there is none
    std::string skipReason;  // what is absent for the tests to run
    std::string failure;     // how making the prefix failed
    std::string winePath;    // the wine launcher
    std::vector<std::string> environment;  // KEY=VALUE for every wine child
};

// The prefix of this test binary (made by WineEnvironment).
const WinePrefix& Prefix();

// $WINEPREFIX/dosdevices/com<n>: the device name COM<n> resolves to.
std::string DosDevicePath(int port);

// Makes the prefix: wineboot -i, then a lasting wine server with the system
// services started once, so that every tool run finds them up.
void MakePrefix();
// Ends the prefix's wine server and processes, and removes the folder.
void RemovePrefix();

}  // namespace winetest

// Skips the current test, with the reason, when the tools or Wine are
// absent; fails it when they are there but the prefix could not be made.
#define SKIP_WITHOUT_WINE()                                         \
    do {                                                            \
        if (!::winetest::Prefix().skipReason.empty()) {             \
            GTEST_SKIP() << ::winetest::Prefix().skipReason;        \
        }                                                           \
        if (!::winetest::Prefix().failure.empty()) {                \
            FAIL() << ::winetest::Prefix().failure;                 \
        }                                                           \
    } while (0)
