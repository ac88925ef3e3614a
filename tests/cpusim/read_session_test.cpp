// The board's side of a READ exchange: DATA blocks 1, 2, ... of 1024 bytes,
// each after the ACK of the one before, the last one shorter.
#include <gtest/gtest.h>

#include "board_fixture.h"

namespace {

struct ServedFile {
    size_t fileLength;
    std::string serveBytes;  // empty: no --serve-bytes
    size_t servedLength;
};

void PrintTo(const ServedFile& c, std::ostream* os) {
    *os << c.fileLength << " bytes, --serve-bytes \"" << c.serveBytes << "\"";
}

class ReadLengthTest : public BoardTest, public ::testing::WithParamInterface<ServedFile> {};

TEST_P(ReadLengthTest, ServesBlocksUntilAShortOne) {
    const ServedFile& c = GetParam();
    const Bytes file = Pattern(c.fileLength, 7);
    ASSERT_TRUE(board.PutStoreFile(PART1_NAME, file));
    std::vector<std::string> args = {"--sessions", "1"};
    if (!c.serveBytes.empty()) {
        args.insert(args.end(), {"--serve-bytes", c.serveBytes});
    }
    ASSERT_NO_FATAL_FAILURE(StartBoard(args));
    // Bytes beyond the file, when asked to serve more, are zeros.
    Bytes served = file;
    served.resize(c.servedLength, 0x00);

    // The size text does not change what is served.
    Send(ReadRequest(PART1_NAME, "120000"));
    const size_t blocks = c.servedLength / BLOCK_SIZE + 1;
    for (size_t k = 1; k <= blocks; ++k) {
        size_t offset = (k - 1) * BLOCK_SIZE;
        size_t p = std::min<size_t>(BLOCK_SIZE, c.servedLength - offset);
        Expect(DataFrame(static_cast<uint16_t>(k), Slice(served, offset, p)));
        if (p == BLOCK_SIZE) {
            Send(AckFrame(static_cast<uint16_t>(k)));
        }
    }
    ExpectBoardEnds();
}

INSTANTIATE_TEST_SUITE_P(Lengths, ReadLengthTest,
                         ::testing::Values(ServedFile{0, "", 0}, ServedFile{1, "", 1},
                                           ServedFile{1023, "", 1023},
                                           ServedFile{1024, "", 1024},
                                           ServedFile{2048, "", 2048},
                                           ServedFile{120000, "", 120000},
                                           ServedFile{3000, "1500", 1500},
                                           ServedFile{1500, "2100", 2100},
                                           ServedFile{1500, "0", 0}));

TEST_F(BoardTest, ReadOfAMissingFileIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Send(ReadRequest(PART2_NAME, "069504"));
    Expect(ErrorFrame(0xFFFF, "FILE NOT FOUND"));
    ExpectBoardEnds();
}

// While DATA k awaits its ACK, anything else ends the read with an ERROR.
struct RefusedAck {
    const char* name;
    Bytes frame;
    Bytes answer;
};

void PrintTo(const RefusedAck& c, std::ostream* os) {
    *os << c.name;
}

class RefusedAckTest : public BoardTest, public ::testing::WithParamInterface<RefusedAck> {};

TEST_P(RefusedAckTest, EndsTheReadWithAnError) {
    const Bytes file = Pattern(3000, 8);
    ASSERT_TRUE(board.PutStoreFile(PART1_NAME, file));
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Send(ReadRequest(PART1_NAME, "120000"));
    Expect(DataFrame(1, Slice(file, 0, BLOCK_SIZE)));
    Send(GetParam().frame);
    Expect(GetParam().answer);
    ExpectBoardEnds();
}

INSTANTIATE_TEST_SUITE_P(
    Frames, RefusedAckTest,
    ::testing::Values(RefusedAck{"AckAhead", AckFrame(2), ErrorFrame(1, "BLOCK NO. NG")},
                      RefusedAck{"AckZero", AckFrame(0), ErrorFrame(1, "BLOCK NO. NG")},
                      RefusedAck{"DataFromReader", DataFrame(1, {1}), ErrorFrame(1, "COMMAND NG")},
                      RefusedAck{"BadFcs", WithBadFcs(AckFrame(1)), ErrorFrame(0, "FCS NG")}),
    [](const ::testing::TestParamInfo<RefusedAck>& info) { return info.param.name; });

TEST_F(BoardTest, FileOverTheBoardsCapacityIsRefused) {
    ASSERT_TRUE(board.PutStoreFile(PART1_NAME, Bytes(1024 * 1024 + 1, 0x11)));
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "1"}));
    Send(ReadRequest(PART1_NAME, "120000"));
    Expect(ErrorFrame(0xFFFF, "FILE TOO LARGE"));
    ExpectBoardEnds();
}

}  // namespace
