#include "board_frames.h"

#include <cstring>

#include "frame_codec.h"

namespace {
void PutHeader(uint8_t* frame, uint16_t command, uint16_t block) {
    frame[0] = FLAG_BYTE;
    frame[1] = static_cast<uint8_t>(command >> 8);
    frame[2] = static_cast<uint8_t>(command & 0xFF);
    frame[3] = static_cast<uint8_t>(block >> 8);
    frame[4] = static_cast<uint8_t>(block & 0xFF);
}
}  // namespace

int BuildErrorFrame(uint8_t* frame, uint16_t block, const char* text, bool withNul) {
    PutHeader(frame, CMD_ERROR, block);
    int t = static_cast<int>(std::strlen(text));
    std::memcpy(frame + 5, text, static_cast<size_t>(t));
    int n = 5 + t;
    if (withNul) {
        frame[n++] = 0x00;
    }
    n += 3;
    frame[n - 1] = FLAG_BYTE;
    AppendFcs(frame, n);
    return n;
}

int BuildCommandFrame(uint8_t* frame, uint16_t command, uint16_t block) {
    PutHeader(frame, command, block);
    frame[7] = FLAG_BYTE;
    AppendFcs(frame, 8);
    return 8;
}

int BuildShortDataFrame(uint8_t* frame, uint16_t block) {
    frame[0] = FLAG_BYTE;
    frame[1] = 0x00;
    frame[2] = static_cast<uint8_t>(CMD_DATA);
    frame[3] = static_cast<uint8_t>(block & 0xFF);
    frame[6] = FLAG_BYTE;
    AppendFcs(frame, 7);
    return 7;
}

int StuffForLine(const uint8_t* frame, int n, uint8_t* out, int capacity, int alsoEscape) {
    int s = 0;
    for (int i = 0; i < n; ++i) {
        uint8_t b = frame[i];
        bool inside = i != 0 && i != n - 1;
        uint8_t escaped = b ^ ESCAPE_XOR;
        // An extra escape must not itself put a flag (or an escape) on the line.
        bool extra = i <= alsoEscape && escaped != FLAG_BYTE && escaped != ESCAPE_BYTE;
        bool escape = inside && (b == FLAG_BYTE || b == ESCAPE_BYTE || extra);
        if (s + (escape ? 2 : 1) > capacity) {
            return 0;
        }
        if (escape) {
            out[s++] = ESCAPE_BYTE;
            out[s++] = escaped;
        } else {
            out[s++] = b;
        }
    }
    return s;
}
