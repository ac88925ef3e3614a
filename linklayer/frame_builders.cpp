// Builders of the four frames the tools send, and readers of received frames.
#include "frame_codec.h"

#include <cstring>

namespace {
constexpr int NAME_LENGTH = 12;
constexpr int SIZE_TEXT_LENGTH = 6;

int PutHeader(uint8_t* frame, uint16_t command) {
    frame[0] = FLAG_BYTE;
    frame[1] = static_cast<uint8_t>(command >> 8);
    frame[2] = static_cast<uint8_t>(command & 0xFF);
    return 3;
}

void PutBlockNumber(uint8_t* frame, uint16_t block) {
    frame[3] = static_cast<uint8_t>(block >> 8);
    frame[4] = static_cast<uint8_t>(block & 0xFF);
}

// Copies a fixed-width text field and its NUL terminator.
void PutText(uint8_t* frame, int offset, const char* text, int width) {
    std::memcpy(frame + offset, text, static_cast<size_t>(width));
    frame[offset + width] = 0x00;
}

int Finish(uint8_t* frame, int n) {
    frame[n - 1] = FLAG_BYTE;
    AppendFcs(frame, n);
    return n;
}
}  // namespace

int BuildReadRequest(uint8_t* frame, const char* name, const char* sizeText) {
    PutHeader(frame, CMD_READ);
    PutText(frame, 3, name, NAME_LENGTH);
    PutText(frame, 16, sizeText, SIZE_TEXT_LENGTH);
    return Finish(frame, 26);
}

int BuildWriteRequest(uint8_t* frame, const char* name) {
    PutHeader(frame, CMD_WRITE);
    PutText(frame, 3, name, NAME_LENGTH);
    return Finish(frame, 19);
}

int BuildDataFrame(uint8_t* frame, uint16_t block, const uint8_t* payload, int p) {
    PutHeader(frame, CMD_DATA);
    PutBlockNumber(frame, block);
    if (p > 0) {
        std::memcpy(frame + 5, payload, static_cast<size_t>(p));
    }
    return Finish(frame, FRAME_OVERHEAD + p);
}

int BuildAckFrame(uint8_t* frame, uint16_t block) {
    PutHeader(frame, CMD_ACK);
    PutBlockNumber(frame, block);
    return Finish(frame, FRAME_OVERHEAD);
}

uint16_t GetFrameCommand(const uint8_t* frame) {
    return static_cast<uint16_t>(frame[1] << 8 | frame[2]);
}

uint16_t GetBlockNumber(const uint8_t* frame) {
    return static_cast<uint16_t>(frame[3] << 8 | frame[4]);
}

const uint8_t* GetDataPayload(const uint8_t* frame, int n, int* length) {
    *length = n >= FRAME_OVERHEAD ? n - FRAME_OVERHEAD : 0;
    return frame + 5;
}

const uint8_t* GetErrorText(const uint8_t* frame, int n, int* length) {
    // The text ends at its NUL, or at the FCS when the board sent none.
    int end = n - 3;
    int i = 5;
    while (i < end && frame[i] != 0x00) {
        ++i;
    }
    *length = i > 5 ? i - 5 : 0;
    return frame + 5;
}
