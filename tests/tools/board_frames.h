// Frames as a board sends them, stuffed, for scripting a test's input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_codec.h"

inline std::vector<uint8_t> Stuffed(uint8_t* frame, int n) {
    int s = StuffFrame(frame, n);
    return std::vector<uint8_t>(frame, frame + s);
}

inline std::vector<uint8_t> BoardAck(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuffed(frame, BuildAckFrame(frame, block));
}

inline std::vector<uint8_t> BoardData(uint16_t block, const uint8_t* payload, int p) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuffed(frame, BuildDataFrame(frame, block, payload, p));
}

// ERROR frame; withNul false leaves the text unterminated.
inline std::vector<uint8_t> BoardError(uint16_t block, const std::string& text, bool withNul = true) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = 5;
    frame[0] = FLAG_BYTE;
    frame[1] = 0x00;
    frame[2] = 0x05;
    frame[3] = static_cast<uint8_t>(block >> 8);
    frame[4] = static_cast<uint8_t>(block);
    for (char c : text) {
        frame[n++] = static_cast<uint8_t>(c);
    }
    if (withNul) {
        frame[n++] = 0x00;
    }
    n += 3;
    frame[n - 1] = FLAG_BYTE;
    AppendFcs(frame, n);
    return Stuffed(frame, n);
}

// Any command with a block number and a sound FCS.
inline std::vector<uint8_t> BoardFrame(uint16_t command, uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = BuildAckFrame(frame, block);
    frame[1] = static_cast<uint8_t>(command >> 8);
    frame[2] = static_cast<uint8_t>(command);
    AppendFcs(frame, n);
    return Stuffed(frame, n);
}

inline std::vector<uint8_t> WithBadFcs(std::vector<uint8_t> frame) {
    frame[frame.size() - 2] ^= 0x01;
    return frame;
}
