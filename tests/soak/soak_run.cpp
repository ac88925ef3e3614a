#include "soak_run.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "console_texts.h"
#include "cpusim_process.h"
#include "e2e_support.h"
#include "frame_codec.h"
#include "run_evidence.h"
#include "tool_process.h"
#include "transcript_reader.h"
#include "verifier_texts.h"
#include "writer_texts.h"

namespace {
using testsupport::TranscriptEntry;

const std::string FAILURE_END = std::string(MSG_FAILURE_BANNER) + MSG_PRESS_ANY_KEY;
const std::string CPU_ERROR_START =
    std::string(MSG_CPU_ERROR).substr(0, std::string(MSG_CPU_ERROR).find("%s"));

bool IsWriter(const SoakCase& c) {
    return std::strcmp(c.tool, "glyphload2") == 0;
}

const ImagePart& PartOf(const SoakCase& c) {
    return std::strcmp(c.tool, "glyphcheck1") == 0 ? IMAGE_PART1 : IMAGE_PART2;
}

// A file that differs from the part in one byte of its second-last block:
// a verifier must read nearly all of it to notice, and a writer that left
// it in place cannot pass for one that stored the part.
Bytes OneByteOff(const ImagePart& part) {
    Bytes file = PartBytes(part);
    file[file.size() - BLOCK_SIZE - 100] ^= 0x01;
    return file;
}

std::string RateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", rate);
    return text;
}

int64_t MonotonicUs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// The line before the failure banner names the fault; for a verdict it is
// the last block's line, and some block's line says NG.
std::string FailureReason(const std::string& out, bool fileRight) {
    std::string line = Tail(out, 3);
    line.resize(line.size() - FAILURE_END.size());
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    const char* const NAMED[] = {MSG_CRC_ERROR, MSG_BLOCK_NO_ERROR, MSG_COMMAND_NO_ERROR,
                                 MSG_FRAME_SIZE_ERROR};
    for (const char* named : NAMED) {
        std::string text(named);
        if (line + "\n" == text) {
            return text.substr(0, text.find('('));
        }
    }
    if (StartsWith(line, CPU_ERROR_START) && EndsWith(line, ")")) {
        return "CPU ERROR " + line.substr(CPU_ERROR_START.size(),
                                          line.size() - CPU_ERROR_START.size() - 1);
    }
    if (StartsWith(line, MSG_READ_DATA_COMMAND) && out.find(MSG_VERIFY_NG) != std::string::npos) {
        return fileRight ? "verdict NG on the part itself" : "verdict NG";
    }
    return std::string();
}

RunResult Bad(const std::string& reason) {
    RunResult result;
    result.kind = RUN_BAD;
    result.reason = reason;
    return result;
}

// Judges a run that ended by itself.
RunResult JudgeEnded(const SoakCase& c, const ToolRun& run, const Bytes& stored) {
    const ImagePart& part = PartOf(c);
    bool fileRight = stored == PartBytes(part);
    if (run.status == 0) {
        std::string banner = IsWriter(c) ? MSG_WRITE_COMPLETE : MSG_VERIFY_BANNER;
        if (!EndsWith(run.out, banner + MSG_PRESS_ANY_KEY)) {
            return Bad("exit 0 without the success banner");
        }
        if (!fileRight) {
            return Bad("success although the board's file is not the part");
        }
        if (!IsWriter(c) && (Count(run.out, MSG_VERIFY_OK) != GetImageBlockCount(part) ||
                             Count(run.out, MSG_VERIFY_NG) != 0)) {
            return Bad("success without every block verified OK");
        }
        RunResult result;
        result.kind = RUN_SUCCESS;
        return result;
    }
    if (run.status == 1) {
        if (!EndsWith(run.out, FAILURE_END)) {
            return Bad("exit 1 without the failure banner as the last lines");
        }
        RunResult result;
        result.kind = RUN_CLEAN_FAILURE;
        result.reason = FailureReason(run.out, fileRight);
        if (result.reason.empty()) {
            return Bad("exit 1 without a line naming the failure");
        }
        return result;
    }
    return Bad(run.status < 0 ? "ended by a signal" : "exit status " + std::to_string(run.status));
}

