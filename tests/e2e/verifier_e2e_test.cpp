// glyphcheck1 and glyphcheck2 for real against the simulated board.
#include <string>
#include <tuple>
#include <vector>

#include "console_texts.h"
#include "e2e_support.h"
#include "frame_codec.h"
#include "verifier_texts.h"

namespace {
const std::string SUCCESS_END = std::string(MSG_VERIFY_BANNER) + MSG_PRESS_ANY_KEY;
const std::string FAILURE_END = std::string(MSG_FAILURE_BANNER) + MSG_PRESS_ANY_KEY;

std::vector<Bytes> ReadFrames(const ImagePart& part, int acks) {
    std::vector<Bytes> frames{StuffedReadRequest(part)};
    for (int k = 1; k <= acks; ++k) {
        frames.push_back(StuffedAck(static_cast<uint16_t>(k)));
    }
    return frames;
}

using VerifierTest = BoardTest;

TEST_F(VerifierTest, Part2WrittenByTheWriterVerifies) {
    StartBoard();
    ASSERT_EQ(Run("glyphload2").status, 0);
    ToolRun run = Run("glyphcheck2");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, VerifierLines(IMAGE_PART2, PartBytes(IMAGE_PART2)) + SUCCESS_END);
    EXPECT_EQ(CountLines(run.out), 70);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1),
              "(READ) DATA COMMAND --> 7e 00 03 00 01 80 00 f0 00 80 00 00 f8 40 40 40 .....\tVERIFY : OK\n");
    EXPECT_EQ(Tail(run.out, 2), SUCCESS_END);
    std::vector<Bytes> sent = FramesFromTool();
    std::vector<Bytes> written(sent.begin(), sent.begin() + 69);
    std::vector<Bytes> read(sent.begin() + 69, sent.end());
    EXPECT_EQ(read, ReadFrames(IMAGE_PART2, 67));
    EXPECT_EQ(read[9], Bytes({0x7e, 0x00, 0x04, 0x00, 0x09, 0x7d, 0x5e, 0x02, 0x7e}));
}

TEST_F(VerifierTest, FactoryPart1Verifies) {
    ASSERT_TRUE(board.PutStoreFile(PART1_FILE_NAME, PartBytes(IMAGE_PART1)));
    StartBoard();
    ToolRun run = Run("glyphcheck1");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VerifierLines(IMAGE_PART1, PartBytes(IMAGE_PART1)) + SUCCESS_END);
    EXPECT_EQ(CountLines(run.out), 120);
    EXPECT_EQ(run.out.substr(0, 72), "(READ) DATA COMMAND --> 7e 00 03 00 01 00 00 00 00 00 00 00 00 00 00 00 ");
    EXPECT_EQ(Tail(run.out, 3),
              "(READ) DATA COMMAND --> 7e 00 03 00 76 80 40 a0 90 80 90 90 90 a0 40 80 .....\tVERIFY : OK\n" +
                  SUCCESS_END);
    EXPECT_EQ(FramesFromTool(), ReadFrames(IMAGE_PART1, 117));
}

TEST_F(VerifierTest, UnderAUtf8LocaleTheBannerIsConverted) {
    ASSERT_TRUE(board.PutStoreFile(PART1_FILE_NAME, PartBytes(IMAGE_PART1)));
    StartBoard();
    ToolRun run = Run("glyphcheck1", "C.UTF-8");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Tail(run.out, 2), "***** 漢字べりファイ : OK *****\n***** Press any key *****\n");
    EXPECT_EQ(run.out, ToUtf8(VerifierLines(IMAGE_PART1, PartBytes(IMAGE_PART1)) + SUCCESS_END));
}

struct StoredFile {
    const char* name;
    const ImagePart* part;
    int size;        // bytes the board serves (zeros past the part)
    int changedAt;   // a byte flipped, or -1
};

void PrintTo(const StoredFile& c, std::ostream* os) { *os << c.name; }

class VerdictTest : public BoardTest, public testing::WithParamInterface<StoredFile> {};

// Files that differ from the part: the transfer goes on to the board's last
// block, every full block is acknowledged, and the verdict is failure.
TEST_P(VerdictTest, AFileThatIsNotThePartFails) {
    const StoredFile& c = GetParam();
    Bytes file = PartBytes(*c.part);
    file.resize(static_cast<size_t>(c.size), 0x00);
    if (c.changedAt >= 0) {
        file[static_cast<size_t>(c.changedAt)] ^= 0x01;
    }
    ASSERT_TRUE(board.PutStoreFile(c.part->fileName, file));
    StartBoard();
    std::string tool = c.part == &IMAGE_PART1 ? "glyphcheck1" : "glyphcheck2";
    ToolRun run = Run(tool);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, VerifierLines(*c.part, file) + FAILURE_END);
    EXPECT_EQ(FramesFromTool(), ReadFrames(*c.part, c.size / BLOCK_SIZE));
}

