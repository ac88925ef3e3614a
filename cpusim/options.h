// The board's command line.
#pragma once

#include <cstdint>

struct SimOptions {
    const char* storeDirectory;
    const char* linkPath;     // nullptr: no link
    const char* logPath;      // nullptr: no transcript
    long sessions;            // 0: until a signal
    long serveBytes;          // -1: files at their own length
    double noiseRate;         // 0: clean line
    uint64_t seed;
    bool noiseToTool;
    bool noiseToBoard;
    long baud;                // 0: as fast as the pty goes
    bool verbose;
};

enum OptionsResult { OPTIONS_RUN, OPTIONS_HELP, OPTIONS_BAD };

// Fills options (faults go straight into the fault plan). Prints --help or
// the reason for a refusal itself.
OptionsResult ParseOptions(int argc, char** argv, SimOptions* options);
