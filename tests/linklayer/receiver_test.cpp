// ReceiveFrame over a scripted driver: how chunks become whole frames.
#include <gtest/gtest.h>

#include <vector>

#include "comm_port.h"
#include "scripted_platform.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes Repeat(uint8_t value, size_t count) {
    return Bytes(count, value);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

struct ReceiveCase {
    const char* name;
    std::vector<Bytes> chunks;  // what the driver offers, read by read
    const char* decoded;        // the frame ReceiveFrame returns
    size_t chunksLeft;          // chunks still queued afterwards
};

class ReceiveFrameTest : public testing::TestWithParam<ReceiveCase> {
  protected:
    void SetUp() override { ResetScript(); }
};

TEST_P(ReceiveFrameTest, ReturnsTheDecodedFrame) {
    const ReceiveCase& c = GetParam();
    for (const Bytes& chunk : c.chunks) {
        Script.input.push_back(chunk);
    }
    int n = ReceiveFrame();
    EXPECT_EQ(ToHex(Bytes(FrameBuffer, FrameBuffer + n)), c.decoded);
    EXPECT_EQ(Script.input.size(), c.chunksLeft);
    EXPECT_LE(Script.largestRead, FRAME_BUFFER_SIZE);
}

const Bytes ACK1 = Hex("7e 00 04 00 01 36 8e 7e");
const Bytes ACK2 = Hex("7e 00 04 00 02 ad bc 7e");

INSTANTIATE_TEST_SUITE_P(
    Chunks, ReceiveFrameTest,
    testing::Values(
        ReceiveCase{"OnePiece", {ACK1, ACK2}, "7e 00 04 00 01 36 8e 7e", 1},
        ReceiveCase{"ThreeThenFive", {Hex("7e 00 04"), Hex("00 01 36 8e 7e")}, "7e 00 04 00 01 36 8e 7e", 0},
        ReceiveCase{"ByteByByte",
                    {Hex("7e"), Hex("00"), Hex("04"), Hex("00"), Hex("01"), Hex("36"), Hex("8e"), Hex("7e")},
                    "7e 00 04 00 01 36 8e 7e", 0},
        ReceiveCase{"StuffedAckOfBlock9", {Hex("7e 00 04 00 09 7d 5e 02 7e")}, "7e 00 04 00 09 7e 02 7e", 0},
        // Seven bytes between flags are not yet a frame: gathering goes on.
        ReceiveCase{"SevenBytesIsNotWhole", {Hex("7e 00 04 00 01 36 7e"), Hex("8e 7e")},
                    "7e 00 04 00 01 36 7e 8e 7e", 0},
        // A second flag at the start is taken as frame content.
        ReceiveCase{"TwoFlagsAtTheStart", {Hex("7e 7e 00 04 00 01 36 8e 7e")}, "7e 7e 00 04 00 01 36 8e 7e", 0},
        // Bytes before the opening flag are dropped, also across reads.
        ReceiveCase{"GarbageBeforeTheFrame", {Hex("41 42"), Hex("43 7e 00 04"), Hex("00 01 36 8e 7e")},
                    "7e 00 04 00 01 36 8e 7e", 0},
        // Bytes after a closing flag in the same read become part of the frame.
        ReceiveCase{"BytesAfterTheClosingFlag", {Join({ACK1, Hex("7e 00")}), Hex("7e")},
                    "7e 00 04 00 01 36 8e 7e 7e 00 7e", 0},
        // A gathering that fills the buffer without ending in a flag is dropped,
        // and the next flag starts a new one.
        ReceiveCase{"OverlongGatheringIsDropped",
                    {Join({Hex("7e"), Repeat(0x55, 3000)}), Join({Repeat(0x66, 10), ACK1})},
                    "7e 00 04 00 01 36 8e 7e", 0},
        // More waiting than the buffer holds is read in pieces.
        ReceiveCase{"MoreWaitingThanTheBuffer", {Join({Repeat(0x00, 2500), ACK1})}, "7e 00 04 00 01 36 8e 7e",
                    0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiveFrame, EmptyPollsAndFailedReadsAppendNothing) {
    ResetScript();
    Script.input = {Bytes{}, Hex("7e 00 04 00"), Bytes{}, Hex("01 36 8e 7e")};
    int n = ReceiveFrame();
    EXPECT_EQ(ToHex(Bytes(FrameBuffer, FrameBuffer + n)), "7e 00 04 00 01 36 8e 7e");
}

TEST(ReceiveFrame, WaitsOnWhileNoWholeFrameCame) {
    ResetScript();
    Script.input = {Hex("7e 00 04 00 01 36 8e")};
    EXPECT_THROW(ReceiveFrame(), InputExhausted);
}

TEST(SendFrame, StuffsWritesOnceAndLeavesTheStuffedFrame) {
    ResetScript();
    int n = BuildAckFrame(FrameBuffer, 9);
    EXPECT_EQ(SendFrame(n), 9);
    ASSERT_EQ(Script.writes.size(), 1u);
    EXPECT_EQ(ToHex(Script.writes[0]), "7e 00 04 00 09 7d 5e 02 7e");
    EXPECT_EQ(ToHex(Bytes(FrameBuffer, FrameBuffer + 9)), "7e 00 04 00 09 7d 5e 02 7e");
}

TEST(SendFrame, AFrameTooLongToStuffIsNotSentAtAll) {
    ResetScript();
    uint8_t payload[BLOCK_SIZE];
    std::fill(payload, payload + BLOCK_SIZE, 0x7E);
    int n = BuildDataFrame(FrameBuffer, 1, payload, BLOCK_SIZE);
    EXPECT_EQ(SendFrame(n), 0);
    EXPECT_TRUE(Script.writes.empty());
}
}  // namespace
