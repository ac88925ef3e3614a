// The frame codec: reference frames byte for byte, the FCS, stuffing limits.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "frame_codec.h"
#include "scripted_platform.h"

namespace {
using Bytes = std::vector<uint8_t>;

struct ReferenceFrame {
    const char* name;
    std::function<int(uint8_t*)> build;
    const char* decoded;
    const char* stuffed;
};

const uint8_t PAYLOAD_7E_01_7D[] = {0x7E, 0x01, 0x7D};
const uint8_t PAYLOAD_2A[] = {0x2A};

const ReferenceFrame REFERENCE_FRAMES[] = {
    {"ack1", [](uint8_t* f) { return BuildAckFrame(f, 1); }, "7e 00 04 00 01 36 8e 7e",
     "7e 00 04 00 01 36 8e 7e"},
    {"ack0", [](uint8_t* f) { return BuildAckFrame(f, 0); }, "7e 00 04 00 00 bf 9f 7e",
     "7e 00 04 00 00 bf 9f 7e"},
    {"ack9", [](uint8_t* f) { return BuildAckFrame(f, 9); }, "7e 00 04 00 09 7e 02 7e",
     "7e 00 04 00 09 7d 5e 02 7e"},
    {"ack181", [](uint8_t* f) { return BuildAckFrame(f, 181); }, "7e 00 04 00 b5 99 7d 7e",
     "7e 00 04 00 b5 99 7d 5d 7e"},
    {"write", [](uint8_t* f) { return BuildWriteRequest(f, "1&000000.DAT"); },
     "7e 00 02 31 26 30 30 30 30 30 30 2e 44 41 54 00 21 93 7e",
     "7e 00 02 31 26 30 30 30 30 30 30 2e 44 41 54 00 21 93 7e"},
    {"read1", [](uint8_t* f) { return BuildReadRequest(f, "0&000000.DAT", "120000"); },
     "7e 00 01 30 26 30 30 30 30 30 30 2e 44 41 54 00 31 32 30 30 30 30 00 9d 93 7e",
     "7e 00 01 30 26 30 30 30 30 30 30 2e 44 41 54 00 31 32 30 30 30 30 00 9d 93 7e"},
    {"read2", [](uint8_t* f) { return BuildReadRequest(f, "1&000000.DAT", "069504"); },
     "7e 00 01 31 26 30 30 30 30 30 30 2e 44 41 54 00 30 36 39 35 30 34 00 e1 9b 7e",
     "7e 00 01 31 26 30 30 30 30 30 30 2e 44 41 54 00 30 36 39 35 30 34 00 e1 9b 7e"},
    {"data_7e017d", [](uint8_t* f) { return BuildDataFrame(f, 1, PAYLOAD_7E_01_7D, 3); },
     "7e 00 03 00 01 7e 01 7d cf bd 7e", "7e 00 03 00 01 7d 5e 01 7d 5d cf bd 7e"},
    {"data_2a", [](uint8_t* f) { return BuildDataFrame(f, 1, PAYLOAD_2A, 1); },
     "7e 00 03 00 01 2a 3a 7d 7e", "7e 00 03 00 01 2a 3a 7d 5d 7e"},
};

class ReferenceFrameTest : public testing::TestWithParam<ReferenceFrame> {};

TEST_P(ReferenceFrameTest, BuildsStuffsAndDecodesBackByteForByte) {
    const ReferenceFrame& ref = GetParam();
    uint8_t frame[FRAME_BUFFER_SIZE];
    std::memset(frame, 0xCC, sizeof frame);  // builders overwrite whatever was there
    int n = ref.build(frame);
    ASSERT_EQ(ToHex(Bytes(frame, frame + n)), ref.decoded);
    EXPECT_TRUE(CheckFcs(frame, n));

    int s = StuffFrame(frame, n);
    EXPECT_EQ(ToHex(Bytes(frame, frame + s)), ref.stuffed);

    int m = UnstuffFrame(frame, s);
    EXPECT_EQ(ToHex(Bytes(frame, frame + m)), ref.decoded);
    EXPECT_TRUE(CheckFcs(frame, m));
}

INSTANTIATE_TEST_SUITE_P(Codec, ReferenceFrameTest, testing::ValuesIn(REFERENCE_FRAMES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Fcs, TableFollowsItsDefinitionAndCheckValuesHold) {
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i;
        for (int step = 0; step < 8; ++step) {
            v = (v & 1) ? (v >> 1) ^ 0x8408 : v >> 1;
        }
        ASSERT_EQ(FCS_TABLE[i], v) << "entry " << i;
    }
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(UpdateFcs(0xFFFF, digits, 9) ^ 0xFFFF, 0x906E);
    EXPECT_EQ(UpdateFcs(0xFFFF, digits, 0) ^ 0xFFFF, 0x0000);
}

TEST(Fcs, EveryFlippedBitBetweenTheFlagsFails) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    const uint8_t payload[] = {0x10, 0x90, 0x7E, 0x7D, 0x00, 0xFF};
    int n = BuildDataFrame(frame, 34, payload, sizeof payload);
    for (int i = 1; i <= n - 2; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            frame[i] ^= static_cast<uint8_t>(1 << bit);
            EXPECT_FALSE(CheckFcs(frame, n)) << "byte " << i << " bit " << bit;
            frame[i] ^= static_cast<uint8_t>(1 << bit);
        }
    }
    // The flag positions are never looked at.
    frame[0] = 0x00;
    frame[n - 1] = 0x5E;
    EXPECT_TRUE(CheckFcs(frame, n));
}

