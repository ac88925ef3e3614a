// One soak run: a fresh simulated board with line noise, one tool against
// it, and the judgement of how the run ended.
#pragma once

#include <cstdint>
#include <string>

// How long a run may take. An unpaced run ends well within a second; a run
// that is still going at the bound is killed and judged by whether the line
// had gone quiet for LINE_QUIET_MS before.
constexpr int RUN_BOUND_MS = 2000;
constexpr int LINE_QUIET_MS = 1000;

struct SoakCase {
    const char* tool;       // glyphload2, glyphcheck1 or glyphcheck2
    double rate;            // --noise
    const char* direction;  // --noise-dir: tx, rx or both
    int runs;               // seeds first .. first + runs - 1
    bool fileOneByteOff;    // the board starts with its file of the tool's part one byte off
};

enum RunKind {
    RUN_SUCCESS,        // exit 0, banner, and the board's file is the part
    RUN_CLEAN_FAILURE,  // exit 1 with the line that names the fault and the failure banner
    RUN_WAITING,        // both sides waiting on a frame the noise lost; killed at the bound
    RUN_BAD,            // anything else
};

struct RunResult {
    RunKind kind = RUN_BAD;
    std::string reason;  // the failure's line, the lost frame, or what was wrong
    std::string detail;  // for a bad run: console tail and transcript excerpt
    int resends = 0;     // the writer's retransmissions
    int elapsedMs = 0;   // from the tool's start to its end or the kill
    // A failed write that left the board's file neither as it was nor the
    // part: the board took a damaged frame whose FCS still matched.
    std::string boardFileDamage;
};

RunResult RunSoakCase(const SoakCase& c, uint64_t seed);
// The board's command line that repeats the run's noise.
std::string NoiseOptions(const SoakCase& c, uint64_t seed);
