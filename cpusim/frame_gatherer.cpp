#include "frame_gatherer.h"

#include <cstring>

#include "frame_codec.h"

namespace {
// Junk is reported once a frame buffer's worth has piled up; an overlong
// frame moves into it whole, plus the byte that overflowed it.
constexpr int JUNK_CAPACITY = 2 * FRAME_BUFFER_SIZE;

uint8_t Frame[FRAME_BUFFER_SIZE];
int FrameLength = 0;
bool InFrame = false;
int64_t FrameFirstNs = 0;
int64_t FrameLastNs = 0;

uint8_t Junk[JUNK_CAPACITY];
int JunkLength = 0;
bool JunkReported = false;
int64_t JunkFirstNs = 0;
int64_t JunkLastNs = 0;

void AddJunk(const uint8_t* bytes, int n, int64_t firstNs, int64_t lastNs) {
    if (JunkLength == 0) {
        JunkFirstNs = firstNs;
    }
    std::memcpy(Junk + JunkLength, bytes, static_cast<size_t>(n));
    JunkLength += n;
    JunkLastNs = lastNs;
}

void OpenFrame(int64_t arrivalNs) {
    Frame[0] = FLAG_BYTE;
    FrameLength = 1;
    InFrame = true;
    FrameFirstNs = arrivalNs;
}

// Length the raw bytes will have once unstuffed, flags included.
int DecodedLength(const uint8_t* raw, int n) {
    int decoded = 0;
    for (int i = 0; i < n; ++i) {
        if (raw[i] == ESCAPE_BYTE && i + 1 < n) {
            ++i;
        }
        ++decoded;
    }
    return decoded;
}
}  // namespace

void ResetGatherer() {
    FrameLength = 0;
    InFrame = false;
    JunkLength = 0;
    JunkReported = false;
}

GatherEvent FeedGatherer(uint8_t byte, int64_t arrivalNs) {
    if (JunkReported) {
        JunkLength = 0;
        JunkReported = false;
    }
    if (!InFrame) {
        if (byte == FLAG_BYTE) {
            OpenFrame(arrivalNs);
            return JunkLength > 0 ? (JunkReported = true, GATHER_JUNK) : GATHER_MORE;
        }
        AddJunk(&byte, 1, arrivalNs, arrivalNs);
        if (JunkLength >= FRAME_BUFFER_SIZE) {
            JunkReported = true;
            return GATHER_JUNK;
        }
        return GATHER_MORE;
    }
    if (byte == FLAG_BYTE) {
        if (FrameLength == FRAME_BUFFER_SIZE ||
            DecodedLength(Frame, FrameLength) + 1 < MIN_FRAME_LENGTH) {
            // Too short to be a frame, or with its closing flag too long for
            // the buffer: junk, and this flag may open the next frame.
            AddJunk(Frame, FrameLength, FrameFirstNs, arrivalNs);
            OpenFrame(arrivalNs);
            JunkReported = true;
            return GATHER_JUNK;
        }
        Frame[FrameLength++] = byte;
        FrameLastNs = arrivalNs;
        InFrame = false;
        return GATHER_FRAME;
    }
    if (FrameLength == FRAME_BUFFER_SIZE) {
        // No closing flag within the buffer: give up on this frame.
        AddJunk(Frame, FrameLength, FrameFirstNs, arrivalNs);
        AddJunk(&byte, 1, arrivalNs, arrivalNs);
        InFrame = false;
        JunkReported = true;
        return GATHER_JUNK;
    }
    Frame[FrameLength++] = byte;
    return GATHER_MORE;
}

const uint8_t* GatheredFrame(int* length, int64_t* firstNs, int64_t* lastNs) {
    *length = FrameLength;
    *firstNs = FrameFirstNs;
    *lastNs = FrameLastNs;
    return Frame;
}

const uint8_t* GatheredJunk(int* length, int64_t* firstNs, int64_t* lastNs) {
    *length = JunkLength;
    *firstNs = JunkFirstNs;
    *lastNs = JunkLastNs;
    return Junk;
}
