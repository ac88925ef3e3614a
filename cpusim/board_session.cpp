#include "board_session.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "board_frames.h"
#include "board_store.h"
#include "fault_plan.h"
#include "frame_codec.h"
#include "line_io.h"

namespace {
// The block number of an ERROR that refuses a request. 0 would ask the
// writer to send its request again, which cannot help.
constexpr uint16_t REFUSAL_BLOCK = 0xFFFF;
constexpr uint16_t UNKNOWN_COMMAND = 0x0104;
const uint8_t GARBAGE[] = {0x55, 0xAA, 0x00, 0xFF, 0x31, 0x32, 0x33};

// Texts of the board's ERROR frames: short plain ASCII.
const char* const TEXT_FCS_NG = "FCS NG";
const char* const TEXT_RESEND = "RESEND";
const char* const TEXT_NO_NUL = "NO NUL";
const char* const TEXT_FAULT = "FAULT";

enum SessionKind { NO_SESSION, WRITE_SESSION, READ_SESSION };

enum AnswerOutcome {
    ANSWER_TAKEN,       // the regular answer went out; the exchange goes on
    ANSWER_RESEND,      // an ERROR with block number 0 went out instead
    ANSWER_TOOL_STOPS,  // what went out ends the tool's run
    ANSWER_SILENT,      // nothing went out, nor will until the session ends
};

struct Session {
    SessionKind kind;
    int number;
    int file;
    char name[BOARD_NAME_LENGTH + 1];  // as asked, for the report
    char sizeText[8];
    bool requestAnswered;
    // Write: the DATA block awaited. Read: the block whose ACK is awaited.
    uint16_t expected;
    // Write: bytes kept so far. Read: bytes to serve.
    long length;
    long bytesSent;
    int blocks;
    int resendsAsked;
    unsigned faultsSeen;
    bool silent;
};

BoardSettings Settings{-1, false};
Session Current{};
int SessionCount = 0;
int EndedCount = 0;

uint8_t Received[FRAME_BUFFER_SIZE];
uint8_t Answer[FRAME_BUFFER_SIZE];
uint8_t LineBytes[LINE_SEND_CAPACITY];
uint8_t FileBytes[MAX_FILE_BYTES];
char Description[160];

void Note(const char* format, ...) {
    if (!Settings.verbose) {
        return;
    }
    va_list args;
    va_start(args, format);
    std::fputs("cpusim: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

// Printable copy of a text field, up to its NUL or `width` bytes.
void CopyText(char* out, const uint8_t* field, int width) {
    int i = 0;
    for (; i < width && field[i] != 0x00; ++i) {
        out[i] = field[i] >= 0x20 && field[i] < 0x7F ? static_cast<char>(field[i]) : '?';
    }
    out[i] = '\0';
}

const char* DescribeFrame(const uint8_t* frame, int n) {
    uint16_t command = GetFrameCommand(frame);
    uint16_t block = GetBlockNumber(frame);
    char text[64];
    switch (command) {
        case CMD_READ:
        case CMD_WRITE:
            CopyText(text, frame + 3, n >= 16 ? BOARD_NAME_LENGTH : 0);
            std::snprintf(Description, sizeof Description, "%s \"%s\" (%d bytes)",
                          command == CMD_READ ? "READ" : "WRITE", text, n);
            break;
        case CMD_DATA:
            std::snprintf(Description, sizeof Description, "DATA block %u, %d payload bytes",
                          block, n - FRAME_OVERHEAD);
            break;
        case CMD_ACK:
            std::snprintf(Description, sizeof Description, "ACK block %u (%d bytes)", block, n);
            break;
        case CMD_ERROR: {
            int length = 0;
            const uint8_t* t = GetErrorText(frame, n, &length);
            CopyText(text, t, length < 48 ? length : 48);
            std::snprintf(Description, sizeof Description, "ERROR block %u \"%s\" (%d bytes)",
                          block, text, n);
            break;
        }
        default:
            std::snprintf(Description, sizeof Description, "command 0x%04x (%d bytes)", command,
                          n);
            break;
    }
    return Description;
}

void SendBoardFrame(const uint8_t* frame, int n, bool inPieces, int alsoEscape, unsigned faults) {
    int s = StuffForLine(frame, n, LineBytes, sizeof LineBytes, alsoEscape);
    Note("TX %s%s%s", DescribeFrame(frame, n), faults ? " with fault " : "",
         faults ? FaultNames(faults) : "");
    SendOnLine(LineBytes, s, "TX", inPieces);
}

const char* KindName() {
    return Current.kind == WRITE_SESSION ? "WRITE" : "READ";
}

void EndSession(const char* format, ...) {
    char outcome[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(outcome, sizeof outcome, format, args);
    va_end(args);
    std::fprintf(stderr, "cpusim: session %d: %s \"%s\"", Current.number, KindName(),
                 Current.name);
    if (Current.kind == READ_SESSION) {
        std::fprintf(stderr, " size \"%s\"", Current.sizeText);
    }
    std::fprintf(stderr, ": %s", outcome);
    if (Current.resendsAsked > 0) {
        std::fprintf(stderr, "; asked for %d resends", Current.resendsAsked);
    }
    if (Current.faultsSeen != 0) {
        std::fprintf(stderr, "; faults injected: %s", FaultNames(Current.faultsSeen));
    }
    std::fputc('\n', stderr);
    Current.kind = NO_SESSION;
    ++EndedCount;
}

void SendBoardError(uint16_t block, const char* text) {
    int n = BuildErrorFrame(Answer, block, text, true);
    SendBoardFrame(Answer, n, false, 0, 0);
}

uint16_t FatalBlock() {
    if (Current.kind == NO_SESSION || !Current.requestAnswered || Current.expected == 0) {
        return REFUSAL_BLOCK;
    }
    return Current.expected;
}

// The board refuses to go on: an ERROR that ends the tool's run, and the
// session with it.
void FailSession(const char* text, const char* why) {
    uint16_t block = FatalBlock();
    SendBoardError(block, text);
    EndSession("refused with ERROR %u \"%s\": %s", block, text, why);
}

// Payload of DATA block `block` of the file being served; block 0, which
// only a fault sends, carries block 1's bytes.
const uint8_t* ServedPayload(uint16_t block, int* p) {
    long offset = (block > 0 ? block - 1 : 0) * static_cast<long>(BLOCK_SIZE);
    long left = Current.length - offset;
    *p = left <= 0 ? 0 : (left < BLOCK_SIZE ? static_cast<int>(left) : BLOCK_SIZE);
    return FileBytes + (left <= 0 ? 0 : offset);
}

// Sends the regular answer carrying `block` (an ACK, or a DATA frame of
// the file being served) with the faults that hit it.
AnswerOutcome SendAnswer(unsigned faults, uint16_t command, uint16_t block) {
    Current.faultsSeen |= faults;
    if (faults & FAULT_SILENCE) {
        Note("silent from block %u on", block);
        Current.silent = true;
        return ANSWER_SILENT;
    }
    bool pieces = (faults & FAULT_PIECES) != 0;
    if (faults & FAULT_GARBAGE) {
        Note("TX %d bytes of garbage", static_cast<int>(sizeof GARBAGE));
        SendOnLine(GARBAGE, sizeof GARBAGE, "TXJUNK", pieces);
    }
    if (faults & FAULT_SHORTFRAME) {
        const uint8_t shortFrame[] = {FLAG_BYTE, 0x00, static_cast<uint8_t>(CMD_DATA),
                                      static_cast<uint8_t>(block & 0xFF), FLAG_BYTE};
        int s = StuffForLine(shortFrame, sizeof shortFrame, LineBytes, sizeof LineBytes, 0);
        Note("TX a %d-byte frame", s);
        SendOnLine(LineBytes, s, "TX", pieces);
    }
    // An extra whole frame must reach the tool as a gathering of its own:
    // the tool does not split frames that arrive together.
    if (faults & FAULT_UNKNOWNCMD) {
        SendBoardFrame(Answer, BuildCommandFrame(Answer, UNKNOWN_COMMAND, block), pieces, 0,
                  FAULT_UNKNOWNCMD);
        WaitForToolToRead();
    }
    if (faults & FAULT_ACK) {
        SendBoardFrame(Answer, BuildAckFrame(Answer, block), pieces, 0, FAULT_ACK);
        WaitForToolToRead();
    }

    AnswerOutcome outcome = ANSWER_TOOL_STOPS;
    bool regularShape = false;
    int alsoEscape = 0;
    int n = 0;
    int p = 0;
    const uint8_t* payload = nullptr;
    if (faults & FAULT_ERROR0) {
        n = BuildErrorFrame(Answer, 0, TEXT_RESEND, true);
        outcome = ANSWER_RESEND;
    } else if (faults & FAULT_NONUL) {
        n = BuildErrorFrame(Answer, 0, TEXT_NO_NUL, false);
        outcome = ANSWER_RESEND;
    } else if (faults & FAULT_ERROR) {
        n = BuildErrorFrame(Answer, block != 0 ? block : REFUSAL_BLOCK, TEXT_FAULT, true);
    } else if (faults & FAULT_SHORTDATA) {
        n = BuildShortDataFrame(Answer, block);
        alsoEscape = 2;
    } else if (faults & FAULT_EMPTYDATA) {
        n = BuildDataFrame(Answer, block, nullptr, 0);
        regularShape = true;
    } else if (faults & FAULT_REPEAT) {
        uint16_t previous = static_cast<uint16_t>(block - 1);
        if (command == CMD_ACK) {
            n = BuildAckFrame(Answer, previous);
        } else {
            payload = ServedPayload(previous, &p);
            n = BuildDataFrame(Answer, previous, payload, p);
        }
    } else {
        if (command == CMD_ACK) {
            n = BuildAckFrame(Answer, block);
        } else {
            payload = ServedPayload(block, &p);
            n = BuildDataFrame(Answer, block, payload, p);
        }
        regularShape = true;
        outcome = ANSWER_TAKEN;
    }
    if (regularShape && (faults & FAULT_WRONGBLOCK)) {
        uint16_t wrong = static_cast<uint16_t>(block + 1);
        Answer[3] = static_cast<uint8_t>(wrong >> 8);
        Answer[4] = static_cast<uint8_t>(wrong & 0xFF);
        AppendFcs(Answer, n);
        outcome = ANSWER_TOOL_STOPS;
    }
    if (faults & FAULT_FCS) {
        Answer[n - 3] ^= 0xFF;
        outcome = ANSWER_TOOL_STOPS;
    }
    SendBoardFrame(Answer, n, pieces, alsoEscape, faults);
    return outcome;
}

void AnswerWriteRequest() {
    switch (SendAnswer(TakeFaults(0, true), CMD_ACK, 0)) {
        case ANSWER_TAKEN:
            Current.requestAnswered = true;
            Current.expected = 1;
            break;
        case ANSWER_RESEND:
            ++Current.resendsAsked;
            break;
        case ANSWER_TOOL_STOPS:
            EndSession("ended by the injected fault in answer to the request");
            break;
        case ANSWER_SILENT:
            break;
    }
}

void SendReadBlock(uint16_t block, bool toRequest) {
    int p = 0;
    ServedPayload(block, &p);
    switch (SendAnswer(TakeFaults(block, toRequest), CMD_DATA, block)) {
        case ANSWER_TAKEN:
            Current.requestAnswered = true;
            Current.expected = block;
            Current.bytesSent += p;
            ++Current.blocks;
            if (p < BLOCK_SIZE) {
                EndSession("sent %ld bytes in %d DATA frames", Current.bytesSent,
                           Current.blocks);
            }
            break;
        case ANSWER_RESEND:  // a reading tool gives up on any ERROR
        case ANSWER_TOOL_STOPS:
            EndSession("ended by the injected fault at block %u after %ld bytes", block,
                       Current.bytesSent);
            break;
        case ANSWER_SILENT:
            break;
    }
}

bool SameWriteRequest(int n) {
    return n == 19 && std::memcmp(Received + 3, Current.name, BOARD_NAME_LENGTH) == 0 &&
           Received[3 + BOARD_NAME_LENGTH] == 0x00;
}

void StartSession(bool write, int n) {
    // The writer sends its request again when asked to: same session.
    if (write && Current.kind == WRITE_SESSION && !Current.requestAnswered &&
        !Current.silent && SameWriteRequest(n)) {
        AnswerWriteRequest();
        return;
    }
    if (Current.kind != NO_SESSION) {
        EndSession("abandoned at block %u: a new request arrived", Current.expected);
    }
    Current = Session{};
    Current.kind = write ? WRITE_SESSION : READ_SESSION;
    Current.number = ++SessionCount;
    Current.file = -1;
    ArmFaults(Current.number, write);
    int expectedLength = write ? 19 : 26;
    CopyText(Current.name, Received + 3, n >= 16 ? BOARD_NAME_LENGTH : 0);
    if (n != expectedLength) {
        FailSession("REQUEST NG", "request of the wrong length");
        return;
    }
    if (!write) {
        CopyText(Current.sizeText, Received + 16, 6);
    }
    Current.file = FindBoardFile(Received + 3);
    if (Current.file < 0) {
        FailSession("FILE NAME NG", "not a file of the board");
        return;
    }
    if (write) {
        AnswerWriteRequest();
        return;
    }
    long length = LoadBoardFile(Current.file, FileBytes, MAX_FILE_BYTES);
    if (length == LOAD_MISSING) {
        FailSession("FILE NOT FOUND", "no such file in the store");
        return;
    }
    if (length == LOAD_TOO_LARGE) {
        FailSession("FILE TOO LARGE", "larger than the board holds");
        return;
    }
    if (length < 0) {
        FailSession("READ NG", "the file could not be read");
        return;
    }
    if (Settings.serveBytes >= 0) {
        // Serve a length other than the file's: cut, or filled with zeros.
        if (Settings.serveBytes > length) {
            std::memset(FileBytes + length, 0, static_cast<size_t>(Settings.serveBytes - length));
        }
        length = Settings.serveBytes;
    }
    Current.length = length;
    SendReadBlock(1, true);
}

void OnWriteData(int n) {
    uint16_t block = GetBlockNumber(Received);
    int p = 0;
    const uint8_t* payload = GetDataPayload(Received, n, &p);
    if (!Current.requestAnswered || block != Current.expected) {
        char why[64];
        std::snprintf(why, sizeof why, "DATA block %u arrived", block);
        FailSession("BLOCK NO. NG", why);
        return;
    }
    if (p > BLOCK_SIZE) {
        FailSession("DATA LENGTH NG", "a block longer than 1024 bytes");
        return;
    }
    if (Current.length + p > MAX_FILE_BYTES) {
        FailSession("FILE TOO LARGE", "larger than the board holds");
        return;
    }
    unsigned faults = TakeFaults(block, false);
    bool refused = (faults & (FAULT_SILENCE | FAULT_ERROR0 | FAULT_NONUL | FAULT_ERROR)) != 0;
    bool last = p < BLOCK_SIZE;
    if (!refused) {
        std::memcpy(FileBytes + Current.length, payload, static_cast<size_t>(p));
        Current.length += p;
        ++Current.blocks;
        if (last && !StoreBoardFile(Current.file, FileBytes, Current.length)) {
            FailSession("WRITE NG", "the file could not be stored");
            return;
        }
    }
    switch (SendAnswer(faults, CMD_ACK, block)) {
        case ANSWER_TAKEN:
            if (last) {
                EndSession("stored %ld bytes from %d DATA frames", Current.length,
                           Current.blocks);
            } else {
                ++Current.expected;
            }
            break;
        case ANSWER_RESEND:
            ++Current.resendsAsked;
            break;
        case ANSWER_TOOL_STOPS:
            if (last && !refused) {
                EndSession("stored %ld bytes from %d DATA frames, but the last ACK was faulty",
                           Current.length, Current.blocks);
            } else {
                EndSession("ended by the injected fault at block %u; file not stored", block);
            }
            break;
        case ANSWER_SILENT:
            break;
    }
}

void OnReadAck() {
    uint16_t block = GetBlockNumber(Received);
    if (block != Current.expected) {
        char why[64];
        std::snprintf(why, sizeof why, "ACK block %u arrived", block);
        FailSession("BLOCK NO. NG", why);
        return;
    }
    SendReadBlock(static_cast<uint16_t>(block + 1), false);
}

void OnBadFrame(int n) {
    Note("RX a frame of %d bytes that fails the FCS check", n);
    if (Current.kind != NO_SESSION && Current.silent) {
        return;
    }
    // Block number 0 asks the writer for the same frame again.
    SendBoardError(0, TEXT_FCS_NG);
    if (Current.kind == READ_SESSION) {
        EndSession("a frame from the tool failed the FCS check; answered ERROR 0");
    } else if (Current.kind == WRITE_SESSION) {
        ++Current.resendsAsked;
    }
}
}  // namespace

void InitBoard(const BoardSettings* settings) {
    Settings = *settings;
    Current = Session{};
}

void HandleToolFrame(const uint8_t* raw, int rawLength) {
    if (rawLength > FRAME_BUFFER_SIZE) {
        return;  // the gatherer never hands over more
    }
    std::memcpy(Received, raw, static_cast<size_t>(rawLength));
    int n = UnstuffFrame(Received, rawLength);
    // An escape right before the closing flag swallows it: not a frame.
    bool whole = n >= MIN_FRAME_LENGTH && Received[n - 1] == FLAG_BYTE;
    if (!whole || !CheckFcs(Received, n)) {
        OnBadFrame(n);
        return;
    }
    Note("RX %s", DescribeFrame(Received, n));
    uint16_t command = GetFrameCommand(Received);
    if (command == CMD_WRITE || command == CMD_READ) {
        StartSession(command == CMD_WRITE, n);
        return;
    }
    if (Current.kind == NO_SESSION) {
        SendBoardError(REFUSAL_BLOCK, "NO SESSION");
        return;
    }
    if (Current.silent) {
        return;
    }
    if (Current.kind == WRITE_SESSION && command == CMD_DATA) {
        OnWriteData(n);
    } else if (Current.kind == READ_SESSION && command == CMD_ACK) {
        OnReadAck();
    } else {
        char why[64];
        std::snprintf(why, sizeof why, "unexpected %s", DescribeFrame(Received, n));
        FailSession("COMMAND NG", why);
    }
}

int EndedSessions() {
    return EndedCount;
}

void CloseBoard() {
    if (Current.kind != NO_SESSION) {
        EndSession("still open at block %u when the board stopped%s", Current.expected,
                   Current.silent ? " (silent)" : "");
    }
}
