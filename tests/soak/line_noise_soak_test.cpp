// The three tools against a board whose line flips bits, drops bytes and
// inserts bytes. Every run must end in a success that is true, a clean
// failure, or the silence of a lost frame (which the exchanges allow: no
// side ever times out); anything else fails the test.
//
// The noise is repeatable: runs use the seeds SOAK_FIRST_SEED (default 1)
// onwards, and a failure names the board options that repeat it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "soak_run.h"
#include "soak_tally.h"

namespace {
// Rates per byte. Board to tool (tx) the verifiers get the long DATA frames
// and the writer only ACKs; tool to board (rx) it is the other way round,
// and damaged DATA frames make the writer resend.
const SoakCase CASES[] = {
    {"glyphload2", 1e-3, "tx", 32, false},
    {"glyphload2", 3e-3, "tx", 8, false},
    {"glyphload2", 1e-4, "rx", 24, false},
    {"glyphload2", 1e-3, "rx", 24, false},
    {"glyphload2", 3e-4, "both", 16, false},
    {"glyphcheck2", 1e-5, "tx", 48, false},
    {"glyphcheck2", 1e-4, "tx", 16, false},
    {"glyphcheck2", 1e-5, "tx", 24, true},
    {"glyphcheck2", 3e-4, "rx", 16, false},
    {"glyphcheck2", 1e-5, "both", 16, false},
    {"glyphcheck1", 1e-5, "tx", 48, false},
    {"glyphcheck1", 1e-4, "tx", 16, false},
    {"glyphcheck1", 1e-5, "tx", 24, true},
    {"glyphcheck1", 3e-4, "rx", 16, false},
};

uint64_t FirstSeed() {
    const char* text = std::getenv("SOAK_FIRST_SEED");
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : 1;
}

void Soak(const char* tool) {
    for (const SoakCase& c : CASES) {
        if (std::strcmp(c.tool, tool) != 0) {
            continue;
        }
        int counts[RUN_BAD + 1] = {};
        int slowestMs = 0;
        for (int i = 0; i < c.runs; ++i) {
            uint64_t seed = FirstSeed() + static_cast<uint64_t>(i);
            RunResult result = RunSoakCase(c, seed);
            CountRun(tool, result);
            ++counts[result.kind];
            if (result.kind != RUN_WAITING && result.elapsedMs > slowestMs) {
                slowestMs = result.elapsedMs;
            }
            std::string run = std::string(tool) + " against cpusim " + NoiseOptions(c, seed) +
                              (c.fileOneByteOff ? " (file one byte off)" : "");
            if (result.kind == RUN_WAITING) {
                std::cout << "waiting on a lost frame: " << run << ": " << result.reason << "\n";
            }
            if (result.kind == RUN_BAD) {
                ADD_FAILURE() << run << ": " << result.reason << "\n" << result.detail;
            }
        }
        std::cout << tool << " " << NoiseOptions(c, FirstSeed()) << ".." << FirstSeed() + c.runs - 1
                  << (c.fileOneByteOff ? " (file one byte off)" : "")
                  << ", " << c.runs << " seeds: success " << counts[RUN_SUCCESS] << ", clean failure "
                  << counts[RUN_CLEAN_FAILURE] << ", waiting " << counts[RUN_WAITING] << ", bad "
                  << counts[RUN_BAD] << "; slowest run that ended " << slowestMs << " ms\n";
    }
}

// The table comes once, after every tool's runs.
class TallyPrinter : public testing::Environment {
  public:
    void TearDown() override { PrintTally(std::cout); }
};
testing::Environment* const TALLY = testing::AddGlobalTestEnvironment(new TallyPrinter);

TEST(LineNoiseSoak, WriterSucceedsOnlyWithThePartStored) {
    Soak("glyphload2");
}

TEST(LineNoiseSoak, PartTwoVerifierGivesOnlyTrueVerdicts) {
    Soak("glyphcheck2");
}

TEST(LineNoiseSoak, PartOneVerifierGivesOnlyTrueVerdicts) {
    Soak("glyphcheck1");
}
}  // namespace
