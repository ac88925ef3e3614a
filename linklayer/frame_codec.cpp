// Frame check, stuffing and unstuffing. Both stuffing directions work in place
// through one scratch buffer, so the link layer keeps a single frame buffer.
#include "frame_codec.h"

#include <cstring>

namespace {
uint8_t Scratch[FRAME_BUFFER_SIZE];
}

uint16_t UpdateFcs(uint16_t fcs, const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        fcs = static_cast<uint16_t>((fcs >> 8) ^ FCS_TABLE[(fcs ^ bytes[i]) & 0xFF]);
    }
    return fcs;
}

void AppendFcs(uint8_t* frame, int n) {
    uint16_t fcs = UpdateFcs(0xFFFF, frame + 1, n - 4) ^ 0xFFFF;
    frame[n - 3] = static_cast<uint8_t>(fcs & 0xFF);
    frame[n - 2] = static_cast<uint8_t>(fcs >> 8);
}

bool CheckFcs(const uint8_t* frame, int n) {
    if (n - 2 <= 0) {
        return false;
    }
    // Feeding the complemented FCS, low byte first, brings the register of a
    // sound frame to exactly zero.
    uint16_t fcs = 0xFFFF;
    for (int i = 1; i <= n - 2; ++i) {
        uint8_t b = frame[i];
        if (i >= n - 3) {
            b ^= 0xFF;
        }
        fcs = UpdateFcs(fcs, &b, 1);
    }
    return fcs == 0;
}

int StuffFrame(uint8_t* frame, int n) {
    if (n <= 0) {
        return 0;
    }
    int s = 0;
    for (int i = 0; i < n; ++i) {
        uint8_t b = frame[i];
        bool escape = i != 0 && i != n - 1 && (b == FLAG_BYTE || b == ESCAPE_BYTE);
        // A frame whose stuffed form outgrows the buffers is refused whole:
        // sending part of it would only give the peer a broken frame.
        if (s + (escape ? 2 : 1) > FRAME_BUFFER_SIZE) {
            return 0;
        }
        if (escape) {
            Scratch[s++] = ESCAPE_BYTE;
            Scratch[s++] = b ^ ESCAPE_XOR;
        } else {
            Scratch[s++] = b;
        }
    }
    std::memcpy(frame, Scratch, static_cast<size_t>(s));
    return s;
}

int UnstuffFrame(uint8_t* frame, int m) {
    if (m > FRAME_BUFFER_SIZE) {
        m = FRAME_BUFFER_SIZE;
    }
    int d = 0;
    for (int i = 0; i < m; ++i) {
        uint8_t b = frame[i];
        if (b == ESCAPE_BYTE) {
            if (i + 1 >= m) {
                break;  // a trailing escape has nothing left to escape
            }
            b = frame[++i] ^ ESCAPE_XOR;
        }
        Scratch[d++] = b;
    }
    if (d > 0) {
        std::memcpy(frame, Scratch, static_cast<size_t>(d));
    }
    return d;
}