TEST(Fcs, ShortFrames) {
    struct Case {
        const char* bytes;
        bool passes;
    } cases[] = {
        {"", false},          {"7e", false},       {"7e 7e", false},
        {"7e 00 7e", false},  {"7e 00 00 7e", true}, {"00 00 00 00", true},
        {"7e 00 01 7e", false}, {"7e 01 00 7e", false},
    };
    for (const Case& c : cases) {
        Bytes frame = Hex(c.bytes);
        frame.resize(FRAME_BUFFER_SIZE);
        EXPECT_EQ(CheckFcs(frame.data(), static_cast<int>(Hex(c.bytes).size())), c.passes) << c.bytes;
    }
}

TEST(Stuffing, EdgeCases) {
    struct Case {
        const char* in;
        const char* out;
    } stuffing[] = {
        {"7d 7e 7d", "7d 7d 5e 7d"},  // the two ends are never escaped
        {"7e 7e", "7e 7e"},
        {"7e 41 7e", "7e 41 7e"},
    };
    for (const Case& c : stuffing) {
        Bytes frame = Hex(c.in);
        frame.resize(FRAME_BUFFER_SIZE);
        int s = StuffFrame(frame.data(), static_cast<int>(Hex(c.in).size()));
        EXPECT_EQ(ToHex(Bytes(frame.begin(), frame.begin() + s)), c.out) << c.in;
    }
    Case unstuffing[] = {
        {"7e 7d 7d 7e", "7e 5d 7e"},
        {"7e 7d 41 7e", "7e 61 7e"},
        {"7e 01 7e 02 7e", "7e 01 7e 02 7e"},  // an unescaped flag inside is data
        {"7e 00 04 00 01 36 8e 7d 7e", "7e 00 04 00 01 36 8e 5e"},
        {"7e 00 7d", "7e 00"},  // a trailing escape reads nothing past the end
    };
    for (const Case& c : unstuffing) {
        Bytes frame = Hex(c.in);
        frame.resize(FRAME_BUFFER_SIZE, 0xAA);
        int m = UnstuffFrame(frame.data(), static_cast<int>(Hex(c.in).size()));
        EXPECT_EQ(ToHex(Bytes(frame.begin(), frame.begin() + m)), c.out) << c.in;
    }
    // The escaped closing flag leaves a frame that passes as the ACK of block 1.
    Bytes ack = Hex("7e 00 04 00 01 36 8e 7d 7e");
    ack.resize(FRAME_BUFFER_SIZE);
    EXPECT_TRUE(CheckFcs(ack.data(), UnstuffFrame(ack.data(), 9)));
    uint8_t untouched[FRAME_BUFFER_SIZE] = {1, 2, 3};
    EXPECT_EQ(StuffFrame(untouched, 0), 0);
    EXPECT_EQ(untouched[0], 1);
}

