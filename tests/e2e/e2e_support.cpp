#include "e2e_support.h"

#include <iconv.h>

#include <algorithm>

#include "frame_codec.h"
#include "transcript_reader.h"

Bytes PartBytes(const ImagePart& part) {
    return Bytes(part.bytes, part.bytes + part.size);
}

void BoardTest::StartBoard(const std::vector<std::string>& options) {
    ASSERT_TRUE(board.Start(options)) << board.Error();
}

ToolRun BoardTest::Run(const std::string& tool, const std::string& locale, std::chrono::milliseconds bound) {
    ToolLaunch launch;
    launch.tool = tool;
    launch.arguments = {"3"};
    launch.environment = {"COM3=" + board.PtyPath()};
    launch.locale = locale;
    launch.bound = bound;
    return RunTool(launch);
}

std::vector<Bytes> BoardTest::FramesFromTool() {
    std::vector<Bytes> frames;
    for (const auto& entry : testsupport::ReadTranscript(board.TranscriptPath())) {
        if (entry.direction == "RX") {
            frames.push_back(entry.raw);
        }
    }
    return frames;
}

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

std::string AckLine(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return "ACK --> " + HexBytes(frame, BuildAckFrame(frame, block)) + "\n";
}

std::string AckLines(int from, int to) {
    std::string lines;
    for (int k = from; k <= to; ++k) {
        lines += AckLine(static_cast<uint16_t>(k));
    }
    return lines;
}

std::string DataLine(uint16_t k, const uint8_t* payload, int p, bool ok) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    BuildDataFrame(frame, k, payload, p);
    std::string line = "(READ) DATA COMMAND --> ";
    if (p >= 16) {
        line += HexBytes(frame, 16) + ".....\t";
    } else if (p >= 1) {
        line += HexBytes(frame, p) + "\t";
    }
    return line + (ok ? "VERIFY : OK\n" : "VERIFY : NG\n");
}

std::string VerifierLines(const ImagePart& part, const Bytes& file) {
    std::string lines;
    for (int k = 1;; ++k) {
        int offset = (k - 1) * BLOCK_SIZE;
        int p = std::min(BLOCK_SIZE, static_cast<int>(file.size()) - offset);
        const uint8_t* payload = file.data() + offset;
        // A block is OK when it is the part's bytes at its place and the file
        // ends where the part ends.
        bool ok = offset + p <= part.size && std::equal(payload, payload + p, part.bytes + offset) &&
                  (p == BLOCK_SIZE || offset + p == part.size);
        lines += p == 0 && ok ? "(READ) DATA COMMAND --> " : DataLine(static_cast<uint16_t>(k), payload, p, ok);
        if (p < BLOCK_SIZE) {
            return lines;
        }
    }
}

namespace {
Bytes Stuff(uint8_t* frame, int n) {
    return Bytes(frame, frame + StuffFrame(frame, n));
}
}  // namespace

Bytes StuffedAck(uint16_t block) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuff(frame, BuildAckFrame(frame, block));
}

Bytes StuffedData(uint16_t block, const uint8_t* payload, int p) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuff(frame, BuildDataFrame(frame, block, payload, p));
}

Bytes StuffedWriteRequest() {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuff(frame, BuildWriteRequest(frame, PART2_FILE_NAME));
}

Bytes StuffedReadRequest(const ImagePart& part) {
    uint8_t frame[FRAME_BUFFER_SIZE];
    return Stuff(frame, BuildReadRequest(frame, part.fileName, part.sizeText));
}

std::string ToUtf8(const std::string& sjis) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(sjis.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(sjis.data());
    size_t inLeft = sjis.size();
    char* o = &out[0];
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::string Tail(const std::string& text, int lines) {
    if (text.empty()) {
        return text;
    }
    size_t at = text.size();
    for (int i = 0; i <= lines && at != std::string::npos && at > 0; ++i) {
        at = text.rfind('\n', at - 1);
    }
    return at == std::string::npos ? text : text.substr(at + 1);
}

int CountLines(const std::string& text) {
    int lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}
