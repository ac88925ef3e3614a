// Runs one of the real tool executables as a person would from a console:
// port number argument, COM<N> naming the board's pseudo-terminal, standard
// input at end of input, and a bound on how long it may take.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct ToolRun {
    int status = -1;        // exit status; -1 when it had to be killed
    bool timedOut = false;  // still running at the bound, and killed
    std::string out;        // standard output, bytes as written
    std::string err;        // standard error
};

struct ToolLaunch {
    std::string tool;                      // glyphload2, glyphcheck1, glyphcheck2
    std::vector<std::string> arguments;    // e.g. {"3"}
    std::vector<std::string> environment;  // extra NAME=value entries
    std::string locale = "C";              // LC_ALL for the run
    std::chrono::milliseconds bound = std::chrono::seconds(30);
};

ToolRun RunTool(const ToolLaunch& launch);
// The directory of the built executables.
std::string ToolDirectory();
