// The soak excuses a stalled run only when the transcript shows a lost
// frame; these cases keep that judgement from excusing a real hang.
#include "run_evidence.h"

#include <gtest/gtest.h>

#include "frame_codec.h"

namespace {
using Raw = std::vector<uint8_t>;
using testsupport::TranscriptEntry;

Raw Stuffed(int n, uint8_t (&frame)[FRAME_BUFFER_SIZE]) {
    int s = StuffFrame(frame, n);
    return Raw(frame, frame + s);
}

Raw Ack(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuffed(BuildAckFrame(frame, block), frame);
}

Raw Data(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    const uint8_t payload[BLOCK_SIZE] = {0x7E, 0x7D, 0x01};
    return Stuffed(BuildDataFrame(frame, block, payload, BLOCK_SIZE), frame);
}

Raw Without(Raw raw, size_t at) {
    raw.erase(raw.begin() + static_cast<long>(at));
    return raw;
}

// An ACK with one byte inserted whose FCS still matches, as noise can
// leave one now and then: about one insertion in 65536 does, so the search
// runs over many blocks' ACKs.
Raw AckWithMatchingInsertion() {
    for (int block = 0; block < 256; ++block) {
        Raw ack = Ack(static_cast<uint16_t>(block));
        for (size_t at = 1; at + 1 < ack.size(); ++at) {
            for (int value = 0; value < 256; ++value) {
                if (value == FLAG_BYTE || value == ESCAPE_BYTE) {
                    continue;
                }
                Raw damaged = ack;
                damaged.insert(damaged.begin() + static_cast<long>(at), static_cast<uint8_t>(value));
                uint8_t frame[FRAME_BUFFER_SIZE];
                std::copy(damaged.begin(), damaged.end(), frame);
                if (CheckFcs(frame, UnstuffFrame(frame, static_cast<int>(damaged.size())))) {
                    return damaged;
                }
            }
        }
    }
    return Raw();
}

TEST(IntactFrame, OnlyFramesAsTheCodecBuildsThem) {
    Raw ack9 = Ack(9);  // its FCS holds a flag byte, sent escaped
    EXPECT_TRUE(IsIntactFrame(ack9));
    EXPECT_TRUE(IsIntactFrame(Data(3)));
    EXPECT_FALSE(IsIntactFrame(Without(ack9, ack9.size() - 1))) << "closing flag lost";
    EXPECT_FALSE(IsIntactFrame(Without(ack9, 0))) << "opening flag lost";
    EXPECT_FALSE(IsIntactFrame(Without(Ack(13), 3))) << "7 bytes";
    Raw flipped = Data(3);
    flipped[100] ^= 0x04;
    EXPECT_FALSE(IsIntactFrame(flipped));
    Raw escapedNeedlessly = {0x7E, 0x7D, 0x20, 0x04, 0x00, 0x01, 0x36, 0x8E, 0x7E};
    EXPECT_FALSE(IsIntactFrame(escapedNeedlessly));
    Raw matching = AckWithMatchingInsertion();
    ASSERT_FALSE(matching.empty());
    EXPECT_FALSE(IsIntactFrame(matching)) << "an FCS that matches by chance";
}

TranscriptEntry Entry(const char* direction, Raw raw) {
    TranscriptEntry entry;
    entry.direction = direction;
    entry.raw = std::move(raw);
    return entry;
}

struct SilenceCase {
    const char* name;
    std::vector<TranscriptEntry> entries;
    bool noiseTowardsBoard;
    bool excused;
};

void PrintTo(const SilenceCase& c, std::ostream* os) { *os << c.name; }

class LostFrameTest : public testing::TestWithParam<SilenceCase> {};

TEST_P(LostFrameTest, ExcusesOnlyALossTheTranscriptShows) {
    const SilenceCase& c = GetParam();
    EXPECT_EQ(!ExplainLostFrame(c.entries, c.noiseTowardsBoard).empty(), c.excused);
}

INSTANTIATE_TEST_SUITE_P(
    Transcripts, LostFrameTest,
    testing::Values(
        SilenceCase{"BoardsLastFrameLostItsFlag",
                    {Entry("RX", Data(4)), Entry("TX", Without(Ack(4), 7))}, false, true},
        SilenceCase{"EverythingArrivedWhole", {Entry("RX", Data(4)), Entry("TX", Ack(4))}, false, false},
        SilenceCase{"ToolsAnswerWasJunkToTheBoard",
                    {Entry("TX", Ack(4)), Entry("RXJUNK", Raw(1040, 0x11))}, true, true},
        SilenceCase{"ToolsAnswerNeverEnded", {Entry("TX", Ack(4))}, true, true},
        SilenceCase{"RequestNeverReachedTheBoard", {}, true, true},
        SilenceCase{"BoardTookTheToolsAnswer",
                    {Entry("TX", Ack(4)), Entry("RX", Data(5))}, true, false},
        SilenceCase{"JunkWithoutNoiseTowardsTheBoard",
                    {Entry("TX", Ack(4)), Entry("RXJUNK", Raw(6, 0x11))}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });
}  // namespace
