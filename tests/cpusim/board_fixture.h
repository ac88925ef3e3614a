// A started board and the tool's end of its line, for tests that play a tool.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cpusim_process.h"
#include "pty_line.h"
#include "tool_frames.h"

// Long enough for a loaded machine; every wait ends by then.
constexpr std::chrono::milliseconds WAIT{5000};

class BoardTest : public ::testing::Test {
protected:
    // Starts the board with these arguments and opens its line. Use with
    // ASSERT_NO_FATAL_FAILURE.
    void StartBoard(const std::vector<std::string>& args = {});
    // Closes the line and opens it again, as the next tool run does.
    void ReopenLine();
    void Send(const Bytes& decoded);
    // The next frame must be exactly `decoded` as stuffed by the codec, with
    // nothing before it on the line.
    void Expect(const Bytes& decoded);
    // The next raw frame, with what came before it.
    Bytes ReceiveRaw(Bytes* junk = nullptr);
    // The board ends by itself with status 0.
    void ExpectBoardEnds();

    testsupport::CpusimProcess board;
    testsupport::PtyLine line;
};