INSTANTIATE_TEST_SUITE_P(
    Files, VerdictTest,
    testing::Values(StoredFile{"OneByteDiffersInBlock5", &IMAGE_PART2, PART2_SIZE, 4 * 1024 + 100},
                    StoredFile{"ShortFile", &IMAGE_PART2, PART2_SIZE - 500, -1},
                    StoredFile{"EmptyLastBlock", &IMAGE_PART1, 117 * BLOCK_SIZE, -1},
                    StoredFile{"FirstBlockOnly", &IMAGE_PART2, 100, -1},
                    StoredFile{"LongerFile", &IMAGE_PART2, PART2_SIZE + 10, -1},
                    StoredFile{"BlocksAboveTheCount", &IMAGE_PART2, 70 * BLOCK_SIZE + 10, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VerifierTest, EmptyLastBlockLineIsClosedWithNg) {
    Bytes file = PartBytes(IMAGE_PART1);
    file.resize(117 * BLOCK_SIZE);
    ASSERT_TRUE(board.PutStoreFile(PART1_FILE_NAME, file));
    StartBoard();
    ToolRun run = Run("glyphcheck1");
    EXPECT_EQ(Tail(run.out, 3), "(READ) DATA COMMAND --> VERIFY : NG\n" + FAILURE_END);
}

struct ReadFault {
    const char* name;
    std::vector<std::string> options;
    std::string ending;
    int framesSent;
};

void PrintTo(const ReadFault& c, std::ostream* os) { *os << c.name; }

// Each row for both verifiers: the same exchange, with part 1 or part 2.
class ReadFaultTest : public BoardTest, public testing::WithParamInterface<std::tuple<ReadFault, int>> {};

TEST_P(ReadFaultTest, EndsTheRunAtOnce) {
    const ReadFault& c = std::get<0>(GetParam());
    const ImagePart& part = std::get<1>(GetParam()) == 1 ? IMAGE_PART1 : IMAGE_PART2;
    ASSERT_TRUE(board.PutStoreFile(part.fileName, PartBytes(part)));
    StartBoard(c.options);
    ToolRun run = Run(std::get<1>(GetParam()) == 1 ? "glyphcheck1" : "glyphcheck2");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Tail(run.out, 3), c.ending);
    EXPECT_EQ(static_cast<int>(FramesFromTool().size()), c.framesSent);
}

std::string CpuError(const std::string& text) {
    return "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46" + text + ")\n";
}

INSTANTIATE_TEST_SUITE_P(
    Board, ReadFaultTest,
    testing::Combine(testing::Values(
        ReadFault{"ErrorAnswersTheRequest", {"--fault", "error0@1"}, CpuError("RESEND") + FAILURE_END, 1},
        ReadFault{"ErrorWithANumber", {"--fault", "error@6"}, CpuError("FAULT") + FAILURE_END, 6},
        ReadFault{"ErrorTextWithoutNul", {"--fault", "nonul@3"}, CpuError("NO NUL") + FAILURE_END, 3},
        ReadFault{"AckFromTheBoard", {"--fault", "ack@2"}, MSG_COMMAND_NO_ERROR + FAILURE_END, 2},
        ReadFault{"UnknownCommand", {"--fault", "unknowncmd@4"}, MSG_COMMAND_NO_ERROR + FAILURE_END, 4},
        ReadFault{"CorruptedFcs", {"--fault", "fcs@3"}, MSG_CRC_ERROR + FAILURE_END, 3},
        ReadFault{"WrongBlock", {"--fault", "wrongblock@4"}, MSG_BLOCK_NO_ERROR + FAILURE_END, 4},
        ReadFault{"RepeatOfTheBlockBefore", {"--fault", "repeat@5"}, MSG_BLOCK_NO_ERROR + FAILURE_END, 5},
        ReadFault{"DataFrameTooShort", {"--fault", "shortdata@2"}, MSG_BLOCK_NO_ERROR + FAILURE_END, 2}),
                     testing::Values(1, 2)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_glyphcheck" + std::to_string(std::get<1>(info.param));
    });

TEST_F(VerifierTest, AMissingFileIsTheBoardsError) {
    StartBoard();
    ToolRun run = Run("glyphcheck2");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, CpuError("FILE NOT FOUND") + FAILURE_END);
}

TEST_F(VerifierTest, GarbageAndPiecesDoNotDisturbTheTransfer) {
    ASSERT_TRUE(board.PutStoreFile(PART2_FILE_NAME, PartBytes(IMAGE_PART2)));
    StartBoard({"--fault", "garbage@3", "--fault", "pieces@7x2"});
    ToolRun run = Run("glyphcheck2");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, VerifierLines(IMAGE_PART2, PartBytes(IMAGE_PART2)) + SUCCESS_END);
}
}  // namespace
