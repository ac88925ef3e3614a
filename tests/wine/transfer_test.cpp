// Whole runs of the Windows tools under Wine against the simulated board:
// exit statuses and the exact console bytes.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cpusim_process.h"
#include "console_texts.h"
#include "expected_output.h"
#include "image_part.h"
#include "verifier_texts.h"
#include "windows_tool.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

using std::chrono::seconds;

class WineTransfer : public ::testing::Test {
protected:
    void SetUp() override { SKIP_WITHOUT_WINE(); }

    // The board, reached by the tools as COM<port>, for `sessions` runs.
    void StartBoard(int port, int sessions) {
        ASSERT_TRUE(board_.Start({"--link", DosDevicePath(port), "--sessions", std::to_string(sessions)}))
            << board_.Error();
    }

    testsupport::CpusimProcess board_;
};

TEST_F(WineTransfer, WriterThenBothVerifiersAgainstTheBoard) {
    // The board as it leaves the factory: part 1 only.
    ASSERT_TRUE(board_.PutStoreFile(PART1_FILE_NAME, PartBytes(IMAGE_PART1)));
    StartBoard(3, 3);

    ToolRun load = RunTool("glyphload2", {"3"});
    EXPECT_EQ(load.status, 0) << load.err;
    EXPECT_EQ(load.err, "");
    const std::string firstAck = "ACK --> 7e 00 04 00 00 bf 9f 7e \r\n";
    EXPECT_EQ(load.out.substr(0, firstAck.size()), firstAck);
    // Block 9's ACK arrives stuffed; the line shows it decoded.
    EXPECT_NE(load.out.find("\r\nACK --> 7e 00 04 00 09 7e 02 7e \r\n"), std::string::npos);
    EXPECT_EQ(CountLines(load.out), 69 + 2);
    EXPECT_EQ(load.out, WriterOutput());
    Bytes stored;
    ASSERT_TRUE(board_.ReadStoreFile(PART2_FILE_NAME, &stored));
    EXPECT_TRUE(stored == PartBytes(IMAGE_PART2)) << "stored " << stored.size() << " bytes";

    ToolRun check2 = RunTool("glyphcheck2", {"3"});
    EXPECT_EQ(check2.status, 0) << check2.err;
    EXPECT_EQ(check2.err, "");
    const std::string firstBlock =
        "(READ) DATA COMMAND --> 7e 00 03 00 01 80 00 f0 00 80 00 00 f8 40 40 40 .....\tVERIFY : OK\r\n";
    EXPECT_EQ(check2.out.substr(0, firstBlock.size()), firstBlock);
    EXPECT_EQ(CountLines(check2.out), 68 + 2);
    EXPECT_EQ(check2.out, VerifierOutput(IMAGE_PART2, PartBytes(IMAGE_PART2)));

    ToolRun check1 = RunTool("glyphcheck1", {"3"});
    EXPECT_EQ(check1.status, 0) << check1.err;
    EXPECT_EQ(check1.err, "");
    const std::string lastBlock =
        "(READ) DATA COMMAND --> 7e 00 03 00 76 80 40 a0 90 80 90 90 90 a0 40 80 .....\tVERIFY : OK\r\n";
    EXPECT_EQ(check1.out, VerifierOutput(IMAGE_PART1, PartBytes(IMAGE_PART1)));
    EXPECT_EQ(CountLines(check1.out), 118 + 2);
    EXPECT_NE(check1.out.find(lastBlock + WindowsLineEnds(std::string(MSG_VERIFY_BANNER) + MSG_PRESS_ANY_KEY)),
              std::string::npos);

    EXPECT_EQ(board_.WaitForExit(seconds(10)), 0) << board_.Stderr();
}

TEST_F(WineTransfer, VerifierGoesOnPastADifferingBlockAndFails) {
    Bytes file = PartBytes(IMAGE_PART1);
    file[4 * 1024 + 100] ^= 0x01;  // one bit of block 5
    ASSERT_TRUE(board_.PutStoreFile(PART1_FILE_NAME, file));
    StartBoard(3, 1);

    ToolRun check1 = RunTool("glyphcheck1", {"3"});

    EXPECT_EQ(check1.status, 1);
    EXPECT_EQ(check1.out, VerifierOutput(IMAGE_PART1, file));
    EXPECT_EQ(CountLines(check1.out), 118 + 2);
    size_t ng = check1.out.find("VERIFY : NG");
    ASSERT_NE(ng, std::string::npos);
    size_t lineStart = check1.out.rfind("\r\n", ng) + 2;
    EXPECT_EQ(check1.out.substr(lineStart, 39), "(READ) DATA COMMAND --> 7e 00 03 00 05 ");
    EXPECT_EQ(check1.out.find("VERIFY : NG", ng + 1), std::string::npos) << "only block 5 differs";
    EXPECT_EQ(check1.out.substr(check1.out.size() - 51),
              WindowsLineEnds(std::string(MSG_FAILURE_BANNER) + MSG_PRESS_ANY_KEY));
    EXPECT_EQ(board_.WaitForExit(seconds(10)), 0) << board_.Stderr();
}

TEST_F(WineTransfer, PortTwelveCarriesAWholeTransfer) {
    ASSERT_TRUE(board_.PutStoreFile(PART2_FILE_NAME, PartBytes(IMAGE_PART2)));
    StartBoard(12, 1);

    ToolRun check2 = RunTool("glyphcheck2", {"12"});

    EXPECT_EQ(check2.status, 0) << check2.err;
    EXPECT_EQ(check2.out, VerifierOutput(IMAGE_PART2, PartBytes(IMAGE_PART2)));
    EXPECT_EQ(board_.WaitForExit(seconds(10)), 0) << board_.Stderr();
}

}  // namespace
}  // namespace winetest
