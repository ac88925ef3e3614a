#include "soak_tally.h"

#include <cstdio>

namespace {
// In the order the table shows them; a tool that did not run is left out.
const char* const TOOLS[] = {"glyphload2", "glyphcheck2", "glyphcheck1"};

std::map<std::string, ToolTally> Tallies;

std::string Row(const char* tool, int runs, int success, int failure, int waiting, int bad) {
    char line[128];
    std::snprintf(line, sizeof line, "%-12s %6d %8d %14d %22d %5d\n", tool, runs, success, failure,
                  waiting, bad);
    return line;
}
}  // namespace

void CountRun(const std::string& tool, const RunResult& result) {
    ToolTally& tally = Tallies[tool];
    ++tally.runs;
    ++tally.counts[result.kind];
    tally.resends += result.resends;
    tally.boardFileDamaged += result.boardFileDamage.empty() ? 0 : 1;
    if (result.kind == RUN_CLEAN_FAILURE) {
        ++tally.failures[result.reason];
    }
}

void PrintTally(std::ostream& out) {
    if (Tallies.empty()) {
        return;
    }
    out << "\nline-noise soak\n"
        << "tool           runs  success  clean failure  waiting on lost frame   bad\n";
    for (const char* tool : TOOLS) {
        auto found = Tallies.find(tool);
        if (found == Tallies.end()) {
            continue;
        }
        const ToolTally& t = found->second;
        out << Row(tool, t.runs, t.counts[RUN_SUCCESS], t.counts[RUN_CLEAN_FAILURE],
                   t.counts[RUN_WAITING], t.counts[RUN_BAD]);
    }
    for (const char* tool : TOOLS) {
        auto found = Tallies.find(tool);
        if (found == Tallies.end()) {
            continue;
        }
        out << tool << " clean failures:";
        for (const auto& [reason, count] : found->second.failures) {
            out << " " << reason << " x" << count << ";";
        }
        if (found->second.resends > 0) {
            out << " frames resent on the board's request: " << found->second.resends << ";";
        }
        if (found->second.boardFileDamaged > 0) {
            out << " failed runs that left the board's file damaged: " << found->second.boardFileDamaged << ";";
        }
        out << "\n";
    }
}
