// The verifier of image part 2 against a board that sends whatever the input
// says. The input is a script of records; each starts with a control byte:
//   bits 0-2  kind: 0-3 DATA frame; 4 ERROR frame; 5 a frame with the command
//             in the next two bytes; 6 raw bytes (a length byte, the split
//             byte if bit 7 is set, and the bytes, sent as they are); 7 DATA
//             frame whose body is cut to the length in a byte that follows
//             the payload length
//   bit 3     block number in the next two bytes; otherwise the block that
//             follows the DATA frames already sent (1, 2, ...)
//   bit 4     payload taken from the input; otherwise the part's bytes at the
//             block's place (zero where the block lies outside the part)
//   bit 5     FCS damaged
//   bit 6     one payload byte flipped: position (2 bytes) and XOR value
//   bit 7     the frame arrives in two pieces, split at the byte that follows
// Field order after the control byte: command, block number, payload length
// (2 bytes, modulo what the buffer holds), cut, flip, split, payload.
// The frames get a right FCS unless told otherwise, so the fuzzer reaches
// everything behind the FCS check. ASan watches the part and the buffers;
// the target itself checks what was sent back and when success is claimed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame_codec.h"
#include "fuzz_platform.h"
#include "image_part.h"
#include "image_verifier.h"

namespace {
constexpr int MAX_PAYLOAD = FRAME_BUFFER_SIZE - FRAME_OVERHEAD;
constexpr int KIND_ERROR = 4;
constexpr int KIND_RAW_COMMAND = 5;
constexpr int KIND_RAW_BYTES = 6;
constexpr int KIND_CUT = 7;

// The READ request for "1&000000.DAT" with the size text "069504".
const uint8_t READ_REQUEST[] = {0x7E, 0x00, 0x01, 0x31, 0x26, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x2E, 0x44,
                                0x41, 0x54, 0x00, 0x30, 0x36, 0x39, 0x35, 0x30, 0x34, 0x00, 0xE1, 0x9B, 0x7E};

uint8_t Decoded[FRAME_BUFFER_SIZE];
uint8_t Stuffed[2 * FRAME_BUFFER_SIZE];

void Fail(const char* what, int detail) {
    std::fprintf(stderr, "fuzz_verifier: %s (%d)\n", what, detail);
    std::abort();
}

// Takes input bytes one field at a time; past the end every field is zero.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at;
    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    int Word() { int high = Byte(); return high << 8 | Byte(); }
};

// The loops that make frames need no coverage feedback: leaving them
// uninstrumented keeps the fuzzer's time for the verifier.
// CRC-16/X.25 through a table of our own, made bit by bit from the
// polynomial, so frames do not depend on the codec's table.
__attribute__((no_sanitize("coverage"))) uint16_t Fcs(const uint8_t* bytes, int count) {
    static uint16_t table[256];
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 256; ++i) {
            uint16_t r = static_cast<uint16_t>(i);
            for (int bit = 0; bit < 8; ++bit) {
                r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0x8408) : static_cast<uint16_t>(r >> 1);
            }
            table[i] = r;
        }
        made = true;
    }
    uint16_t r = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        r = static_cast<uint16_t>((r >> 8) ^ table[(r ^ bytes[i]) & 0xFF]);
    }
    return static_cast<uint16_t>(r ^ 0xFFFF);
}

__attribute__((no_sanitize("coverage"))) int Stuff(const uint8_t* frame, int n, uint8_t* out) {
    int s = 0;
    for (int i = 0; i < n; ++i) {
        uint8_t b = frame[i];
        if (i != 0 && i != n - 1 && (b == FLAG_BYTE || b == ESCAPE_BYTE)) {
            out[s++] = ESCAPE_BYTE;
            out[s++] = b ^ ESCAPE_XOR;
        } else {
            out[s++] = b;
        }
    }
    return s;
}

bool Send(const uint8_t* bytes, int length, int split) {
    int offset = AddLineBytes(bytes, length);
    if (offset < 0) {
        return false;
    }
    if (split > 0 && split < length) {
        return AddArrival(offset, split, false, false) && AddArrival(offset + split, length - split, false, false);
    }
    return AddArrival(offset, length, false, false);
}

// The part's bytes where block k's payload belongs, zero outside the part.
__attribute__((no_sanitize("coverage"))) void PartBytes(int block, uint8_t* out, int p) {
    long start = (static_cast<long>(block) - 1) * BLOCK_SIZE;
    for (int i = 0; i < p; ++i) {
        long at = start + i;
        out[i] = at >= 0 && at < IMAGE_PART2.size ? IMAGE_PART2.bytes[at] : 0;
    }
}

