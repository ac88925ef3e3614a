// Counts of the soak's runs per tool, and the table they are shown in.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "soak_run.h"

struct ToolTally {
    int runs = 0;
    int counts[RUN_BAD + 1] = {};
    int resends = 0;
    int boardFileDamaged = 0;
    std::map<std::string, int> failures;  // clean failures by the line that named them
};

void CountRun(const std::string& tool, const RunResult& result);
// The table: per tool runs, success, clean failure, waiting on a lost frame,
// bad; then what the clean failures were.
void PrintTally(std::ostream& out);
