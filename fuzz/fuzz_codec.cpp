// The frame codec on arbitrary bytes. The input is taken twice:
//  - as a raw frame (up to FRAME_BUFFER_SIZE bytes), unstuffed and then checked
//    and read the way a receiver does;
//  - as the interior of a decoded frame between two flags, which StuffFrame
//    must either refuse untouched or stuff so that UnstuffFrame gives it back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_codec.h"

namespace {
uint8_t Buffer[FRAME_BUFFER_SIZE];
uint8_t Before[FRAME_BUFFER_SIZE];

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_codec: %s\n", what);
    std::abort();
}

// The reference models need no coverage feedback of their own.
// Bit by bit, independent of FCS_TABLE: CRC-16/X.25 of count bytes.
__attribute__((no_sanitize("coverage"))) uint16_t ReferenceFcs(const uint8_t* bytes, int count) {
    uint16_t r = 0xFFFF;
    for (int i = 0; i < count; ++i) {
        r ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0x8408) : static_cast<uint16_t>(r >> 1);
        }
    }
    return static_cast<uint16_t>(r ^ 0xFFFF);
}

bool IsEscaped(uint8_t b) { return b == FLAG_BYTE || b == ESCAPE_BYTE; }

// What a raw frame must decode to: each 0x7D takes the byte after it XOR 0x20;
// a 0x7D with nothing after it is dropped.
__attribute__((no_sanitize("coverage"))) std::vector<uint8_t> ReferenceUnstuff(const uint8_t* raw, int m) {
    std::vector<uint8_t> out;
    for (int i = 0; i < m; ++i) {
        if (raw[i] != ESCAPE_BYTE) {
            out.push_back(raw[i]);
        } else if (i + 1 < m) {
            out.push_back(static_cast<uint8_t>(raw[++i] ^ ESCAPE_XOR));
        }
    }
    return out;
}

// The readers, on a copy of exactly n bytes so that ASan sees any read past
// the frame rather than into the rest of a 2048-byte buffer.
void CheckReaders(const uint8_t* decoded, int n) {
    std::vector<uint8_t> exact(decoded, decoded + n);
    const uint8_t* frame = exact.data();
    if (n >= 3 && GetFrameCommand(frame) != (frame[1] << 8 | frame[2])) {
        Fail("GetFrameCommand does not read bytes 1 and 2");
    }
    if (n >= 5 && GetBlockNumber(frame) != (frame[3] << 8 | frame[4])) {
        Fail("GetBlockNumber does not read bytes 3 and 4");
    }
    if (n >= FRAME_OVERHEAD) {
        int p = -1;
        const uint8_t* payload = GetDataPayload(frame, n, &p);
        if (payload != frame + 5 || p != n - FRAME_OVERHEAD) {
            Fail("GetDataPayload is not bytes 5 to n-4");
        }
    }
    if (n >= 5) {
        // The text runs from offset 5 to its NUL, never into the FCS.
        int t = -1;
        const uint8_t* text = GetErrorText(frame, n, &t);
        int room = n - 8 > 0 ? n - 8 : 0;
        if (text != frame + 5 || t < 0 || t > room) {
            Fail("GetErrorText leaves the text field");
        }
        if (std::memchr(text, 0x00, static_cast<size_t>(t)) != nullptr) {
            Fail("GetErrorText runs over a NUL");
        }
        if (t < room && text[t] != 0x00) {
            Fail("GetErrorText stops before the NUL or the FCS");
        }
    }
}

void CheckFcsOf(const uint8_t* decoded, int n) {
    bool passes = CheckFcs(decoded, n);
    if (n < 4) {
        if (passes) {
            Fail("CheckFcs passes a frame with no room for an FCS");
        }
        return;
    }
    uint16_t stored = static_cast<uint16_t>(decoded[n - 3] | decoded[n - 2] << 8);
    if (passes != (stored == ReferenceFcs(decoded + 1, n - 4))) {
        Fail("CheckFcs disagrees with the CRC of bytes 1 to n-4");
    }
    // AppendFcs makes any frame pass; one flipped bit makes it fail again.
    std::vector<uint8_t> copy(decoded, decoded + n);
    AppendFcs(copy.data(), n);
    if (!CheckFcs(copy.data(), n)) {
        Fail("a frame fails CheckFcs right after AppendFcs");
    }
    int at = 1 + decoded[0] % (n - 2);
    copy[at] ^= static_cast<uint8_t>(1u << (decoded[n - 1] % 8));
    if (CheckFcs(copy.data(), n)) {
        Fail("CheckFcs passes a frame with one bit flipped");
    }
}

void RawFrame(const uint8_t* data, int size) {
    int m = size < FRAME_BUFFER_SIZE ? size : FRAME_BUFFER_SIZE;
    std::memset(Buffer, 0xA5, sizeof Buffer);
    std::memcpy(Buffer, data, static_cast<size_t>(m));
    std::vector<uint8_t> expected = ReferenceUnstuff(data, m);
    int n = UnstuffFrame(Buffer, m);
    if (n != static_cast<int>(expected.size()) ||
        (n > 0 && std::memcmp(Buffer, expected.data(), static_cast<size_t>(n)) != 0)) {
        Fail("UnstuffFrame gives other bytes than the escapes say");
    }
    CheckFcsOf(Buffer, n);
    CheckReaders(Buffer, n);
}

void RoundTrip(const uint8_t* data, int size) {
    int inner = size < FRAME_BUFFER_SIZE - 2 ? size : FRAME_BUFFER_SIZE - 2;
    int n = inner + 2;
    std::memset(Buffer, 0x5A, sizeof Buffer);
    Buffer[0] = FLAG_BYTE;
    std::memcpy(Buffer + 1, data, static_cast<size_t>(inner));
    Buffer[n - 1] = FLAG_BYTE;
    std::memcpy(Before, Buffer, sizeof Buffer);

    int escapes = 0;
    for (int i = 1; i < n - 1; ++i) {
        escapes += IsEscaped(Buffer[i]) ? 1 : 0;
    }
    int s = StuffFrame(Buffer, n);
    if (n + escapes > FRAME_BUFFER_SIZE) {
        if (s != 0 || std::memcmp(Buffer, Before, sizeof Buffer) != 0) {
            Fail("StuffFrame touches a frame it cannot stuff");
        }
        return;
    }
    if (s != n + escapes) {
        Fail("StuffFrame gives the wrong stuffed length");
    }
    if (std::memcmp(Buffer + s, Before + s, sizeof Buffer - static_cast<size_t>(s)) != 0) {
        Fail("StuffFrame writes past the stuffed frame");
    }
    for (int i = 1; i < s - 1; ++i) {
        if (Buffer[i] == FLAG_BYTE) {
            Fail("a flag byte inside a stuffed frame");
        }
    }
    if (Buffer[0] != FLAG_BYTE || Buffer[s - 1] != FLAG_BYTE) {
        Fail("StuffFrame moves the flags");
    }
    if (UnstuffFrame(Buffer, s) != n || std::memcmp(Buffer, Before, static_cast<size_t>(n)) != 0) {
        Fail("UnstuffFrame does not give back the stuffed frame");
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int length = size < FRAME_BUFFER_SIZE ? static_cast<int>(size) : FRAME_BUFFER_SIZE;
    RawFrame(data, length);
    RoundTrip(data, length);
    return 0;
}
