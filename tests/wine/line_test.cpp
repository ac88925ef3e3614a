// The Win32 serial path under Wine on a pseudo-terminal the test holds: the
// line settings the tool leaves on the device, its frames byte for byte, the
// answers it takes (whole and in pieces), the input purge at start-up, and
// the end of a failed run with its key wait.
#include <termios.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child_process.h"
#include "console_texts.h"
#include "expected_output.h"
#include "frame_codec.h"
#include "image_part.h"
#include "pty_line.h"
#include "pty_master.h"
#include "windows_tool.h"
#include "wine_prefix.h"

namespace winetest {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using testsupport::Stuffed;

constexpr int PORT = 4;
constexpr milliseconds FRAME_TIMEOUT(30000);

// Image part 2's full block k as the writer stuffs it.
Bytes DataOfBlock(int k) {
    return StuffedData(static_cast<uint16_t>(k), IMAGE_PART2.bytes + (k - 1) * BLOCK_SIZE, BLOCK_SIZE);
}

// The board's ERROR frame: block number, the text and its NUL, FCS.
Bytes ErrorFrame(int block, const std::string& text) {
    Bytes frame = {0x7E, 0x00, 0x05, static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block)};
    for (char c : text) {
        frame.push_back(static_cast<uint8_t>(c));
    }
    for (uint8_t end : {0x00, 0x00, 0x00, 0x7E}) {  // NUL, FCS, flag
        frame.push_back(end);
    }
    AppendFcs(frame.data(), static_cast<int>(frame.size()));
    return frame;
}

class WineLine : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_WINE();
        ASSERT_TRUE(board_.Open());
        fs::remove(DosDevicePath(PORT));
        fs::create_symlink(board_.DeviceName(), DosDevicePath(PORT));
    }
    void TearDown() override {
        if (!Prefix().path.empty()) {
            std::error_code ignored;
            fs::remove(DosDevicePath(PORT), ignored);
        }
    }

    PtyMaster board_;
};

TEST_F(WineLine, WriterRunsOverThePortAndEndsOnTheBoardsError) {
    // A stale answer from before the run: if the purge at start-up let it
    // through, the writer would take it for the answer to its request.
    ASSERT_TRUE(board_.Send(StuffedAck(5)));

    ChildProcess tool;
    ASSERT_TRUE(StartTool(&tool, "glyphload2", {std::to_string(PORT)})) << tool.Error();

    Bytes raw;
    ASSERT_TRUE(board_.ReceiveRawFrame(&raw, FRAME_TIMEOUT)) << tool.Stderr();
    const Bytes writeRequest = {0x7e, 0x00, 0x02, 0x31, 0x26, 0x30, 0x30, 0x30, 0x30, 0x30,
                                0x30, 0x2e, 0x44, 0x41, 0x54, 0x00, 0x21, 0x93, 0x7e};
    EXPECT_EQ(raw, writeRequest);

    // The port is open and configured once the request is out: 115200 baud,
    // 8 data bits, no parity, one stop bit, no flow control, raw bytes.
    termios line{};
    ASSERT_TRUE(board_.LineSettings(&line));
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL | INLCR | IGNCR), 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);

    // The answer whole, then in two pieces: each brings the next block.
    ASSERT_TRUE(board_.Send(StuffedAck(0)));
    ASSERT_TRUE(board_.ReceiveRawFrame(&raw, FRAME_TIMEOUT));
    EXPECT_EQ(raw, DataOfBlock(1));
    Bytes ack1 = StuffedAck(1);
    ASSERT_TRUE(board_.Send(Bytes(ack1.begin(), ack1.begin() + 3)));
    ASSERT_TRUE(board_.QuietFor(milliseconds(200)));
    ASSERT_TRUE(board_.Send(Bytes(ack1.begin() + 3, ack1.end())));
    ASSERT_TRUE(board_.ReceiveRawFrame(&raw, FRAME_TIMEOUT));
    EXPECT_EQ(raw, DataOfBlock(2));

    // An ERROR with a block number other than 0 ends the run.
    ASSERT_TRUE(board_.Send(Stuffed(ErrorFrame(2, "X"))));
    ASSERT_TRUE(tool.WaitForOutput(WindowsLineEnds(MSG_PRESS_ANY_KEY), FRAME_TIMEOUT)) << tool.Stdout();
    // ERROR(CPU側で検出：X), in Shift_JIS.
    const std::string cpuError = "ERROR(CPU\x91\xa4\x82\xc5\x8c\x9f\x8f\x6f\x81\x46X)\n";
    EXPECT_EQ(tool.Stdout(), WindowsLineEnds(AckLines(0, 1) + cpuError + MSG_FAILURE_BANNER + MSG_PRESS_ANY_KEY));
    EXPECT_EQ(tool.Stderr(), "");

    // It waits for the key, sending nothing more, and only then ends.
    EXPECT_EQ(tool.WaitForExit(milliseconds(500)), STILL_RUNNING);
    EXPECT_TRUE(board_.QuietFor(milliseconds(100)));
    ASSERT_TRUE(tool.SendInput("k"));
    EXPECT_EQ(tool.WaitForExit(TOOL_TIMEOUT), 1);
}

}  // namespace
}  // namespace winetest