TEST(Stuffing, RoundTripKeepsEveryByteValue) {
    std::mt19937 random(7);
    uint8_t frame[FRAME_BUFFER_SIZE];
    for (int round = 0; round < 200; ++round) {
        int p = static_cast<int>(random() % (BLOCK_SIZE + 1));
        Bytes payload(static_cast<size_t>(p));
        for (auto& b : payload) {
            // Weighted towards the two special values.
            unsigned r = random() % 8;
            b = r == 0 ? 0x7E : r == 1 ? 0x7D : static_cast<uint8_t>(random());
        }
        int n = BuildDataFrame(frame, static_cast<uint16_t>(round), payload.data(), p);
        Bytes decoded(frame, frame + n);
        int escaped = 0;
        for (int i = 1; i <= n - 2; ++i) {
            escaped += decoded[i] == 0x7E || decoded[i] == 0x7D;
        }
        int s = StuffFrame(frame, n);
        ASSERT_EQ(s, n + escaped);
        for (int i = 1; i < s - 1; ++i) {
            ASSERT_NE(frame[i], FLAG_BYTE) << "flag inside the stuffed frame at " << i;
        }
        int m = UnstuffFrame(frame, s);
        ASSERT_EQ(Bytes(frame, frame + m), decoded);
        ASSERT_TRUE(CheckFcs(frame, m));
    }
}

TEST(Stuffing, FrameBufferLimit) {
    uint8_t frame[FRAME_BUFFER_SIZE + 16];
    uint8_t payload[BLOCK_SIZE] = {};
    // Block 2 of zeros: the FCS holds 7d and is escaped.
    int n = BuildDataFrame(frame, 2, payload, BLOCK_SIZE);
    EXPECT_EQ(frame[n - 3], 0x7D);
    EXPECT_EQ(frame[n - 2], 0x62);
    EXPECT_EQ(StuffFrame(frame, n), 1033);

    // 1016 escaped bytes and 8 zeros fill the buffer exactly.
    std::memset(payload, 0x7D, 1016);
    std::memset(payload + 1016, 0x00, 8);
    n = BuildDataFrame(frame, 1, payload, BLOCK_SIZE);
    EXPECT_EQ(StuffFrame(frame, n), FRAME_BUFFER_SIZE);

    // One more escaped byte does not fit: refused whole, nothing written.
    payload[1016] = 0x7E;
    n = BuildDataFrame(frame, 1, payload, BLOCK_SIZE);
    frame[FRAME_BUFFER_SIZE] = 0xEE;
    Bytes before(frame, frame + sizeof frame);
    EXPECT_EQ(StuffFrame(frame, n), 0);
    EXPECT_EQ(Bytes(frame, frame + sizeof frame), before);
}

TEST(Readers, FieldsOfDecodedFrames) {
    Bytes frame = Hex("7e 01 03 00 09 00 00 7e");
    frame.resize(FRAME_BUFFER_SIZE);
    EXPECT_EQ(GetFrameCommand(frame.data()), 0x0103);
    EXPECT_EQ(GetBlockNumber(frame.data()), 9);

    Bytes big = Hex("7e 00 03 ff fe 00 00 7e");
    EXPECT_EQ(GetBlockNumber(big.data()), 65534);

    int p = -1;
    uint8_t data[FRAME_BUFFER_SIZE];
    const uint8_t payload[] = {1, 2, 3};
    int n = BuildDataFrame(data, 5, payload, 3);
    EXPECT_EQ(GetDataPayload(data, n, &p), data + 5);
    EXPECT_EQ(p, 3);

    struct Case {
        const char* frame;
        const char* text;
    } errors[] = {
        {"7e 00 05 00 00 4f 4b 00 aa bb 7e", "OK"},
        {"7e 00 05 00 00 00 aa bb 7e", ""},
        {"7e 00 05 00 00 4e 47 aa bb 7e", "NG"},  // no NUL: the text stops at the FCS
        {"7e 00 05 00 7e", ""},
    };
    for (const Case& c : errors) {
        Bytes e = Hex(c.frame);
        int length = -1;
        const uint8_t* text = GetErrorText(e.data(), static_cast<int>(e.size()), &length);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length)), c.text)
            << c.frame;
    }
}
}  // namespace
