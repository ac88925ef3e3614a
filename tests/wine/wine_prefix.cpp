#include "wine_prefix.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "child_process.h"

extern char** environ;

namespace winetest {

namespace {
namespace fs = std::filesystem;
using std::chrono::seconds;

WinePrefix ThePrefix{std::string(), "the Wine prefix was not made", std::string(), std::string(), {}};
const char* const TOOLS[] = {"glyphload2", "glyphcheck1", "glyphcheck2"};

// Variables of ours that must not leak into the children: a desktop would
// show the error boxes and wait for a click nobody gives.
bool Replaced(const char* entry) {
    static const char* const NAMES[] = {"DISPLAY=", "WAYLAND_DISPLAY=", "WINEPREFIX=", "WINEDEBUG=",
                                        "WINEDLLOVERRIDES=", "WINESERVER=", "WINEARCH="};
    for (const char* name : NAMES) {
        if (std::strncmp(entry, name, std::strlen(name)) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> ChildEnvironment(const std::string& prefix) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!Replaced(*entry)) {
            env.emplace_back(*entry);
        }
    }
    env.push_back("WINEPREFIX=" + prefix);
    env.push_back("WINEDEBUG=-all");
    // No .NET or HTML engine: nothing here needs them and there is no
    // network to fetch them from.
    env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");
    return env;
}

bool Step(const std::vector<std::string>& argv, seconds timeout, const char* what) {
    std::string output;
    int status = RunBounded(argv, ThePrefix.environment, timeout, &output);
    if (status == 0) {
        return true;
    }
    std::ostringstream reason;
    reason << what << " failed (" << (status == STILL_RUNNING ? "timed out" : "status " + std::to_string(status))
           << "): " << output.substr(0, 400);
    ThePrefix.failure = reason.str();
    return false;
}
}  // namespace

std::string WindowsBinDir() {
    const char* dir = std::getenv("GLYPH_WINDOWS_BIN");
    return dir && *dir ? dir : GLYPH_WINDOWS_BIN_DIR;
}

std::string ToolPath(const std::string& tool) {
    return WindowsBinDir() + "/" + tool + ".exe";
}

std::string MissingTools() {
    for (const char* tool : TOOLS) {
        if (!fs::is_regular_file(ToolPath(tool))) {
            return ToolPath(tool);
        }
    }
    return std::string();
}

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::string();
}

const WinePrefix& Prefix() {
    return ThePrefix;
}

std::string DosDevicePath(int port) {
    return ThePrefix.path + "/dosdevices/com" + std::to_string(port);
}

void MakePrefix() {
    std::string missing = MissingTools();
    if (!missing.empty()) {
        ThePrefix.skipReason = missing + " is not built (scripts/build-windows builds it)";
        return;
    }
    ThePrefix.winePath = FindOnPath("wine");
    std::string wineboot = FindOnPath("wineboot");
    std::string wineserver = FindOnPath("wineserver");
    if (ThePrefix.winePath.empty() || wineboot.empty() || wineserver.empty()) {
        ThePrefix.skipReason = "wine, wineboot or wineserver is not on PATH (Debian packages wine and wine64)";
        return;
    }
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/wineprefix-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        ThePrefix.skipReason = "cannot make a temporary folder for the Wine prefix";
        return;
    }
    ThePrefix.path = pattern;
    ThePrefix.skipReason.clear();  // from here on, what goes wrong is a failure
    ThePrefix.environment = ChildEnvironment(ThePrefix.path);
    // The first boot leaves two service managers behind, and with them a
    // service control that times out: every tool start would then wait 10 s
    // or more for the desktop. So: make the prefix, end that server, and
    // boot it once more under a server that outlives each tool run. It ends
    // at RemovePrefix, or by itself 2 minutes after the last wine process
    // should this binary be killed before that.
    if (!Step({wineboot, "-i"}, seconds(180), "wineboot -i")) {
        return;
    }
    RunBounded({wineserver, "-k"}, ThePrefix.environment, seconds(30));  // fails if it ended already
    if (!Step({wineserver, "-p120"}, seconds(30), "wineserver -p120") ||
        !Step({wineboot}, seconds(120), "wineboot")) {
        return;
    }
}

void RemovePrefix() {
    if (ThePrefix.path.empty()) {
        return;
    }
    std::string wineserver = FindOnPath("wineserver");
    if (!wineserver.empty()) {
        RunBounded({wineserver, "-k"}, ThePrefix.environment, seconds(30));
    }
    std::error_code ignored;
    fs::remove_all(ThePrefix.path, ignored);
    ThePrefix.path.clear();
}

}  // namespace winetest
