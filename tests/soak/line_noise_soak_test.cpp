// The three tools against a board whose line flips bits, drops bytes and
// inserts bytes. Every run must end in a success that is true, a clean
// failure, or the silence of a lost frame (which the exchanges allow: no
// side ever times out); anything else fails the test.
//
// The noise is repeatable: the seeds start at SOAK_FIRST_SEED (default 1),
// and every run that is reported names the board options that repeat it.
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
    {"glyphload2", 1e-3, "tx", 56, false},
    {"glyphload2", 3e-3, "tx", 8, false},
    {"glyphload2", 1e-4, "rx", 24, false},
    {"glyphload2", 1e-3, "rx", 40, false},
    {"glyphload2", 3e-4, "both", 24, false},
    {"glyphcheck2", 1e-5, "tx", 64, false},
    {"glyphcheck2", 1e-4, "tx", 16, false},
    {"glyphcheck2", 1e-5, "tx", 32, true},
    {"glyphcheck2", 5e-4, "rx", 32, false},
    {"glyphcheck2", 1e-5, "both", 16, false},
    {"glyphcheck1", 1e-5, "tx", 64, false},
    {"glyphcheck1", 1e-4, "tx", 16, false},
    {"glyphcheck1", 1e-5, "tx", 32, true},
    {"glyphcheck1", 5e-4, "rx", 32, false},
};
// Each case draws its seeds from a range of its own, so that no two cases
// replay the same noise on the same bytes.
constexpr uint64_t SEEDS_PER_CASE = 100;

uint64_t FirstSeed() {
    const char* text = std::getenv("SOAK_FIRST_SEED");
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : 1;
}

void Soak(const char* tool) {
    for (size_t index = 0; index < sizeof CASES / sizeof CASES[0]; ++index) {
        const SoakCase& c = CASES[index];
        uint64_t firstSeed = FirstSeed() + SEEDS_PER_CASE * index;
        if (std::strcmp(c.tool, tool) != 0) {
            continue;
        }
        int counts[RUN_BAD + 1] = {};
        int slowestMs = 0;
        for (int i = 0; i < c.runs; ++i) {
            uint64_t seed = firstSeed + static_cast<uint64_t>(i);
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
            if (!result.boardFileDamage.empty()) {
                std::cout << "board's file damaged: " << run << ": " << result.boardFileDamage << "\n";
            }
            if (result.kind == RUN_BAD) {
                ADD_FAILURE() << run << ": " << result.reason << "\n" << result.detail;
            }
        }
        std::cout << tool << " " << NoiseOptions(c, firstSeed) << ".." << firstSeed + c.runs - 1
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
