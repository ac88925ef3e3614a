// The board's side of a WRITE exchange: ACK 0, an ACK per DATA block, the
// file stored whole once a block shorter than 1024 bytes arrives.
#include <gtest/gtest.h>

#include "board_fixture.h"

namespace {

using testsupport::Hex;

class WriteSessionTest : public BoardTest {
protected:
    // The stored file while a write is under way: the old one, untouched.
    void ExpectStoreHolds(const Bytes& before) {
        Bytes now;
        ASSERT_TRUE(board.ReadStoreFile(PART2_NAME, &now));
        EXPECT_EQ(now, before) << "the old file changed before the write was complete";
        EXPECT_EQ(board.StoreEntries(), std::vector<std::string>{PART2_NAME});
    }
};

class WriteLengthTest : public WriteSessionTest,
                        public ::testing::WithParamInterface<std::tuple<size_t, const char*>> {};

TEST_P(WriteLengthTest, StoresTheFileExactlyAndOnlyWhenComplete) {
    const size_t length = std::get<0>(GetParam());
    const std::string baud = std::get<1>(GetParam());
    const Bytes before = Pattern(5000, 99);
    ASSERT_TRUE(board.PutStoreFile(PART2_NAME, before));
    std::vector<std::string> args = {"--sessions", "1"};
    if (!baud.empty()) {
        args.insert(args.end(), {"--baud", baud});
    }
    ASSERT_NO_FATAL_FAILURE(StartBoard(args));

    const Bytes content = Pattern(length, 1);
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    // A file whose length is a multiple of 1024 ends with an empty block.
    const size_t blocks = length / BLOCK_SIZE + 1;
    for (size_t k = 1; k <= blocks; ++k) {
        size_t offset = (k - 1) * BLOCK_SIZE;
        size_t p = std::min<size_t>(BLOCK_SIZE, length - offset);
        ASSERT_NO_FATAL_FAILURE(ExpectStoreHolds(before));
        Send(DataFrame(static_cast<uint16_t>(k), Slice(content, offset, p)));
        Expect(AckFrame(static_cast<uint16_t>(k)));
    }
    ExpectBoardEnds();
    Bytes stored;
    ASSERT_TRUE(board.ReadStoreFile(PART2_NAME, &stored));
    EXPECT_EQ(stored.size(), length);
    EXPECT_TRUE(stored == content);
    // The temporary it was written through is gone.
    EXPECT_EQ(board.StoreEntries(), std::vector<std::string>{PART2_NAME});
}

INSTANTIATE_TEST_SUITE_P(Lengths, WriteLengthTest,
                         ::testing::Values(std::make_tuple(0, ""), std::make_tuple(100, ""),
                                           std::make_tuple(2048, ""), std::make_tuple(69504, ""),
                                           std::make_tuple(3000, "115200")));

TEST_F(WriteSessionTest, WritesEitherBoardFile) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Send(WriteRequest(PART1_NAME));
    Expect(AckFrame(0));
    Send(DataFrame(1, {0x7E, 0x7D, 0x01}));
    Expect(AckFrame(1));
    ExpectBoardEnds();
    Bytes stored;
    ASSERT_TRUE(board.ReadStoreFile(PART1_NAME, &stored));
    EXPECT_EQ(Hex(stored), "7e7d01");
}

TEST_F(WriteSessionTest, AbandonedWriteLeavesTheOldFile) {
    const Bytes before = Pattern(1500, 5);
    ASSERT_TRUE(board.PutStoreFile(PART2_NAME, before));
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    Send(DataFrame(1, Pattern(BLOCK_SIZE, 6)));
    Expect(AckFrame(1));
    // The writer gave up; the next run reads the file back.
    ASSERT_NO_FATAL_FAILURE(ReopenLine());
    Send(ReadRequest(PART2_NAME, "069504"));
    Expect(DataFrame(1, Slice(before, 0, BLOCK_SIZE)));
    Send(AckFrame(1));
    Expect(DataFrame(2, Slice(before, BLOCK_SIZE, 476)));
    EXPECT_EQ(board.Stop(), 0);
    EXPECT_NE(board.Stderr().find("abandoned"), std::string::npos) << board.Stderr();
}

TEST_F(WriteSessionTest, FrameFailingFcsIsAskedForAgain) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    const Bytes block1 = Pattern(BLOCK_SIZE, 3);
    Send(WithBadFcs(WriteRequest(PART2_NAME)));
    Expect(ErrorFrame(0, "FCS NG"));
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    Send(WithBadFcs(DataFrame(1, block1)));
    Expect(ErrorFrame(0, "FCS NG"));
    Send(DataFrame(1, block1));
    Expect(AckFrame(1));
    Send(DataFrame(2, {0x42}));
    Expect(AckFrame(2));
    ExpectBoardEnds();
    Bytes stored;
    ASSERT_TRUE(board.ReadStoreFile(PART2_NAME, &stored));
    Bytes expected = block1;
    expected.push_back(0x42);
    EXPECT_TRUE(stored == expected);
}

// After ACK 1 the board awaits DATA 2; anything else ends the write with an
// ERROR whose non-zero block number stops the writer, and stores nothing.
struct RefusedData {
    const char* name;
    Bytes frame;
    Bytes answer;
};

void PrintTo(const RefusedData& c, std::ostream* os) {
    *os << c.name;
}

class RefusedDataTest : public WriteSessionTest, public ::testing::WithParamInterface<RefusedData> {};

TEST_P(RefusedDataTest, EndsTheWriteWithAnError) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    Send(DataFrame(1, Pattern(BLOCK_SIZE, 1)));
    Expect(AckFrame(1));
    Send(GetParam().frame);
    Expect(GetParam().answer);
    ExpectBoardEnds();
    EXPECT_EQ(board.StoreEntries(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RefusedDataTest,
    ::testing::Values(
        RefusedData{"BlockSkipped", DataFrame(3, {1}), ErrorFrame(2, "BLOCK NO. NG")},
        RefusedData{"BlockRepeated", DataFrame(1, {1}), ErrorFrame(2, "BLOCK NO. NG")},
        RefusedData{"BlockZero", DataFrame(0, {1}), ErrorFrame(2, "BLOCK NO. NG")},
        RefusedData{"PayloadOverBlockSize", DataFrame(2, Pattern(1025, 2)),
                    ErrorFrame(2, "DATA LENGTH NG")},
        RefusedData{"AckFromWriter", AckFrame(1), ErrorFrame(2, "COMMAND NG")},
        RefusedData{"UnknownCommand", CommandFrame(0x0104, 2), ErrorFrame(2, "COMMAND NG")}),
    [](const ::testing::TestParamInfo<RefusedData>& info) { return info.param.name; });

// Only the board's two names are files of the board: nothing else may be
// written or read, whatever path the name spells.
class RefusedNameTest : public WriteSessionTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedNameTest, RefusesNamesOutsideTheBoard) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "2"}));
    Send(WriteRequest(GetParam()));
    Expect(ErrorFrame(0xFFFF, "FILE NAME NG"));
    Send(ReadRequest(GetParam(), "000001"));
    Expect(ErrorFrame(0xFFFF, "FILE NAME NG"));
    ExpectBoardEnds();
    EXPECT_EQ(board.StoreEntries(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedNameTest,
                         ::testing::Values("../../etc/x1", "2&000000.DAT", "1&000000.dat",
                                           "/tmp/cpusimx"));

}  // namespace
