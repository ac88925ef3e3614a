// Faults injected with --fault, each played through as a script of what the
// tool sends and what it must get back.
#include <gtest/gtest.h>

#include "board_fixture.h"

namespace {

using testsupport::Hex;

enum class Act {
    Send,          // the tool sends a frame
    Expect,        // exactly this frame, nothing before it
    ExpectAfter,   // these raw bytes, then exactly this frame
    ExpectRaw,     // exactly these raw bytes as a frame
    ExpectBadFcs,  // this frame, but with an FCS that fails the check
    ExpectShort,   // this decoded frame of under 8 bytes, at least 8 on the line
    ExpectQuiet,   // nothing for a while
};

struct Step {
    Act act;
    Bytes frame;
    Bytes before;
};

Step Send(const Bytes& frame) { return {Act::Send, frame, {}}; }
Step Get(const Bytes& frame) { return {Act::Expect, frame, {}}; }
Step GetAfter(const Bytes& before, const Bytes& frame) { return {Act::ExpectAfter, frame, before}; }
Step GetRaw(const Bytes& raw) { return {Act::ExpectRaw, raw, {}}; }
Step GetBadFcs(const Bytes& frame) { return {Act::ExpectBadFcs, frame, {}}; }
Step GetShort(const Bytes& frame) { return {Act::ExpectShort, frame, {}}; }
Step Quiet() { return {Act::ExpectQuiet, {}, {}}; }

struct FaultCase {
    const char* name;
    std::vector<std::string> faults;
    std::vector<Step> steps;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

// The file every read case serves: three full blocks and 300 bytes.
const Bytes FILE_BYTES = Pattern(3 * 1024 + 300, 11);
const Bytes GARBAGE_BYTES = {0x55, 0xAA, 0x00, 0xFF, 0x31, 0x32, 0x33};

Bytes Full(unsigned seed) { return Pattern(BLOCK_SIZE, seed); }
Bytes Block(uint16_t k) {
    size_t offset = (k - 1) * static_cast<size_t>(BLOCK_SIZE);
    return Slice(FILE_BYTES, offset, std::min<size_t>(BLOCK_SIZE, FILE_BYTES.size() - offset));
}
Bytes Write() { return WriteRequest(PART2_NAME); }
Bytes Read() { return ReadRequest(PART1_NAME, "120000"); }
Bytes Data(uint16_t k) { return DataFrame(k, Block(k)); }

Bytes ShortData(uint8_t block) {
    Bytes frame = {FLAG_BYTE, 0x00, 0x03, block, 0, 0, FLAG_BYTE};
    AppendFcs(frame.data(), static_cast<int>(frame.size()));
    return frame;
}

class FaultTest : public BoardTest, public ::testing::WithParamInterface<FaultCase> {
protected:
    void Play(const Step& step, size_t index) {
        SCOPED_TRACE("step " + std::to_string(index));
        Bytes junk;
        Bytes raw;
        switch (step.act) {
            case Act::Send:
                Send(step.frame);
                return;
            case Act::Expect:
                Expect(step.frame);
                return;
            case Act::ExpectAfter:
                raw = ReceiveRaw(&junk);
                EXPECT_EQ(Hex(junk), Hex(step.before));
                EXPECT_EQ(Hex(raw), Hex(testsupport::Stuffed(step.frame)));
                return;
            case Act::ExpectRaw:
                raw = ReceiveRaw(&junk);
                EXPECT_EQ(Hex(junk), "");
                EXPECT_EQ(Hex(raw), Hex(step.frame));
                return;
            case Act::ExpectBadFcs: {
                Bytes decoded = testsupport::Unstuffed(ReceiveRaw());
                ASSERT_EQ(decoded.size(), step.frame.size());
                EXPECT_FALSE(CheckFcs(decoded.data(), static_cast<int>(decoded.size())));
                // All but the FCS is the answer that was due.
                size_t n = decoded.size();
                EXPECT_EQ(Hex(Slice(decoded, 0, n - 3)), Hex(Slice(step.frame, 0, n - 3)));
                return;
            }
            case Act::ExpectShort:
                raw = ReceiveRaw();
                EXPECT_GE(raw.size(), static_cast<size_t>(MIN_FRAME_LENGTH));
                EXPECT_EQ(Hex(testsupport::Unstuffed(raw)), Hex(step.frame));
                EXPECT_TRUE(CheckFcs(step.frame.data(), static_cast<int>(step.frame.size())));
                return;
            case Act::ExpectQuiet:
                EXPECT_TRUE(line.QuietFor(std::chrono::milliseconds(300)));
                return;
        }
    }
};

TEST_P(FaultTest, ToolSeesTheFault) {
    ASSERT_TRUE(board.PutStoreFile(PART1_NAME, FILE_BYTES));
    std::vector<std::string> args;
    for (const std::string& fault : GetParam().faults) {
        args.insert(args.end(), {"--fault", fault});
    }
    ASSERT_NO_FATAL_FAILURE(StartBoard(args));
    const std::vector<Step>& steps = GetParam().steps;
    for (size_t i = 0; i < steps.size(); ++i) {
        ASSERT_NO_FATAL_FAILURE(Play(steps[i], i));
        if (HasFailure()) {
            break;
        }
    }
    // Whatever the fault, the board ends cleanly on a signal.
    EXPECT_EQ(board.Stop(), 0) << board.Stderr();
}

const FaultCase WRITE_FAULTS[] = {
    {"Error0RepeatedOnTheRequest", {"error0@0x2"},
     {Send(Write()), Get(ErrorFrame(0, "RESEND")), Send(Write()), Get(ErrorFrame(0, "RESEND")),
      Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, {9})), Get(AckFrame(1))}},
    {"Error0OnABlockTakesItsResend", {"error0@1"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))), Get(ErrorFrame(0, "RESEND")),
      Send(DataFrame(1, Full(1))), Get(AckFrame(1)), Send(DataFrame(2, Full(2))),
      Get(AckFrame(2))}},
    {"ErrorWithTheBlockNumber", {"error@1"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))), Get(ErrorFrame(1, "FAULT"))}},
    {"ErrorOnTheRequestIsNotZero", {"error@0"},
     {Send(Write()), Get(ErrorFrame(0xFFFF, "FAULT"))}},
    {"ErrorTextWithoutNul", {"nonul@0"},
     {Send(Write()), Get(ErrorFrame(0, "NO NUL", false)), Send(Write()), Get(AckFrame(0))}},
    {"CorruptFcs", {"fcs@1"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))), GetBadFcs(AckFrame(1))}},
    {"WrongBlockInAck", {"wrongblock@0"}, {Send(Write()), Get(AckFrame(1))}},
    {"RepeatedAck", {"repeat@2"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))), Get(AckFrame(1)),
      Send(DataFrame(2, Full(2))), Get(AckFrame(1))}},
    {"UnknownCommandBeforeTheAck", {"unknowncmd@0"},
     {Send(Write()), Get(CommandFrame(0x0104, 0)), Get(AckFrame(0))}},
    {"GarbageForTwoAnswersInARow", {"garbage@1x2"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))),
      GetAfter(GARBAGE_BYTES, AckFrame(1)), Send(DataFrame(2, Full(2))),
      GetAfter(GARBAGE_BYTES, AckFrame(2)), Send(DataFrame(3, Full(3))), Get(AckFrame(3))}},
    {"AckInPieces", {"pieces@0"}, {Send(Write()), Get(AckFrame(0))}},
    {"ShortFrameBeforeTheAck", {"shortframe@0"},
     {Send(Write()), GetRaw({0x7E, 0x00, 0x03, 0x00, 0x7E}), Get(AckFrame(0))}},
    {"Silence", {"silence@1"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, Full(1))), Quiet(),
      Send(DataFrame(1, Full(1))), Quiet()}},
    {"OnlyInTheSessionNamed", {"error0@0/2"},
     {Send(Write()), Get(AckFrame(0)), Send(DataFrame(1, {1})), Get(AckFrame(1)), Send(Write()),
      Get(ErrorFrame(0, "RESEND"))}},
    {"ReadOnlyFaultsSpareAWrite", {"emptydata@0", "shortdata@0", "ack@0"},
     {Send(Write()), Get(AckFrame(0))}},
};

