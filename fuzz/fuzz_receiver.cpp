// ReceiveFrame fed arbitrary chunks. The input is a script of arrivals, each
// a control byte and the bytes that arrive together:
//   bits 0-5  count of bytes that follow; 0 is a poll that finds nothing,
//             63 takes the rest of the input (one arrival larger than the
//             buffers, so the driver holds more than one read may take)
//   bit 6     the first read after this arrival fails
//   bit 7     reads give at most half of what they ask for
// ReceiveFrame is called again and again until the script is played out.
// Every frame it returns must be the unstuffed form of gathered bytes that
// begin and end with a flag, end with the last byte read, and fit the buffer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comm_port.h"
#include "frame_codec.h"
#include "fuzz_platform.h"

namespace {
constexpr int REST_OF_INPUT = 0x3F;

uint8_t Candidate[FRAME_BUFFER_SIZE];

void Fail(const char* what, int detail) {
    std::fprintf(stderr, "fuzz_receiver: %s (%d)\n", what, detail);
    std::abort();
}

void LoadScript(const uint8_t* data, size_t size) {
    ResetLine();
    size_t at = 0;
    while (at < size) {
        uint8_t control = data[at++];
        size_t count = control & REST_OF_INPUT;
        if (count == REST_OF_INPUT || count > size - at) {
            count = size - at;
        }
        int offset = AddLineBytes(data + at, static_cast<int>(count));
        if (offset < 0 ||
            !AddArrival(offset, static_cast<int>(count), (control & 0x40) != 0, (control & 0x80) != 0)) {
            return;
        }
        at += count;
    }
}

// True when unstuffing line bytes from..to-1 gives FrameBuffer's m bytes.
bool DecodesTo(int from, int to, int m) {
    int raw = to - from;
    std::memcpy(Candidate, LineBytes() + from, static_cast<size_t>(raw));
    return UnstuffFrame(Candidate, raw) == m && std::memcmp(Candidate, FrameBuffer, static_cast<size_t>(m)) == 0;
}

// The frame must come from the bytes read in this call: some run that starts
// with a flag, ends with the last byte read (a flag too), is at least
// MIN_FRAME_LENGTH and at most FRAME_BUFFER_SIZE raw bytes long. Where the
// run starts is the receiver's own business (it may drop noise first).
void CheckFrame(int m, int readBefore, int readAfter) {
    if (m < 1 || m > FRAME_BUFFER_SIZE) {
        Fail("decoded length out of range", m);
    }
    if (FrameBuffer[0] != FLAG_BYTE) {
        Fail("decoded frame does not start with a flag", FrameBuffer[0]);
    }
    const uint8_t* line = LineBytes();
    if (readAfter - readBefore < MIN_FRAME_LENGTH || line[readAfter - 1] != FLAG_BYTE) {
        Fail("returned before a closing flag was read", readAfter - readBefore);
    }
    int earliest = readAfter - FRAME_BUFFER_SIZE;
    if (earliest < readBefore) {
        earliest = readBefore;
    }
    for (int from = earliest; from <= readAfter - MIN_FRAME_LENGTH; ++from) {
        if (line[from] == FLAG_BYTE && DecodesTo(from, readAfter, m)) {
            return;
        }
    }
    Fail("frame is not the unstuffed form of a run of bytes read", m);
}

// What the tools do next with a frame: check it and read its fields.
void ReadLikeATool(int m) {
    if (!CheckFcs(FrameBuffer, m)) {
        return;
    }
    uint16_t command = GetFrameCommand(FrameBuffer);
    int length = 0;
    if (command == CMD_ERROR && m >= 5) {
        GetErrorText(FrameBuffer, m, &length);
    } else if (command == CMD_DATA && m >= FRAME_OVERHEAD) {
        GetDataPayload(FrameBuffer, m, &length);
    }
    if (length < 0 || length > FRAME_BUFFER_SIZE - FRAME_OVERHEAD) {
        Fail("reader length out of range", length);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadScript(data, size);
    // Set before the loop and not changed after setjmp: only the line's own
    // counters carry over the jump.
    if (setjmp(LineExhausted) == 0) {
        for (;;) {
            int before = LineBytesRead();
            int m = ReceiveFrame();
            CheckFrame(m, before, LineBytesRead());
            ReadLikeATool(m);
        }
    }
    return 0;
}
