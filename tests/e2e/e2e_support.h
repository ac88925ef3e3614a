// What the end-to-end tests share: a board with the tools pointed at it,
// and the console text a run is expected to show.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpusim_process.h"
#include "image_part.h"
#include "tool_process.h"

using Bytes = std::vector<uint8_t>;

Bytes PartBytes(const ImagePart& part);

// A board started with the given extra options; its store can be filled first.
class BoardTest : public testing::Test {
  protected:
    // Starts the board; a failure to start fails the test.
    void StartBoard(const std::vector<std::string>& options = {});
    // Runs a tool on COM3, which names the board's pseudo-terminal.
    ToolRun Run(const std::string& tool, const std::string& locale = "C",
                std::chrono::milliseconds bound = std::chrono::seconds(30));
    // The frames the tool sent, raw as on the line, from the board's transcript.
    std::vector<Bytes> FramesFromTool();

    testsupport::CpusimProcess board;
};

// "%02x " for each byte.
std::string HexBytes(const uint8_t* bytes, int count);
// The ACK line the writer prints for the board's ACK of a block.
std::string AckLine(uint16_t block);
// The ACK lines of blocks from..to.
std::string AckLines(int from, int to);
// The verifier's line for DATA block k carrying the given payload.
std::string DataLine(uint16_t k, const uint8_t* payload, int p, bool ok);
// The lines of a verifier reading `file` as the board serves it, against
// `part` (the verdict banner not included).
std::string VerifierLines(const ImagePart& part, const Bytes& file);
// The stuffed frames a tool sends, built with the codec.
Bytes StuffedAck(uint16_t block);
Bytes StuffedData(uint16_t block, const uint8_t* payload, int p);
Bytes StuffedWriteRequest();
Bytes StuffedReadRequest(const ImagePart& part);
// Shift_JIS console text as a UTF-8 console shows it.
std::string ToUtf8(const std::string& sjis);
// The last lines of a console text, from the n-th line from the end.
std::string Tail(const std::string& text, int lines);
int CountLines(const std::string& text);