const FaultCase READ_FAULTS[] = {
    {"Error0", {"error0@1"}, {Send(Read()), Get(ErrorFrame(0, "RESEND"))}},
    {"ErrorWithTheBlockNumber", {"error@2"},
     {Send(Read()), Get(Data(1)), Send(AckFrame(1)), Get(ErrorFrame(2, "FAULT"))}},
    {"CorruptFcs", {"fcs@2"},
     {Send(Read()), Get(Data(1)), Send(AckFrame(1)), GetBadFcs(Data(2))}},
    {"WrongBlockInData", {"wrongblock@1"}, {Send(Read()), Get(DataFrame(2, Block(1)))}},
    {"RepeatedData", {"repeat@2"},
     {Send(Read()), Get(Data(1)), Send(AckFrame(1)), Get(Data(1))}},
    {"RepeatOfTheFirstIsBlockZero", {"repeat@1"}, {Send(Read()), Get(DataFrame(0, Block(1)))}},
    {"AckToTheReader", {"ack@0"}, {Send(Read()), Get(AckFrame(1)), Get(Data(1))}},
    {"UnknownCommand", {"unknowncmd@2"},
     {Send(Read()), Get(Data(1)), Send(AckFrame(1)), Get(CommandFrame(0x0104, 2)), Get(Data(2))}},
    {"DataShorterThanEightBytes", {"shortdata@1"}, {Send(Read()), GetShort(ShortData(1))}},
    {"EmptyData", {"emptydata@3"},
     {Send(Read()), Get(Data(1)), Send(AckFrame(1)), Get(Data(2)), Send(AckFrame(2)),
      Get(DataFrame(3, {}))}},
    {"GarbageAndPiecesTogether", {"garbage@1", "pieces@1"},
     {Send(Read()), GetAfter(GARBAGE_BYTES, Data(1)), Send(AckFrame(1)), Get(Data(2))}},
    {"Silence", {"silence@2"}, {Send(Read()), Get(Data(1)), Send(AckFrame(1)), Quiet()}},
};

std::string CaseName(const ::testing::TestParamInfo<FaultCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Write, FaultTest, ::testing::ValuesIn(WRITE_FAULTS), CaseName);
INSTANTIATE_TEST_SUITE_P(Read, FaultTest, ::testing::ValuesIn(READ_FAULTS), CaseName);

}  // namespace