// Builds and queues one record's frame.
bool AddRecord(Reader& in, int* dataFrames) {
    uint8_t control = in.Byte();
    int kind = control & 0x07;
    if (kind == KIND_RAW_BYTES) {
        int length = in.Byte();
        int split = (control & 0x80) ? in.Byte() : 0;
        int available = static_cast<int>(in.size - in.at);
        length = length < available ? length : available;
        bool sent = Send(in.data + in.at, length, split);
        in.at += static_cast<size_t>(length);
        return sent;
    }
    uint16_t command = kind == KIND_ERROR ? CMD_ERROR : CMD_DATA;
    if (kind == KIND_RAW_COMMAND) {
        command = static_cast<uint16_t>(in.Word());
    }
    bool isData = command == CMD_DATA;
    int block = (control & 0x08) ? in.Word() : (*dataFrames + 1) & 0xFFFF;
    int p = in.Word() % (MAX_PAYLOAD + 1);
    int cut = kind == KIND_CUT ? in.Byte() % (2 + p + 1) : 2 + p;
    int flipAt = -1;
    uint8_t flip = 0;
    if (control & 0x40) {
        flipAt = p > 0 ? in.Word() % p : -1;
        flip = in.Byte();
    }
    int split = (control & 0x80) ? in.Byte() : 0;

    Decoded[0] = FLAG_BYTE;
    Decoded[1] = static_cast<uint8_t>(command >> 8);
    Decoded[2] = static_cast<uint8_t>(command & 0xFF);
    Decoded[3] = static_cast<uint8_t>(block >> 8);
    Decoded[4] = static_cast<uint8_t>(block & 0xFF);
    if (control & 0x10) {
        for (int i = 0; i < p; ++i) {
            Decoded[5 + i] = in.Byte();
        }
    } else {
        PartBytes(block, Decoded + 5, p);
    }
    if (flipAt >= 0) {
        Decoded[5 + flipAt] ^= flip;
    }
    int n = 3 + cut + 3;
    uint16_t fcs = Fcs(Decoded + 1, n - 4);
    if (control & 0x20) {
        fcs ^= 0x0001;
    }
    Decoded[n - 3] = static_cast<uint8_t>(fcs & 0xFF);
    Decoded[n - 2] = static_cast<uint8_t>(fcs >> 8);
    Decoded[n - 1] = FLAG_BYTE;
    if (isData) {
        ++*dataFrames;
    }
    return Send(Stuffed, Stuff(Decoded, n, Stuffed), split);
}

// Frames are made as the verifier asks for them: it stops at the first fault,
// and most inputs would otherwise be built in full for nothing.
Reader Input{nullptr, 0, 0};
int DataFrames = 0;

bool NextRecord() {
    if (!Input.More()) {
        return false;
    }
    RecycleLine();
    return AddRecord(Input, &DataFrames);
}

// What went back to the board: the READ request, then ACKs for blocks 1, 2,
// ... in order and nothing else. Returns the number of ACKs.
int CheckWritten() {
    const uint8_t* written = WrittenBytes();
    int length = WrittenLength();
    if (length < static_cast<int>(sizeof READ_REQUEST) ||
        std::memcmp(written, READ_REQUEST, sizeof READ_REQUEST) != 0) {
        Fail("the READ request did not go out first", length);
    }
    int at = sizeof READ_REQUEST;
    int acks = 0;
    while (at < length) {
        int block = acks + 1;
        uint8_t ack[8] = {FLAG_BYTE, 0x00, 0x04, static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block), 0,
                          0, FLAG_BYTE};
        uint16_t fcs = Fcs(ack + 1, 4);
        ack[5] = static_cast<uint8_t>(fcs & 0xFF);
        ack[6] = static_cast<uint8_t>(fcs >> 8);
        uint8_t expected[16];
        int s = Stuff(ack, 8, expected);
        if (length - at < s || std::memcmp(written + at, expected, static_cast<size_t>(s)) != 0) {
            Fail("something other than the next ACK went out after block", acks);
        }
        at += s;
        ++acks;
    }
    return acks;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetLine();
    Input = Reader{data, size, 0};
    DataFrames = 0;
    SetLineRefill(NextRecord);
    // Volatile: set after setjmp and read after a possible jump back.
    static volatile int result;
    result = -1;
    if (setjmp(LineExhausted) == 0) {
        result = VerifyPart(IMAGE_PART2) ? 1 : 0;
    }
    int acks = CheckWritten();
    // Success means the whole part came back: every full block acknowledged
    // and the short last one compared.
    int fullBlocks = IMAGE_PART2.size / BLOCK_SIZE;
    if (result == 1 && acks != fullBlocks) {
        Fail("success claimed after this many acknowledged blocks", acks);
    }
    return 0;
}
