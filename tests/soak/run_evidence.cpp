#include "run_evidence.h"

#include <cstdio>
#include <cstring>

#include "frame_codec.h"

namespace {
using Raw = std::vector<uint8_t>;

constexpr size_t HEX_SHOWN = 24;  // bytes of a frame shown in a report
constexpr int READ_REQUEST_LENGTH = 26;
constexpr int WRITE_REQUEST_LENGTH = 19;

std::string Hex(const Raw& raw, size_t limit) {
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < raw.size() && i < limit; ++i) {
        text += DIGITS[raw[i] >> 4];
        text += DIGITS[raw[i] & 0x0F];
    }
    if (raw.size() > limit) {
        text += "...";
    }
    return text;
}

// Unstuffs a raw frame into `frame`; 0 when it cannot be one.
int Decode(const Raw& raw, uint8_t (&frame)[FRAME_BUFFER_SIZE]) {
    if (raw.empty() || raw.size() > sizeof frame) {
        return 0;
    }
    std::memcpy(frame, raw.data(), raw.size());
    return UnstuffFrame(frame, static_cast<int>(raw.size()));
}
// Noise can leave a frame whose FCS still matches. The codec never builds
// one whose length does not fit its command, nor one stuffed otherwise.
bool LengthFitsCommand(const uint8_t* frame, int n) {
    int text = 0;
    switch (GetFrameCommand(frame)) {
        case CMD_ACK:
            return n == FRAME_OVERHEAD;
        case CMD_DATA:
            return n - FRAME_OVERHEAD <= BLOCK_SIZE;
        case CMD_ERROR:
            GetErrorText(frame, n, &text);
            return n == FRAME_OVERHEAD + 1 + text;
        case CMD_READ:
            return n == READ_REQUEST_LENGTH;
        case CMD_WRITE:
            return n == WRITE_REQUEST_LENGTH;
        default:
            return false;
    }
}
}  // namespace

bool IsIntactFrame(const Raw& raw) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = Decode(raw, frame);
    if (n < MIN_FRAME_LENGTH || frame[0] != FLAG_BYTE || frame[n - 1] != FLAG_BYTE ||
        !CheckFcs(frame, n) || !LengthFitsCommand(frame, n)) {
        return false;
    }
    int stuffed = StuffFrame(frame, n);
    return stuffed == static_cast<int>(raw.size()) && std::memcmp(frame, raw.data(), raw.size()) == 0;
}

std::string DescribeLineFrame(const Raw& raw) {
    char text[96];
    if (!IsIntactFrame(raw)) {
        std::snprintf(text, sizeof text, "damaged, %zu bytes: ", raw.size());
        return text + Hex(raw, HEX_SHOWN);
    }
    uint8_t frame[FRAME_BUFFER_SIZE];
    int n = Decode(raw, frame);
    uint16_t block = GetBlockNumber(frame);
    switch (GetFrameCommand(frame)) {
        case CMD_ACK:
            std::snprintf(text, sizeof text, "ACK %u", block);
            break;
        case CMD_DATA:
            std::snprintf(text, sizeof text, "DATA %u, %d bytes", block, n - FRAME_OVERHEAD);
            break;
        case CMD_ERROR: {
            int length = 0;
            const uint8_t* t = GetErrorText(frame, n, &length);
            std::snprintf(text, sizeof text, "ERROR %u \"%.*s\"", block, length < 40 ? length : 40,
                          reinterpret_cast<const char*>(t));
            break;
        }
        case CMD_READ:
            return "READ request";
        case CMD_WRITE:
            return "WRITE request";
        default:
            std::snprintf(text, sizeof text, "command 0x%04x", GetFrameCommand(frame));
            break;
    }
    return text;
}

std::string ExplainLostFrame(const std::vector<testsupport::TranscriptEntry>& entries,
                             bool noiseTowardsBoard) {
    int lastTx = -1;
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (entries[i].direction == "TX") {
            lastTx = i;
        }
    }
    if (lastTx >= 0 && !IsIntactFrame(entries[lastTx].raw)) {
        return "the board's last frame reached the tool " + DescribeLineFrame(entries[lastTx].raw);
    }
    if (!noiseTowardsBoard) {
        return std::string();
    }
    // The board answers every whole frame it gathers, so after its last
    // answer it can only have seen bytes it took for junk, or a frame whose
    // closing flag is still to come.
    size_t junk = 0;
    for (size_t i = static_cast<size_t>(lastTx + 1); i < entries.size(); ++i) {
        if (entries[i].direction != "RXJUNK") {
            return std::string();
        }
        junk += entries[i].raw.size();
    }
    std::string answered = lastTx >= 0 ? DescribeLineFrame(entries[lastTx].raw) : "nothing yet";
    return "the tool's frame after the board's " + answered +
           " never reached the board whole (" + std::to_string(junk) + " junk bytes after it)";
}

std::string TranscriptExcerpt(const std::vector<testsupport::TranscriptEntry>& entries, int count) {
    std::string text;
    size_t from = entries.size() > static_cast<size_t>(count) ? entries.size() - count : 0;
    for (size_t i = from; i < entries.size(); ++i) {
        const auto& e = entries[i];
        text += "    " + e.direction + " raw=" + std::to_string(e.raw.size()) + ": " +
                DescribeLineFrame(e.raw) + "\n";
    }
    return text;
}
