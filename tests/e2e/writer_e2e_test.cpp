// glyphload2 for real against the simulated board.
#include <string>
#include <vector>

#include "console_texts.h"
#include "e2e_support.h"
#include "frame_codec.h"
#include "writer_texts.h"

namespace {
const std::string SUCCESS_END = std::string(MSG_WRITE_COMPLETE) + MSG_PRESS_ANY_KEY;
const std::string FAILURE_END = std::string(MSG_FAILURE_BANNER) + MSG_PRESS_ANY_KEY;

std::string CpuError(const std::string& text) {
    return "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46" + text + ")\n";
}

// The frames a whole write sends: the request and the 68 DATA blocks.
std::vector<Bytes> WriteFrames() {
    std::vector<Bytes> frames{StuffedWriteRequest()};
    for (int k = 1; k <= 68; ++k) {
        ImageBlock block;
        GetImageBlock(IMAGE_PART2, k, &block);
        frames.push_back(StuffedData(static_cast<uint16_t>(k), block.bytes, block.length));
    }
    return frames;
}

using WriterTest = BoardTest;

TEST_F(WriterTest, WritesPartTwoIntoTheBoardsFile) {
    StartBoard();
    ToolRun run = Run("glyphload2");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, AckLines(0, 68) + SUCCESS_END);
    EXPECT_NE(run.out.find("ACK --> 7e 00 04 00 09 7e 02 7e \n"), std::string::npos);
    EXPECT_EQ(run.err, "");
    Bytes stored;
    ASSERT_TRUE(board.ReadStoreFile(PART2_FILE_NAME, &stored));
    EXPECT_EQ(stored, PartBytes(IMAGE_PART2));
    EXPECT_EQ(FramesFromTool(), WriteFrames());
}

TEST_F(WriterTest, UnderAUtf8LocaleTheTextsAreConverted) {
    StartBoard();
    ToolRun run = Run("glyphload2", "C.UTF-8");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Tail(run.out, 2), "***** 漢字書き込み完了 *****\n***** Press any key *****\n");
}

struct WriteFault {
    const char* name;
    std::vector<std::string> options;
    int status;
    std::string ending;   // the console's last lines
    int framesSent;       // frames the tool wrote, resends included
    bool stored;          // the board ends up with part 2
};

void PrintTo(const WriteFault& c, std::ostream* os) { *os << c.name; }

class WriterFaultTest : public BoardTest, public testing::WithParamInterface<WriteFault> {};

TEST_P(WriterFaultTest, EndsAsTheBoardsAnswersSay) {
    const WriteFault& c = GetParam();
    StartBoard(c.options);
    ToolRun run = Run("glyphload2");
    EXPECT_EQ(run.status, c.status) << run.out;
    ASSERT_GE(run.out.size(), c.ending.size());
    EXPECT_EQ(run.out.substr(run.out.size() - c.ending.size()), c.ending);
    EXPECT_EQ(static_cast<int>(FramesFromTool().size()), c.framesSent);
    Bytes stored;
    EXPECT_EQ(board.ReadStoreFile(PART2_FILE_NAME, &stored) && stored == PartBytes(IMAGE_PART2), c.stored);
}

const std::string RESEND = CpuError("RESEND") + MSG_RESENDING;

INSTANTIATE_TEST_SUITE_P(
    Board, WriterFaultTest,
    testing::Values(
        WriteFault{"ResendOfABlock", {"--fault", "error0@5"}, 0,
                   AckLine(4) + RESEND + AckLines(5, 68) + SUCCESS_END, 70, true},
        WriteFault{"RequestResentThreeTimes", {"--fault", "error0@0x3"}, 0,
                   RESEND + RESEND + RESEND + AckLines(0, 68) + SUCCESS_END, 72, true},
        WriteFault{"ResendOfTheLastBlock", {"--fault", "error0@68"}, 0,
                   AckLine(67) + RESEND + AckLine(68) + SUCCESS_END, 70, true},
        WriteFault{"ErrorTextWithoutNul", {"--fault", "nonul@7"}, 0,
                   AckLine(6) + CpuError("NO NUL") + MSG_RESENDING + AckLines(7, 68) + SUCCESS_END, 70, true},
        WriteFault{"UnknownCommandIsIgnored", {"--fault", "unknowncmd@6"}, 0, AckLines(5, 68) + SUCCESS_END, 69,
                   true},
        WriteFault{"GarbageBeforeAFrame", {"--fault", "garbage@8"}, 0, AckLines(7, 68) + SUCCESS_END, 69, true},
        WriteFault{"FrameInSmallPieces", {"--fault", "pieces@9x3"}, 0, AckLines(8, 68) + SUCCESS_END, 69, true},
        WriteFault{"ErrorWithOtherNumber", {"--fault", "error@10"}, 1,
                   AckLine(9) + CpuError("FAULT") + FAILURE_END, 11, false},
        WriteFault{"CorruptedFcs", {"--fault", "fcs@12"}, 1, AckLine(11) + MSG_CRC_ERROR + FAILURE_END, 13, false},
        WriteFault{"CorruptedFcsOfTheLastAck", {"--fault", "fcs@68"}, 1,
                   AckLine(67) + MSG_CRC_ERROR + FAILURE_END, 69, true},
        WriteFault{"WrongBlockNumber", {"--fault", "wrongblock@3"}, 1,
                   AckLine(2) + MSG_BLOCK_NO_ERROR + FAILURE_END, 4, false},
        WriteFault{"RepeatedAck", {"--fault", "repeat@4"}, 1, AckLine(3) + MSG_BLOCK_NO_ERROR + FAILURE_END, 5,
                   false},
        // A lone short frame glued to the next: gathered as one, it fails the check.
        WriteFault{"ShortFrameBeforeTheAnswer", {"--fault", "shortframe@2"}, 1,
                   AckLine(1) + MSG_CRC_ERROR + FAILURE_END, 3, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriterTest, ABoardThatFallsSilentIsWaitedOn) {
    StartBoard({"--fault", "silence@20"});
    ToolRun run = Run("glyphload2", "C", std::chrono::seconds(3));
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.out, AckLines(0, 19));  // no banner: there is no time limit
}

TEST_F(WriterTest, AMissingPortShowsItsMessageAndEndsWithStatusOne) {
    ToolLaunch launch;
    launch.tool = "glyphload2";
    launch.arguments = {"3"};
    launch.environment = {"COM3=/nonexistent/tty"};
    ToolRun run = RunTool(launch);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "COM3: CreateFile Error\n");
}
}  // namespace
