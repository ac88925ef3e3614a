#include "options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <getopt.h>

#include "board_store.h"
#include "fault_plan.h"

namespace {
const char USAGE[] =
    "Usage: cpusim [OPTION]...\n"
    "Simulated CPU board at the far end of the tools' serial line. Opens a\n"
    "pseudo-terminal, prints the device the tools open as the first line on\n"
    "standard output, and answers WRITE and READ sessions one after another\n"
    "until SIGINT/SIGTERM or until --sessions sessions have ended.\n"
    "\n"
    "  --store DIR         directory holding the board's files \"0&000000.DAT\" and\n"
    "                      \"1&000000.DAT\" (default: the current directory); a\n"
    "                      written file replaces the old one atomically\n"
    "  --link PATH         also make PATH a symbolic link to the device (replacing an\n"
    "                      older link, never another file); removed at exit\n"
    "  --sessions N        exit after N sessions have ended (default: no limit)\n"
    "  --fault FAULT       inject a fault into the board's answers; repeatable.\n"
    "                      FAULT is KIND@BLOCK, KIND@BLOCKxCOUNT, either followed by\n"
    "                      /SESSION to limit it to that session (from 1)\n"
    "  --serve-bytes N     serve READ requests N bytes of the file: cut short, or\n"
    "                      filled up with zero bytes (at most 1048576)\n"
    "  --noise RATE        damage bytes on the line with probability RATE (0 to 1)\n"
    "                      each: flip one bit, drop the byte, or insert a random byte\n"
    "  --seed S            seed of the noise (default 1); equal seeds, equal noise\n"
    "  --noise-dir DIR     tx (board to tool, the default), rx (tool to board) or both\n"
    "  --baud RATE         pace the line at RATE baud, 10 bit times per byte, both\n"
    "                      ways (default: unpaced)\n"
    "  --log FILE          transcript of every frame, one line each, flushed per line:\n"
    "                        <DIR> first=<sec.usec> last=<sec.usec> raw=<n> <hex>\n"
    "                      DIR is RX (tool to board) or TX (board to tool); RXJUNK and\n"
    "                      TXJUNK carry bytes outside frames; times are\n"
    "                      CLOCK_MONOTONIC: for RX the arrival of the first and last\n"
    "                      byte (paced, with --baud), for TX the start and end of the\n"
    "                      write; hex is the raw line bytes, noise included\n"
    "  --verbose           one line on standard error per frame, besides the line per\n"
    "                      session\n"
    "  --help              this text\n"
    "\n"
    "BLOCK names the board's regular answer by its block number: ACK BLOCK in a\n"
    "write (0 answers the WRITE request), DATA BLOCK in a read (1, or 0, answers\n"
    "the READ request). The fault hits COUNT answers in a row from there\n"
    "(default 1), repeats after an ERROR with block number 0 included.\n"
    "Fault kinds:\n"
    "  error0      ERROR block 0, text \"RESEND\", instead of the answer; the block\n"
    "              is not taken (a writer sends its frame again)\n"
    "  error       ERROR with the answer's block number (65535 for block 0), text\n"
    "              \"FAULT\"\n"
    "  nonul       ERROR block 0 whose text \"NO NUL\" has no terminating NUL\n"
    "  fcs         the answer with a corrupted FCS\n"
    "  wrongblock  the answer with block number BLOCK+1\n"
    "  repeat      the answer of the block before again: ACK BLOCK-1 in a write,\n"
    "              DATA BLOCK-1 in a read (block 0 with block 1's bytes at 1)\n"
    "  unknowncmd  a valid frame with command 0x0104 before the answer\n"
    "  ack         (read) a valid ACK BLOCK frame before the answer\n"
    "  garbage     the bytes 55 aa 00 ff 31 32 33 before the answer\n"
    "  pieces      the answer written 3 bytes at a time, 2 ms apart\n"
    "  shortdata   (read) instead of the answer, a DATA frame of 7 decoded bytes\n"
    "              (7e 00 03 <block low byte> <FCS> 7e, valid FCS) whose command\n"
    "              bytes are needlessly escaped so that it is 9 bytes or more\n"
    "  shortframe  the 5 raw bytes 7e 00 03 <block low byte> 7e before the answer\n"
    "  emptydata   (read) DATA BLOCK with no payload instead of the answer\n"
    "  silence     no answer from here until the session ends\n"
    "Errors of the board's own: a frame failing the FCS check gets ERROR block 0\n"
    "\"FCS NG\"; an unexpected block \"BLOCK NO. NG\", command \"COMMAND NG\", block\n"
    "length \"DATA LENGTH NG\", file \"FILE NAME NG\", \"FILE NOT FOUND\", \"FILE TOO\n"
    "LARGE\", \"READ NG\", \"WRITE NG\", request length \"REQUEST NG\", a frame with no\n"
    "session \"NO SESSION\"; these carry the block awaited, or 65535.\n"
    "\n"
    "Exit status: 0 after a clean end, 1 when the line cannot be set up or\n"
    "fails, 2 for a bad command line.\n";

enum OptionCode {
    OPT_STORE = 1,
    OPT_LINK,
    OPT_SESSIONS,
    OPT_FAULT,
    OPT_SERVE_BYTES,
    OPT_NOISE,
    OPT_SEED,
    OPT_NOISE_DIR,
    OPT_BAUD,
    OPT_LOG,
    OPT_VERBOSE,
    OPT_HELP,
};

const option LONG_OPTIONS[] = {
    {"store", required_argument, nullptr, OPT_STORE},
    {"link", required_argument, nullptr, OPT_LINK},
    {"sessions", required_argument, nullptr, OPT_SESSIONS},
    {"fault", required_argument, nullptr, OPT_FAULT},
    {"serve-bytes", required_argument, nullptr, OPT_SERVE_BYTES},
    {"noise", required_argument, nullptr, OPT_NOISE},
    {"seed", required_argument, nullptr, OPT_SEED},
    {"noise-dir", required_argument, nullptr, OPT_NOISE_DIR},
    {"baud", required_argument, nullptr, OPT_BAUD},
    {"log", required_argument, nullptr, OPT_LOG},
    {"verbose", no_argument, nullptr, OPT_VERBOSE},
    {"help", no_argument, nullptr, OPT_HELP},
    {nullptr, 0, nullptr, 0},
};

bool Bad(const char* option, const char* value) {
    std::fprintf(stderr, "cpusim: bad value for --%s: \"%s\" (see --help)\n", option, value);
    return false;
}

bool ParseLong(const char* option, const char* text, long low, long high, long* value) {
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (text[0] == '\0' || *end != '\0' || errno != 0 || v < low || v > high) {
        return Bad(option, text);
    }
    *value = v;
    return true;
}

bool ParseOne(int code, const char* value, SimOptions* options) {
    switch (code) {
        case OPT_STORE:
            options->storeDirectory = value;
            return true;
        case OPT_LINK:
            options->linkPath = value;
            return true;
        case OPT_LOG:
            options->logPath = value;
            return true;
        case OPT_SESSIONS:
            return ParseLong("sessions", value, 1, 1000000000L, &options->sessions);
        case OPT_SERVE_BYTES:
            return ParseLong("serve-bytes", value, 0, MAX_FILE_BYTES, &options->serveBytes);
        case OPT_BAUD:
            return ParseLong("baud", value, 50, 4000000L, &options->baud);
        case OPT_FAULT: {
            char why[160];
            if (!AddFault(value, why, sizeof why)) {
                std::fprintf(stderr, "cpusim: --fault: %s (see --help)\n", why);
                return false;
            }
            return true;
        }
        case OPT_NOISE: {
            errno = 0;
            char* end = nullptr;
            double rate = std::strtod(value, &end);
            if (value[0] == '\0' || *end != '\0' || errno != 0 || !(rate >= 0.0 && rate <= 1.0)) {
                return Bad("noise", value);
            }
            options->noiseRate = rate;
            return true;
        }
        case OPT_SEED: {
            errno = 0;
            char* end = nullptr;
            unsigned long long seed = std::strtoull(value, &end, 0);
            if (value[0] == '\0' || value[0] == '-' || *end != '\0' || errno != 0) {
                return Bad("seed", value);
            }
            options->seed = seed;
            return true;
        }
        case OPT_NOISE_DIR:
            if (std::strcmp(value, "tx") == 0 || std::strcmp(value, "rx") == 0 ||
                std::strcmp(value, "both") == 0) {
                options->noiseToTool = value[0] != 'r';
                options->noiseToBoard = value[0] != 't';
                return true;
            }
            return Bad("noise-dir", value);
        case OPT_VERBOSE:
            options->verbose = true;
            return true;
        default:
            return false;
    }
}
}  // namespace

OptionsResult ParseOptions(int argc, char** argv, SimOptions* options) {
    *options = SimOptions{".", nullptr, nullptr, 0, -1, 0.0, 1, true, false, 0, false};
    opterr = 1;
    int code;
    while ((code = getopt_long(argc, argv, "", LONG_OPTIONS, nullptr)) != -1) {
        if (code == OPT_HELP) {
            std::fputs(USAGE, stdout);
            return OPTIONS_HELP;
        }
        if (code == '?' || !ParseOne(code, optarg, options)) {
            if (code == '?') {
                std::fputs("cpusim: see --help\n", stderr);
            }
            return OPTIONS_BAD;
        }
    }
    if (optind < argc) {
        std::fprintf(stderr, "cpusim: unexpected argument \"%s\" (see --help)\n", argv[optind]);
        return OPTIONS_BAD;
    }
    return OPTIONS_RUN;
}
