// The board as a process: its sessions one after another, its link, its
// end on a signal, its command line, and the repeatable line noise.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "board_fixture.h"
#include "transcript_reader.h"

namespace {

using testsupport::Hex;

TEST_F(BoardTest, ServesSessionsOneAfterAnotherOnTheSameLine) {
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--sessions", "2"}));
    const Bytes content = Pattern(1500, 21);
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    Send(DataFrame(1, Slice(content, 0, BLOCK_SIZE)));
    Expect(AckFrame(1));
    Send(DataFrame(2, Slice(content, BLOCK_SIZE, 476)));
    Expect(AckFrame(2));
    // The tool closes the port; the next one finds the line as it was.
    ASSERT_NO_FATAL_FAILURE(ReopenLine());
    Send(ReadRequest(PART2_NAME, "069504"));
    Expect(DataFrame(1, Slice(content, 0, BLOCK_SIZE)));
    Send(AckFrame(1));
    Expect(DataFrame(2, Slice(content, BLOCK_SIZE, 476)));
    ExpectBoardEnds();
    const std::string report = board.Stderr();
    EXPECT_NE(report.find("session 1: WRITE \"1&000000.DAT\": stored 1500 bytes"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("session 2: READ \"1&000000.DAT\" size \"069504\": sent 1500 bytes"),
              std::string::npos)
        << report;
}

class StopSignalTest : public BoardTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignalTest, EndsCleanlyMidSession) {
    ASSERT_TRUE(board.PutStoreFile(PART1_NAME, Pattern(5000, 1)));
    ASSERT_NO_FATAL_FAILURE(StartBoard());
    Send(ReadRequest(PART1_NAME, "120000"));
    ReceiveRaw();
    ASSERT_TRUE(board.Signal(GetParam()));
    EXPECT_EQ(board.WaitForExit(WAIT), 0);
    const std::string report = board.Stderr();
    EXPECT_NE(report.find("session 1: READ \"0&000000.DAT\" size \"120000\": still open"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("stopped by signal " + std::to_string(GetParam())), std::string::npos)
        << report;
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, ::testing::Values(SIGINT, SIGTERM));

TEST_F(BoardTest, LinkPointsAtTheDeviceUntilTheEnd) {
    const std::string link = board.TempDir() + "/com1";
    ASSERT_NO_FATAL_FAILURE(StartBoard({"--link", link}));
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), board.PtyPath());
    // The tools open the link, not the device.
    ASSERT_TRUE(line.Open(link));
    Send(WriteRequest(PART2_NAME));
    Expect(AckFrame(0));
    EXPECT_EQ(board.Stop(), 0);
    struct stat info {};
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "link left behind";
}

TEST_F(BoardTest, LinkNeverReplacesAnOrdinaryFile) {
    const std::string path = board.TempDir() + "/com1";
    std::ofstream(path) << "keep";
    EXPECT_FALSE(board.Start({"--link", path}));
    EXPECT_EQ(board.WaitForExit(WAIT), 1);
    std::ifstream kept(path);
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "keep");
}

class BadCommandLineTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(BadCommandLineTest, IsRefusedWithStatus2) {
    testsupport::CpusimProcess board;
    EXPECT_FALSE(board.Start(GetParam()));
    EXPECT_EQ(board.WaitForExit(WAIT), 2);
    EXPECT_NE(board.Stderr().find("cpusim: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadCommandLineTest,
    ::testing::Values(std::vector<std::string>{"--fault", "bogus@1"},
                      std::vector<std::string>{"--fault", "fcs"},
                      std::vector<std::string>{"--fault", "fcs@1x0"},
                      std::vector<std::string>{"--fault", "fcs@70000"},
                      std::vector<std::string>{"--fault", "fcs@1/0"},
                      std::vector<std::string>{"--sessions", "0"},
                      std::vector<std::string>{"--baud", "fast"},
                      std::vector<std::string>{"--noise", "1.5"},
                      std::vector<std::string>{"--noise-dir", "up"},
                      std::vector<std::string>{"--serve-bytes", "-1"},
                      std::vector<std::string>{"--store", "/nonexistent/cpusim-store"},
                      std::vector<std::string>{"--no-such-option"},
                      std::vector<std::string>{"stray"}));

TEST(CpusimHelp, DocumentsEveryOptionAndFaultKind) {
    std::string command = std::string(testsupport::DefaultCpusimPath()) + " --help";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string help;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        help.append(buffer, got);
    }
    EXPECT_EQ(pclose(pipe), 0);
    const char* const WORDS[] = {
        "--store",     "--link",   "--sessions",   "--fault", "--serve-bytes", "--noise",
        "--seed",      "--noise-dir", "--baud",    "--log",   "--verbose",     "--help",
        "error0",      "error ",   "nonul",        "fcs",     "wrongblock",    "repeat",
        "unknowncmd",  "ack ",     "garbage",      "pieces",  "shortdata",     "shortframe",
        "emptydata",   "silence"};
    for (const char* word : WORDS) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
}

// The first TX line of a read whose DATA 1 went out through the noise.
Bytes NoisyFirstAnswer(const std::vector<std::string>& noise) {
    testsupport::CpusimProcess board;
    testsupport::PtyLine line;
    EXPECT_TRUE(board.PutStoreFile(PART1_NAME, Pattern(3000, 2)));
    EXPECT_TRUE(board.Start(noise)) << board.Error();
    EXPECT_TRUE(line.Open(board.PtyPath()));
    EXPECT_TRUE(line.SendFrame(ReadRequest(PART1_NAME, "120000")));
    // The answer is written by the time its transcript line is there.
    auto deadline = std::chrono::steady_clock::now() + WAIT;
    std::vector<testsupport::TranscriptEntry> log;
    while (std::chrono::steady_clock::now() < deadline) {
        log = testsupport::ReadTranscript(board.TranscriptPath());
        if (log.size() >= 2) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(board.Stop(), 0);
    if (log.size() < 2) {
        ADD_FAILURE() << "no answer in the transcript";
        return {};
    }
    EXPECT_EQ(log[1].direction, "TX");
    return log[1].raw;
}

TEST(LineNoise, IsRepeatableBySeed) {
    const Bytes clean = testsupport::Stuffed(DataFrame(1, Slice(Pattern(3000, 2), 0, BLOCK_SIZE)));
    const Bytes first = NoisyFirstAnswer({"--noise", "0.02", "--seed", "7"});
    const Bytes again = NoisyFirstAnswer({"--noise", "0.02", "--seed", "7"});
    const Bytes other = NoisyFirstAnswer({"--noise", "0.02", "--seed", "8"});
    const Bytes none = NoisyFirstAnswer({"--noise", "0"});
    EXPECT_EQ(Hex(first), Hex(again));
    EXPECT_NE(Hex(first), Hex(clean));
    EXPECT_NE(Hex(first), Hex(other));
    EXPECT_EQ(Hex(none), Hex(clean));
}

}  // namespace
