#include "line_noise.h"

namespace {
struct NoiseStream {
    uint64_t state;
    bool enabled;
};

double NoiseRate = 0.0;
NoiseStream BoardToTool{0, false};
NoiseStream ToolToBoard{0, false};

// splitmix64: small, fast and the same on every platform.
uint64_t NextRandom(NoiseStream* stream) {
    uint64_t z = (stream->state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double NextUnit(NoiseStream* stream) {
    return static_cast<double>(NextRandom(stream) >> 11) * (1.0 / 9007199254740992.0);
}

int AddNoise(NoiseStream* stream, const uint8_t* in, int n, uint8_t* out, int capacity,
             int* events) {
    int count = 0;
    for (int i = 0; i < n && count < capacity; ++i) {
        uint8_t b = in[i];
        if (!stream->enabled || NextUnit(stream) >= NoiseRate) {
            out[count++] = b;
            continue;
        }
        ++*events;
        switch (NextRandom(stream) % 3) {
            case 0:  // one bit flipped
                out[count++] = static_cast<uint8_t>(b ^ (1u << (NextRandom(stream) % 8)));
                break;
            case 1:  // byte lost
                break;
            default:  // a stray byte ahead of it
                out[count++] = static_cast<uint8_t>(NextRandom(stream));
                if (count < capacity) {
                    out[count++] = b;
                }
                break;
        }
    }
    return count;
}
}  // namespace

void InitLineNoise(double rate, uint64_t seed, bool boardToTool, bool toolToBoard) {
    NoiseRate = rate;
    BoardToTool.state = seed;
    BoardToTool.enabled = boardToTool && rate > 0.0;
    ToolToBoard.state = seed ^ 0x5DEECE66DULL;
    ToolToBoard.enabled = toolToBoard && rate > 0.0;
}

bool NoiseOnBoardToTool() {
    return BoardToTool.enabled;
}

bool NoiseOnToolToBoard() {
    return ToolToBoard.enabled;
}

int AddBoardToToolNoise(const uint8_t* in, int n, uint8_t* out, int capacity, int* events) {
    return AddNoise(&BoardToTool, in, n, out, capacity, events);
}

int AddToolToBoardNoise(const uint8_t* in, int n, uint8_t* out, int capacity, int* events) {
    return AddNoise(&ToolToBoard, in, n, out, capacity, events);
}
