#include "board_fixture.h"

void BoardTest::StartBoard(const std::vector<std::string>& args) {
    ASSERT_TRUE(board.Start(args)) << board.Error();
    ASSERT_TRUE(line.Open(board.PtyPath())) << board.PtyPath();
}

void BoardTest::ReopenLine() {
    line.Close();
    ASSERT_TRUE(line.Open(board.PtyPath()));
}

void BoardTest::Send(const Bytes& decoded) {
    ASSERT_TRUE(line.SendFrame(decoded));
}

void BoardTest::Expect(const Bytes& decoded) {
    Bytes junk;
    Bytes raw;
    ASSERT_TRUE(line.ReceiveRawFrame(&raw, WAIT, &junk))
        << "no frame; expected " << testsupport::Hex(decoded) << "\nboard: " << board.Stderr();
    EXPECT_EQ(testsupport::Hex(junk), "");
    EXPECT_EQ(testsupport::Hex(raw), testsupport::Hex(testsupport::Stuffed(decoded)));
}

Bytes BoardTest::ReceiveRaw(Bytes* junk) {
    Bytes raw;
    EXPECT_TRUE(line.ReceiveRawFrame(&raw, WAIT, junk)) << "no frame\nboard: " << board.Stderr();
    return raw;
}

void BoardTest::ExpectBoardEnds() {
    EXPECT_EQ(board.WaitForExit(WAIT), 0) << board.Stderr();
}
