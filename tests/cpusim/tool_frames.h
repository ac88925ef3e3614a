// Frames as a tool sends them, and the board's answers as a test expects
// them, built with the codec (the ERROR frame, which no tool builds, by hand).
#pragma once

#include <cstdint>
#include <string>

#include "frame_codec.h"
#include "pty_line.h"

using testsupport::Bytes;

inline const char* const PART1_NAME = "0&000000.DAT";
inline const char* const PART2_NAME = "1&000000.DAT";

inline Bytes WriteRequest(const char* name) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Bytes(frame, frame + BuildWriteRequest(frame, name));
}

inline Bytes ReadRequest(const char* name, const char* sizeText) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Bytes(frame, frame + BuildReadRequest(frame, name, sizeText));
}

inline Bytes DataFrame(uint16_t block, const Bytes& payload) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = BuildDataFrame(frame, block, payload.data(), static_cast<int>(payload.size()));
    return Bytes(frame, frame + n);
}

inline Bytes AckFrame(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Bytes(frame, frame + BuildAckFrame(frame, block));
}

// Any command in the shape of an ACK (block number, FCS).
inline Bytes CommandFrame(uint16_t command, uint16_t block) {
    Bytes frame = {FLAG_BYTE, static_cast<uint8_t>(command >> 8), static_cast<uint8_t>(command),
                   static_cast<uint8_t>(block >> 8), static_cast<uint8_t>(block), 0, 0, FLAG_BYTE};
    AppendFcs(frame.data(), static_cast<int>(frame.size()));
    return frame;
}

inline Bytes ErrorFrame(uint16_t block, const std::string& text, bool withNul = true) {
    Bytes frame = {FLAG_BYTE, 0x00, 0x05, static_cast<uint8_t>(block >> 8),
                   static_cast<uint8_t>(block)};
    for (char c : text) {
        frame.push_back(static_cast<uint8_t>(c));
    }
    if (withNul) {
        frame.push_back(0x00);
    }
    frame.insert(frame.end(), {0, 0, FLAG_BYTE});
    AppendFcs(frame.data(), static_cast<int>(frame.size()));
    return frame;
}

inline Bytes WithBadFcs(Bytes frame) {
    frame[frame.size() - 3] ^= 0x01;
    return frame;
}

// File content rich in flag and escape bytes, different per seed.
inline Bytes Pattern(size_t length, unsigned seed) {
    Bytes bytes(length);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < length; ++i) {
        x = x * 1103515245u + 12345u;
        uint8_t b = static_cast<uint8_t>(x >> 16);
        bytes[i] = (i % 7 == 0) ? 0x7E : (i % 11 == 0) ? 0x7D : b;
    }
    return bytes;
}

inline Bytes Slice(const Bytes& bytes, size_t from, size_t count) {
    return Bytes(bytes.begin() + static_cast<long>(from),
                 bytes.begin() + static_cast<long>(from + count));
}
