#include "expected_output.h"

#include <algorithm>

#include "frame_codec.h"

namespace winetest {

const char WRITE_COMPLETE_LINE[] =
    "***** \x8a\xbf\x8e\x9a\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x8a\xae\x97\xb9 *****\r\n";
const char VERIFY_BANNER_LINE[] = "***** \x8a\xbf\x8e\x9a\x82\xd7\x82\xe8\x83\x74\x83\x40\x83\x43 : OK *****\r\n";
const char FAILURE_BANNER_LINE[] = "***** \x83\x47\x83\x89\x81\x5b\x82\xc5\x82\xb7 *****\r\n";
const char PRESS_ANY_KEY_LINE[] = "***** Press any key *****\r\n";

namespace {
std::string HexBytes(const uint8_t* bytes, int count) {
    static const char HEX[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += HEX[bytes[i] >> 4];
        text += HEX[bytes[i] & 0x0F];
        text += ' ';
    }
    return text;
}
}  // namespace

Bytes PartBytes(const ImagePart& part) {
    return Bytes(part.bytes, part.bytes + part.size);
}

std::string AckLine(const Bytes& decoded) {
    return "ACK --> " + HexBytes(decoded.data(), static_cast<int>(decoded.size())) + "\r\n";
}

std::string WriterOutput() {
    std::string text;
    uint8_t frame[FRAME_BUFFER_SIZE];
    for (int block = 0; block <= 68; ++block) {
        int n = BuildAckFrame(frame, static_cast<uint16_t>(block));
        text += AckLine(Bytes(frame, frame + n));
    }
    return text + WRITE_COMPLETE_LINE + PRESS_ANY_KEY_LINE;
}

std::string VerifierOutput(const ImagePart& part, const Bytes& served) {
    std::string text;
    bool allEqual = true;
    int blocks = (static_cast<int>(served.size()) + BLOCK_SIZE - 1) / BLOCK_SIZE;
    for (int k = 1; k <= blocks; ++k) {
        int offset = (k - 1) * BLOCK_SIZE;
        int p = std::min(BLOCK_SIZE, static_cast<int>(served.size()) - offset);
        // The dump is the frame's first 16 bytes: flag, command, block number
        // and the first 11 payload bytes.
        uint8_t head[16] = {0x7E, 0x00, 0x03, static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k & 0xFF)};
        std::copy(served.begin() + offset, served.begin() + offset + 11, head + 5);
        bool equal = std::equal(served.begin() + offset, served.begin() + offset + p, part.bytes + offset);
        allEqual = allEqual && equal;
        text += "(READ) DATA COMMAND --> " + HexBytes(head, 16) + ".....\t" +
                (equal ? "VERIFY : OK\r\n" : "VERIFY : NG\r\n");
    }
    return text + (allEqual ? VERIFY_BANNER_LINE : FAILURE_BANNER_LINE) + PRESS_ANY_KEY_LINE;
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

}  // namespace winetest
