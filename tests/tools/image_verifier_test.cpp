// The read-and-verify exchange over a scripted board, on a small part of
// 2500 bytes (blocks of 1024, 1024 and 452) so each case shows plainly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_frames.h"
#include "comm_port.h"
#include "console_texts.h"
#include "image_part.h"
#include "image_verifier.h"
#include "scripted_platform.h"
#include "verifier_texts.h"

namespace {
using Bytes = std::vector<uint8_t>;

constexpr int SMALL_SIZE = 2500;
uint8_t SmallBytes[SMALL_SIZE];
const ImagePart SMALL_PART{"1&000000.DAT", "002500", SMALL_SIZE, 0, SmallBytes};

const std::string PREFIX = "(READ) DATA COMMAND --> ";

// The part's bytes [offset, offset + p) of block k, bytes past the part's end
// being 0x55; changedAt flips one of them.
Bytes PayloadOf(int k, int p, int changedAt = -1) {
    Bytes payload(static_cast<size_t>(p));
    for (int i = 0; i < p; ++i) {
        int at = (k - 1) * BLOCK_SIZE + i;
        payload[static_cast<size_t>(i)] = at >= 0 && at < SMALL_SIZE ? SmallBytes[at] : 0x55;
    }
    if (changedAt >= 0) {
        payload[static_cast<size_t>(changedAt)] ^= 0xFF;
    }
    return payload;
}

Bytes BlockFrame(int k, int p, int changedAt = -1) {
    return BoardData(static_cast<uint16_t>(k), PayloadOf(k, p, changedAt).data(), p);
}

// The line's dump: the decoded frame's first min(p, 16) bytes and its end.
std::string Dump(int k, int p) {
    if (p == 0) {
        return "";
    }
    uint8_t frame[FRAME_BUFFER_SIZE];
    BuildDataFrame(frame, static_cast<uint16_t>(k), PayloadOf(k, p).data(), p);
    return ToHex(Bytes(frame, frame + std::min(p, 16))) + " " + (p >= 16 ? ".....\t" : "\t");
}

std::string Line(int k, int p, bool ok) {
    return PREFIX + Dump(k, p) + (ok ? MSG_VERIFY_OK : MSG_VERIFY_NG);
}

Bytes ReadRequest() {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuffed(frame, BuildReadRequest(frame, "1&000000.DAT", "002500"));
}

struct VerifyCase {
    const char* name;
    std::vector<Bytes> board;
    bool verdict;
    std::string console;
    std::vector<Bytes> sent;  // after the READ request
};

class VerifierTest : public testing::TestWithParam<VerifyCase> {};

TEST_P(VerifierTest, LinesVerdictAndAcks) {
    const VerifyCase& c = GetParam();
    ResetScript();
    for (const Bytes& frame : c.board) {
        Script.input.push_back(frame);
    }
    EXPECT_EQ(VerifyPart(SMALL_PART), c.verdict);
    EXPECT_EQ(Script.console, c.console);
    std::vector<Bytes> sent{ReadRequest()};
    sent.insert(sent.end(), c.sent.begin(), c.sent.end());
    EXPECT_EQ(Script.writes, sent);
    EXPECT_TRUE(Script.input.empty()) << "the run ended before the board's last frame";
}

std::string CpuError(const std::string& text) {
    return "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46" + text + ")\n";
}

const int LAST = SMALL_SIZE - 2 * BLOCK_SIZE;  // 452

std::vector<VerifyCase> Cases() {
    for (int i = 0; i < SMALL_SIZE; ++i) {
        SmallBytes[i] = static_cast<uint8_t>(i * 31 + (i >> 8));
    }
    // A DATA frame of 7 decoded bytes with a sound FCS; its escaped 0x7D makes
    // it 8 bytes on the line, long enough to be gathered as a whole frame.
    uint8_t tinyFrame[FRAME_BUFFER_SIZE] = {0x7E, 0x00, 0x03, 0x7D, 0x00, 0x00, 0x7E};
    AppendFcs(tinyFrame, 7);
    return {
        {"WholeFile",
         {BlockFrame(1, 1024), BlockFrame(2, 1024), BlockFrame(3, LAST)},
         true,
         Line(1, 1024, true) + Line(2, 1024, true) + Line(3, LAST, true),
         {BoardAck(1), BoardAck(2)}},
        {"DifferenceGoesOnToTheEnd",
         {BlockFrame(1, 1024, 700), BlockFrame(2, 1024), BlockFrame(3, LAST)},
         false,
         Line(1, 1024, false) + Line(2, 1024, true) + Line(3, LAST, true),
         {BoardAck(1), BoardAck(2)}},
        {"ShortLastBlockIsNotTheFile",
         {BlockFrame(1, 1024), BlockFrame(2, 1024), BlockFrame(3, LAST - 1)},
         false,
         Line(1, 1024, true) + Line(2, 1024, true) + Line(3, LAST - 1, false),
         {BoardAck(1), BoardAck(2)}},
        {"EmptyBlockWherePartGoesOn",
         {BlockFrame(1, 1024), BlockFrame(2, 1024), BlockFrame(3, 0)},
         false,
         Line(1, 1024, true) + Line(2, 1024, true) + PREFIX + MSG_VERIFY_NG,
         {BoardAck(1), BoardAck(2)}},
        {"FirstBlockOf100MatchingBytes",
         {BlockFrame(1, 100)},
         false,
         Line(1, 100, false),
         {}},
        {"BytesBeyondThePartsEnd",
         {BlockFrame(1, 1024), BlockFrame(2, 1024), BlockFrame(3, LAST + 10)},
         false,
         Line(1, 1024, true) + Line(2, 1024, true) + Line(3, LAST + 10, false),
         {BoardAck(1), BoardAck(2)}},
        {"BlockAboveTheCountIsAckedAndNg",
         {BlockFrame(1, 1024), BlockFrame(2, 1024), BlockFrame(3, 1024), BlockFrame(4, 1024), BlockFrame(5, 0)},
         false,
         Line(1, 1024, true) + Line(2, 1024, true) + Line(3, 1024, false) + Line(4, 1024, false) + PREFIX,
         {BoardAck(1), BoardAck(2), BoardAck(3), BoardAck(4)}},
        {"DumpOfOnePayloadByte", {BlockFrame(1, 1)}, false, PREFIX + "7e \t" + MSG_VERIFY_NG, {}},
        {"DumpOfFifteen", {BlockFrame(1, 15)}, false, Line(1, 15, false), {}},
        {"DumpOfSixteen", {BlockFrame(1, 16)}, false, Line(1, 16, false), {}},
        {"WrongBlock", {BlockFrame(2, 1024)}, false, MSG_BLOCK_NO_ERROR, {}},
        {"BlockZero", {BlockFrame(0, 1024)}, false, MSG_BLOCK_NO_ERROR, {}},
        {"RepeatOfTheBlockBefore",
         {BlockFrame(1, 1024), BlockFrame(1, 1024)},
         false,
         Line(1, 1024, true) + MSG_BLOCK_NO_ERROR,
         {BoardAck(1)}},
        {"DataFrameTooShortForABlockNumber", {Stuffed(tinyFrame, 7)}, false, MSG_BLOCK_NO_ERROR, {}},
        {"ErrorAnswersTheRequest", {BoardError(0, "NO FILE")}, false, CpuError("NO FILE"), {}},
        {"ErrorTextWithoutNul", {BoardError(0, "NO NUL", false)}, false, CpuError("NO NUL"), {}},
        {"AckFromTheBoard", {BoardAck(1)}, false, MSG_COMMAND_NO_ERROR, {}},
        {"HighCommandByte", {BoardFrame(0x0103, 1)}, false, MSG_COMMAND_NO_ERROR, {}},
        {"BadFcs", {WithBadFcs(BlockFrame(1, 1024))}, false, MSG_CRC_ERROR, {}},
    };
}

INSTANTIATE_TEST_SUITE_P(Exchange, VerifierTest, testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Verifier, BannerIsItsShiftJisBytes) {
    const std::string expected =
        "\x2A\x2A\x2A\x2A\x2A\x20\x8A\xBF\x8E\x9A\x82\xD7\x82\xE8\x83\x74\x83\x40\x83\x43\x20\x3A\x20\x4F\x4B\x20"
        "\x2A\x2A\x2A\x2A\x2A\x0A";
    EXPECT_EQ(std::string(MSG_VERIFY_BANNER), expected);
    EXPECT_EQ(expected.size(), 32u);
}
}  // namespace
