// How the board takes frames off the line, and the transcript it keeps.
#include <gtest/gtest.h>

#include <thread>

#include "board_fixture.h"
#include "transcript_reader.h"

namespace {

using testsupport::Hex;

struct LineJunk {
    const char* name;
    Bytes bytes;
};

Bytes Repeated(uint8_t first, uint8_t b, size_t count) {
    Bytes bytes(count, b);
    bytes.insert(bytes.begin(), first);
    return bytes;
}

void PrintTo(const LineJunk& c, std::ostream* os) {
    *os << c.name;
}

class LineJunkTest : public BoardTest, public ::testing::WithParamInterface<LineJunk> {};

// Junk ahead of a request is skipped without an answer: the first thing
// back is ACK 0, and the write goes through.
TEST_P(LineJunkTest, IsSkippedWithoutAnAnswer) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    ASSERT_TRUE(line.SendRaw(GetParam().bytes));
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    Send(DataFrame(1, {0x7E}));
    Expect(AckFrame(1));
    ExpectBoardEnds();
    Bytes stored;
    ASSERT_TRUE(board.ReadStoreFile(PART2_NAME, &stored));
    EXPECT_EQ(Hex(stored), "7e");
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, LineJunkTest,
    ::testing::Values(LineJunk{"NoFlag", {0x55, 0xAA, 0x00, 0xFF, 0x7D}},
                      LineJunk{"EmptyFrames", {0x7E, 0x7E, 0x7E}},
                      LineJunk{"TooShortFrames", {0x7E, 0x00, 0x04, 0x7E, 0x01, 0x02, 0x7E}},
                      LineJunk{"LongRunWithoutFlag", Bytes(5000, 0x41)},
                      LineJunk{"OverlongFrame", Repeated(0x7E, 0x41, 3000)}),
    [](const ::testing::TestParamInfo<LineJunk>& info) { return info.param.name; });

TEST_F(BoardTest, GathersAFrameSentByteByByte) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    for (uint8_t b : testsupport::Stuffed(WriteRequest(PART2_NAME))) {
        ASSERT_TRUE(line.SendRaw({b}));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Expect(AckFrame(0));
}

TEST_F(BoardTest, SplitsFramesThatArriveTogether) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Bytes both = testsupport::Stuffed(WriteRequest(PART2_NAME));
    Bytes data = testsupport::Stuffed(DataFrame(1, {1, 2, 3}));
    both.insert(both.end(), data.begin(), data.end());
    ASSERT_TRUE(line.SendRaw(both));
    Expect(AckFrame(0));
    Expect(AckFrame(1));
    ExpectBoardEnds();
}

// An escape right before the closing flag swallows the flag: whatever the
// two bytes before it, that is no sound frame.
TEST_F(BoardTest, EscapeBeforeTheClosingFlagIsABadFrame) {
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    // Decodes to 7e 00 04 00 01 36 8e 5e: ACK 1 with a right FCS.
    ASSERT_TRUE(line.SendRaw({0x7E, 0x00, 0x04, 0x00, 0x01, 0x36, 0x8E, 0x7D, 0x7E}));
    Expect(ErrorFrame(0, "FCS NG"));
}

TEST_F(BoardTest, TranscriptHoldsEveryFrameBothWays) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    const Bytes junk = {0x01, 0x02, 0x03};
    const Bytes sent[] = {testsupport::Stuffed(WriteRequest(PART2_NAME)),
                          testsupport::Stuffed(DataFrame(1, Pattern(BLOCK_SIZE, 4))),
                          testsupport::Stuffed(DataFrame(2, {0x7D, 0x7E}))};
    std::vector<Bytes> received;
    ASSERT_TRUE(line.SendRaw(junk));
    for (const Bytes& frame : sent) {
        ASSERT_TRUE(line.SendRaw(frame));
        received.push_back(ReceiveRaw());
    }
    ExpectBoardEnds();

    int badLines = -1;
    std::vector<testsupport::TranscriptEntry> log =
        testsupport::ReadTranscript(board.TranscriptPath(), &badLines);
    EXPECT_EQ(badLines, 0);
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[0].direction, "RXJUNK");
    EXPECT_EQ(Hex(log[0].raw), Hex(junk));
    for (size_t i = 0; i < 3; ++i) {
        const testsupport::TranscriptEntry& rx = log[1 + 2 * i];
        const testsupport::TranscriptEntry& tx = log[2 + 2 * i];
        EXPECT_EQ(rx.direction, "RX");
        EXPECT_EQ(Hex(rx.raw), Hex(sent[i]));
        EXPECT_EQ(tx.direction, "TX");
        EXPECT_EQ(Hex(tx.raw), Hex(received[i]));
        EXPECT_LE(rx.firstUs, rx.lastUs);
        EXPECT_LE(rx.lastUs, tx.firstUs);
        EXPECT_LE(tx.firstUs, tx.lastUs);
    }
}

TEST(TranscriptLine, ParsesOnlyTheExactForm) {
    testsupport::TranscriptEntry entry;
    ASSERT_TRUE(testsupport::ParseTranscriptLine(
        "TX first=12.000005 last=13.250000 raw=3 7e007e", &entry));
    EXPECT_EQ(entry.direction, "TX");
    EXPECT_EQ(entry.firstUs, 12000005);
    EXPECT_EQ(entry.lastUs, 13250000);
    EXPECT_EQ(Hex(entry.raw), "7e007e");
    const char* const WRONG[] = {
        "TX first=12.000005 last=13.250000 raw=2 7e007e",  // count differs
        "TX first=12.00005 last=13.250000 raw=3 7e007e",   // five decimals
        "TX first=12.000005 last=13.250000 raw=3 7E007E",  // uppercase
        "XX first=12.000005 last=13.250000 raw=3 7e007e",
        "TX first=12.000005  last=13.250000 raw=3 7e007e",
    };
    for (const char* line : WRONG) {
        EXPECT_FALSE(testsupport::ParseTranscriptLine(line, &entry)) << line;
    }
}

}  // namespace
