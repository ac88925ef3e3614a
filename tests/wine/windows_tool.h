// Running the cross-built tools under Wine in the test binary's prefix.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"

namespace winetest {

// Bound for one whole run of a tool, start-up of Wine included.
constexpr std::chrono::seconds TOOL_TIMEOUT(60);

// Starts `wine <tool>.exe args...` in cwd (empty: the test's own).
bool StartTool(ChildProcess* child, const std::string& tool, const std::vector<std::string>& args,
               const std::string& cwd = std::string());

struct ToolRun {
    int status = STILL_RUNNING;  // STILL_RUNNING when it had to be killed
    std::string out;
    std::string err;
};

// Runs a tool to its end with a key press waiting on its input.
ToolRun RunTool(const std::string& tool, const std::vector<std::string>& args,
                const std::string& cwd = std::string());

}  // namespace winetest
