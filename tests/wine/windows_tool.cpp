#include "windows_tool.h"

#include "wine_prefix.h"

namespace winetest {

bool StartTool(ChildProcess* child, const std::string& tool, const std::vector<std::string>& args,
               const std::string& cwd) {
    std::vector<std::string> argv = {Prefix().winePath, ToolPath(tool)};
    argv.insert(argv.end(), args.begin(), args.end());
    return child->Start(argv, Prefix().environment, cwd);
}

ToolRun RunTool(const std::string& tool, const std::vector<std::string>& args, const std::string& cwd) {
    ToolRun run;
    ChildProcess child;
    if (!StartTool(&child, tool, args, cwd)) {
        run.err = child.Error();
        return run;
    }
    child.SendInput("\r");
    child.CloseInput();
    run.status = child.WaitForExit(TOOL_TIMEOUT);
    if (run.status == STILL_RUNNING) {
        child.KillGroup();
    }
    run.out = child.Stdout();
    run.err = child.Stderr();
    return run;
}

}  // namespace winetest