// Judges a run killed at the bound: allowed only as the silence of a frame
// lost on a quiet line.
RunResult JudgeKilled(const SoakCase& c, const std::vector<TranscriptEntry>& entries,
                      int64_t killedUs, int64_t boardStartUs) {
    int64_t lastActivityUs = entries.empty() ? boardStartUs : entries.back().lastUs;
    if (killedUs - lastActivityUs < LINE_QUIET_MS * 1000) {
        return Bad("still exchanging frames at the bound");
    }
    bool towardsBoard = std::strcmp(c.direction, "tx") != 0;
    std::string lost = ExplainLostFrame(entries, towardsBoard);
    if (lost.empty()) {
        return Bad("waits although every frame arrived whole");
    }
    RunResult result;
    result.kind = RUN_WAITING;
    result.reason = lost;
    return result;
}
}  // namespace

std::string NoiseOptions(const SoakCase& c, uint64_t seed) {
    return "--noise " + RateText(c.rate) + " --noise-dir " + c.direction + " --seed " +
           std::to_string(seed);
}

RunResult RunSoakCase(const SoakCase& c, uint64_t seed) {
    testsupport::CpusimProcess board;
    const ImagePart& part = PartOf(c);
    bool wrongFile = c.fileOneByteOff || IsWriter(c);
    for (const ImagePart* p : {&IMAGE_PART1, &IMAGE_PART2}) {
        Bytes file = wrongFile && p == &part ? OneByteOff(*p) : PartBytes(*p);
        if (!board.PutStoreFile(p->fileName, file)) {
            return Bad("cannot fill the board's store");
        }
    }
    int64_t boardStartUs = MonotonicUs();
    if (!board.Start({"--noise", RateText(c.rate), "--noise-dir", c.direction, "--seed", std::to_string(seed)})) {
        return Bad("the board did not start: " + board.Error());
    }

    ToolLaunch launch;
    launch.tool = c.tool;
    launch.arguments = {"3"};
    launch.environment = {"COM3=" + board.PtyPath()};
    launch.bound = std::chrono::milliseconds(RUN_BOUND_MS);
    int64_t startedUs = MonotonicUs();
    ToolRun run = RunTool(launch);
    int64_t endedUs = MonotonicUs();

    bool boardAlive = board.WaitForExit(std::chrono::milliseconds(0)) == testsupport::CPUSIM_STILL_RUNNING;
    int boardEnd = board.Stop();
    std::vector<TranscriptEntry> entries = testsupport::ReadTranscript(board.TranscriptPath());
    Bytes stored;
    board.ReadStoreFile(part.fileName, &stored);

    RunResult result;
    if (!boardAlive || boardEnd != 0) {
        result = Bad("the board ended with " + std::to_string(boardEnd) + ": " + board.Stderr());
    } else if (!run.err.empty()) {
        result = Bad("the tool wrote to standard error");
    } else if (run.timedOut) {
        result = JudgeKilled(c, entries, endedUs, boardStartUs);
    } else {
        result = JudgeEnded(c, run, stored);
    }
    if (IsWriter(c) && stored != OneByteOff(part) && stored != PartBytes(part)) {
        result.boardFileDamage = "the board's file is now " + std::to_string(stored.size()) +
                                 " bytes, neither the old file nor the part";
    }
    result.resends = Count(run.out, MSG_RESENDING);
    result.elapsedMs = static_cast<int>((endedUs - startedUs) / 1000);
    if (result.kind == RUN_BAD) {
        result.detail = "  console, last lines:\n" + Tail(run.out, 4) + "\n  standard error:\n" +
                        run.err + "\n  transcript, last frames:\n" + TranscriptExcerpt(entries, 8);
    }
    return result;
}
