// The write exchange over a scripted board.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_frames.h"
#include "comm_port.h"
#include "console_texts.h"
#include "image_part.h"
#include "image_writer.h"
#include "scripted_platform.h"
#include "writer_texts.h"

namespace {
using Bytes = std::vector<uint8_t>;

// The stuffed DATA frame of image part 2's block k, as the writer must send it.
Bytes DataFrameOfBlock(int k) {
    ImageBlock block;
    EXPECT_TRUE(GetImageBlock(IMAGE_PART2, k, &block));
    return BoardData(static_cast<uint16_t>(k), block.bytes, block.length);
}

Bytes WriteRequest() {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuffed(frame, BuildWriteRequest(frame, "1&000000.DAT"));
}

std::string AckLine(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = BuildAckFrame(frame, block);
    return "ACK --> " + ToHex(Bytes(frame, frame + n)) + " \n";
}

std::string CpuError(const std::string& text) {
    return "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46" + text + ")\n";
}

class ImageWriterTest : public testing::Test {
  protected:
    void SetUp() override { ResetScript(); }
    void Board(const Bytes& frame) { Script.input.push_back(frame); }
    void AckUpTo(int last, int from = 0) {
        for (int k = from; k <= last; ++k) {
            Board(BoardAck(static_cast<uint16_t>(k)));
        }
    }
};

TEST_F(ImageWriterTest, WholeRunSends69FramesAndPrints69AckLines) {
    AckUpTo(68);
    EXPECT_TRUE(WriteImagePart());
    ASSERT_EQ(Script.writes.size(), 69u);
    EXPECT_EQ(Script.writes[0], WriteRequest());
    for (int k = 1; k <= 68; ++k) {
        ASSERT_EQ(Script.writes[static_cast<size_t>(k)], DataFrameOfBlock(k)) << "block " << k;
    }
    std::string expected;
    for (int k = 0; k <= 68; ++k) {
        expected += AckLine(static_cast<uint16_t>(k));
    }
    EXPECT_EQ(Script.console, expected);
    EXPECT_NE(Script.console.find("ACK --> 7e 00 04 00 09 7e 02 7e \n"), std::string::npos);
    EXPECT_NE(Script.console.find("ACK --> 7e 00 04 00 44 9f 9b 7e \n"), std::string::npos);
    EXPECT_TRUE(Script.input.empty());
}

TEST_F(ImageWriterTest, ErrorWithBlockZeroResendsTheSameBytesEachTime) {
    Board(BoardError(0, "BUSY"));  // in answer to the request
    AckUpTo(4);
    Board(BoardError(0, "FCS NG"));
    Board(BoardError(0, "FCS NG"));
    AckUpTo(68, 5);
    EXPECT_TRUE(WriteImagePart());
    ASSERT_EQ(Script.writes.size(), 72u);
    EXPECT_EQ(Script.writes[1], WriteRequest());
    EXPECT_EQ(Script.writes[7], DataFrameOfBlock(5));
    EXPECT_EQ(Script.writes[8], DataFrameOfBlock(5));
    EXPECT_EQ(Script.writes[9], DataFrameOfBlock(6));
    std::string start = CpuError("BUSY") + MSG_RESENDING + AckLine(0);
    EXPECT_EQ(Script.console.substr(0, start.size()), start);
    std::string middle = AckLine(4) + CpuError("FCS NG") + MSG_RESENDING + CpuError("FCS NG") + MSG_RESENDING +
                         AckLine(5) + AckLine(6);
    EXPECT_NE(Script.console.find(middle), std::string::npos);
}

TEST_F(ImageWriterTest, LastBlockCanBeResentToo) {
    AckUpTo(67);
    Board(BoardError(0, "AGAIN"));
    Board(BoardAck(68));
    EXPECT_TRUE(WriteImagePart());
    ASSERT_EQ(Script.writes.size(), 70u);
    EXPECT_EQ(Script.writes[69], DataFrameOfBlock(68));
    EXPECT_EQ(Script.writes[68], DataFrameOfBlock(68));
}

TEST_F(ImageWriterTest, OtherCommandsAreIgnored) {
    AckUpTo(3);
    uint8_t byte = 0x41;
    Board(BoardData(4, &byte, 1));
    Board(BoardFrame(0x0001, 4));
    Board(BoardFrame(0x0104, 4));
    AckUpTo(68, 4);
    EXPECT_TRUE(WriteImagePart());
    EXPECT_EQ(Script.writes.size(), 69u);
}

TEST_F(ImageWriterTest, AnAckLongerThanEightBytesIsShownWhole) {
    for (int n : {10, 1500}) {
        ResetScript();
        uint8_t decoded[FRAME_BUFFER_SIZE] = {0x7E, 0x00, 0x04, 0x00, 0x00};
        std::fill(decoded + 5, decoded + n - 3, 0xAB);
        decoded[n - 1] = 0x7E;
        AppendFcs(decoded, n);
        std::string line = "ACK --> " + ToHex(Bytes(decoded, decoded + n)) + " \n";
        Board(Stuffed(decoded, n));
        AckUpTo(68, 1);
        EXPECT_TRUE(WriteImagePart());
        EXPECT_EQ(Script.console.substr(0, line.size()), line) << n << "-byte ACK";
    }
}

struct FailureCase {
    const char* name;
    std::vector<Bytes> board;  // after the ACKs of blocks 0..acked
    int acked;
    std::string lastLine;
    size_t writes;
};

class WriterFailureTest : public ImageWriterTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(WriterFailureTest, EndsWithItsLineAndSendsNothingMore) {
    const FailureCase& c = GetParam();
    AckUpTo(c.acked);
    for (const Bytes& frame : c.board) {
        Board(frame);
    }
    EXPECT_FALSE(WriteImagePart());
    EXPECT_EQ(Script.writes.size(), c.writes);
    ASSERT_GE(Script.console.size(), c.lastLine.size());
    EXPECT_EQ(Script.console.substr(Script.console.size() - c.lastLine.size()), c.lastLine);
    EXPECT_EQ(Script.console.find(MSG_RESENDING), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, WriterFailureTest,
    testing::Values(
        FailureCase{"AckOfBlock1ForTheRequest", {BoardAck(1)}, -1, MSG_BLOCK_NO_ERROR, 1},
        FailureCase{"RepeatedAck", {BoardAck(4)}, 4, AckLine(4) + MSG_BLOCK_NO_ERROR, 6},
        FailureCase{"ErrorWithOtherNumber", {BoardError(7, "DISK FULL")}, 6, CpuError("DISK FULL"), 8},
        FailureCase{"ErrorNumberedLikeTheCounter", {BoardError(7, "X")}, 6, CpuError("X"), 8},
        FailureCase{"ErrorTextWithoutNul", {BoardError(3, "NO NUL", false)}, 2, CpuError("NO NUL"), 4},
        FailureCase{"BadFcs", {WithBadFcs(BoardAck(5))}, 4, AckLine(4) + MSG_CRC_ERROR, 6},
        FailureCase{"BadFcsOnTheLastAnswer", {WithBadFcs(BoardAck(68))}, 67, MSG_CRC_ERROR, 69}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImageWriterTest, ABlockThatCannotBeStuffedIsNeverSentCut) {
    static uint8_t flags[BLOCK_SIZE + 10];
    std::fill(flags, flags + sizeof flags, 0x7E);
    const ImagePart allFlags{"1&000000.DAT", "001034", static_cast<int>(sizeof flags), 0, flags};
    AckUpTo(0);
    EXPECT_FALSE(WritePart(allFlags));
    EXPECT_EQ(Script.writes.size(), 1u);  // the request only
    EXPECT_EQ(Script.console, AckLine(0) + MSG_FRAME_SIZE_ERROR);
}
}  // namespace
