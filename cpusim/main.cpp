// cpusim: the simulated CPU board, the far end of the tools' serial line.
//
// It opens a pseudo-terminal pair, prints the slave device (the "port" the
// tools open) as the first line on standard output, and plays the board's
// side of the exchanges: a WRITE request is answered with ACK 0 and every
// DATA block with its ACK, the file being stored once a block shorter than
// 1024 bytes arrives; a READ request is answered with DATA blocks 1, 2, ...
// each after the tool's ACK of the one before, the last one shorter (empty
// for a file whose length is a multiple of 1024). Sessions follow one another
// until SIGINT/SIGTERM or until --sessions of them have ended.
//
// Fault kinds (--fault KIND@BLOCK[xCOUNT][/SESSION]; BLOCK is the block
// number of the board's regular answer: ACK BLOCK in a write, 0 answering
// the WRITE request; DATA BLOCK in a read, 1 (or 0) answering the READ
// request; the fault hits COUNT answers in a row from there):
//   error0      ERROR block 0, text "RESEND", instead of the answer. The
//               board does not take the block, so the writer's resend is
//               answered afresh (and hit again while COUNT lasts).
//   error       ERROR with the answer's block number, 65535 in place of 0
//               (0 would ask for a resend), text "FAULT".
//   nonul       ERROR block 0 with the text "NO NUL" and no NUL after it:
//               the FCS follows the text directly.
//   fcs         the answer with its FCS low byte inverted.
//   wrongblock  the answer carrying block number BLOCK + 1.
//   repeat      the previous answer again: ACK BLOCK - 1 in a write (65535
//               at block 0), DATA BLOCK - 1 with that block's bytes in a read
//               (at block 1: block number 0 with block 1's bytes).
//   unknowncmd  a valid 8-byte frame with command 0x0104 and block BLOCK,
//               sent before the answer (a writer ignores it, a reader stops).
//   ack         reads only: a valid ACK BLOCK sent before the DATA answer.
//   garbage     the bytes 55 aa 00 ff 31 32 33 before the answer.
//   pieces      the answer (and whatever goes before it) written in pieces of
//               3 bytes with 2 ms pauses.
//   shortdata   reads only: instead of the answer a DATA frame of 7 decoded
//               bytes, 7e 00 03 <block low byte> <FCS, right> 7e, whose
//               command bytes are escaped although they need not be, so that
//               it is at least 9 bytes on the line like a real frame.
//   shortframe  the 5 raw bytes 7e 00 03 <block low byte> 7e (stuffed if that
//               byte needs it) before the answer.
//   emptydata   reads only: DATA BLOCK without payload instead of the answer,
//               which ends the read early.
//   silence     nothing more is sent in this session; frames are still read
//               and logged, and a signal still ends the board cleanly.
// Faults of one answer combine: extras go out first (garbage, shortframe,
// unknowncmd, ack; after a whole extra frame the board waits until the tool
// has read it, since a tool does not split frames that arrive together),
// then the answer, whose kind is the first of error0,
// nonul, error, shortdata, emptydata, repeat that applies, and to which
// wrongblock and fcs are applied last.
//
// A session ends with its last block, with an answer after which the tool
// gives up (an ERROR, except block 0 to a writer; a faulty answer), or when
// the next request arrives. Every session ends with one line on standard
// error; --verbose adds one line per frame.
#include <cstdio>

#include "board_session.h"
#include "board_store.h"
#include "frame_gatherer.h"
#include "line_io.h"
#include "line_noise.h"
#include "options.h"
#include "pty_port.h"
#include "sim_clock.h"
#include "stop_signal.h"
#include "transcript.h"

namespace {
// Bytes written to the tool that it has not read yet are lost when the
// board closes the line, so a board that ends by itself waits for them.

uint8_t Chunk[LINE_SEND_CAPACITY];

bool Finished(const SimOptions& options) {
    return StopRequested() || (options.sessions > 0 && EndedSessions() >= options.sessions);
}

void LogJunk(bool verbose) {
    int length = 0;
    int64_t firstNs = 0;
    int64_t lastNs = 0;
    const uint8_t* junk = GatheredJunk(&length, &firstNs, &lastNs);
    if (verbose) {
        std::fprintf(stderr, "cpusim: RX %d bytes outside any frame\n", length);
    }
    LogTranscript("RXJUNK", firstNs, lastNs, junk, length);
}

void TakeFrame() {
    int length = 0;
    int64_t firstNs = 0;
    int64_t lastNs = 0;
    const uint8_t* raw = GatheredFrame(&length, &firstNs, &lastNs);
    // At a line rate, the frame is only there once its last byte would be.
    PaceArrival(&firstNs, &lastNs, length);
    if (lastNs > MonotonicNs()) {
        SleepUntilNs(lastNs);
    }
    LogTranscript("RX", firstNs, lastNs, raw, length);
    HandleToolFrame(raw, length);
}

// Serves frames until the end; returns the exit status.
int ServeLine(const SimOptions& options) {
    while (!Finished(options)) {
        int64_t arrivalNs = 0;
        int got = ReceiveFromLine(Chunk, sizeof Chunk, &arrivalNs);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            std::perror("cpusim: reading the line");
            return 1;
        }
        for (int i = 0; i < got && !Finished(options); ++i) {
            GatherEvent event = FeedGatherer(Chunk[i], arrivalNs);
            if (event == GATHER_JUNK) {
                LogJunk(options.verbose);
            } else if (event == GATHER_FRAME) {
                TakeFrame();
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    switch (ParseOptions(argc, argv, &options)) {
        case OPTIONS_HELP:
            return 0;
        case OPTIONS_BAD:
            return 2;
        case OPTIONS_RUN:
            break;
    }
    if (!OpenBoardStore(options.storeDirectory)) {
        return 2;
    }
    if (!InstallStopSignals()) {
        std::perror("cpusim: signals");
        return 1;
    }
    if (options.logPath != nullptr && !OpenTranscript(options.logPath)) {
        return 1;
    }
    PtyPort port;
    if (!OpenPtyPort(&port)) {
        return 1;
    }
    if (options.linkPath != nullptr && !CreatePortLink(options.linkPath, port.slaveName)) {
        ClosePtyPort(&port);
        return 1;
    }
    std::printf("%s\n", port.slaveName);
    std::fflush(stdout);

    InitLine(port.master, port.slave, options.baud);
    InitLineNoise(options.noiseRate, options.seed, options.noiseToTool, options.noiseToBoard);
    BoardSettings settings{options.serveBytes, options.verbose};
    InitBoard(&settings);
    ResetGatherer();
    std::fprintf(stderr, "cpusim: serving %s%s%s, store %s\n", port.slaveName,
                 options.linkPath ? " via " : "", options.linkPath ? options.linkPath : "",
                 options.storeDirectory);

    int status = ServeLine(options);
    if (status == 0 && !StopRequested()) {
        WaitForToolToRead();
    }
    CloseBoard();
    if (options.linkPath != nullptr) {
        RemovePortLink(options.linkPath, port.slaveName);
    }
    ClosePtyPort(&port);
    CloseTranscript();
    if (StopRequested()) {
        std::fprintf(stderr, "cpusim: stopped by signal %d; sessions ended: %d\n",
                     StopSignalNumber(), EndedSessions());
    } else {
        std::fprintf(stderr, "cpusim: done; sessions ended: %d\n", EndedSessions());
    }
    return status;
}
