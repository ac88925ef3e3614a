// Stop-and-wait receiver: the READ request, then each DATA block from the
// board is checked, shown, compared and, when full, acknowledged. The first
// block shorter than a full one is the last. A differing block does not stop
// the transfer; a fault of the protocol does.
#include "image_verifier.h"

#include <cstring>

#include "comm_port.h"
#include "console.h"
#include "console_texts.h"
#include "frame_codec.h"
#include "received_frame.h"
#include "verifier_texts.h"

// The image's blocks are the payloads the link carries: the end of a file is
// told by a block shorter than this size on both sides.
static_assert(IMAGE_BLOCK_SIZE == BLOCK_SIZE, "image blocks are DATA payloads");

namespace {
constexpr int DUMP_BYTES = 16;

// The dump shows the frame's first min(p, 16) bytes, counted from its flag.
void PrintDataLine(int n) {
    int p = n - FRAME_OVERHEAD;
    ConsolePrint(MSG_READ_DATA_COMMAND);
    if (p >= DUMP_BYTES) {
        PrintFrameBytes(FrameBuffer, DUMP_BYTES);
        ConsolePrint(MSG_DUMP_END_LONG);
    } else if (p >= 1) {
        PrintFrameBytes(FrameBuffer, p);
        ConsolePrint(MSG_DUMP_END_SHORT);
    }
}

// True when the block's payload matches the part where it belongs. Bytes
// beyond the part's end, and a last block that stops before it, are
// differences: the board's file must be the part, not only agree with it.
bool BlockMatches(const ImagePart& part, int k, const uint8_t* payload, int p) {
    ImageBlock block;
    if (!GetImageBlock(part, k, &block)) {
        return p == 0;  // no reference bytes at all for this block number
    }
    int available = part.size - block.offset;
    int compared = p < available ? p : available;
    if (std::memcmp(payload, block.bytes, static_cast<size_t>(compared)) != 0) {
        return false;
    }
    if (p > available) {
        return false;
    }
    bool last = p < BLOCK_SIZE;
    return !(last && p < available);
}
}  // namespace

bool VerifyPart(const ImagePart& part) {
    uint16_t expected = 1;
    bool outcome = true;
    SendFrame(BuildReadRequest(FrameBuffer, part.fileName, part.sizeText));
    for (;;) {
        int n = 0;
        if (!ReceiveCheckedFrame(&n)) {
            return false;
        }
        uint16_t command = GetFrameCommand(FrameBuffer);
        if (command == CMD_ERROR) {
            PrintBoardError(n);
            return false;
        }
        if (command != CMD_DATA) {
            ConsolePrint(MSG_COMMAND_NO_ERROR);
            return false;
        }
        // A DATA frame too short to hold a block number cannot carry the
        // expected one, and has no payload to compare.
        if (n < FRAME_OVERHEAD || GetBlockNumber(FrameBuffer) != expected) {
            ConsolePrint(MSG_BLOCK_NO_ERROR);
            return false;
        }
        int p = 0;
        const uint8_t* payload = GetDataPayload(FrameBuffer, n, &p);
        PrintDataLine(n);
        bool matches = BlockMatches(part, expected, payload, p);
        if (!matches) {
            outcome = false;
        }
        // An empty block that is as it should be leaves the line open.
        if (p >= 1 || !matches) {
            ConsolePrint(matches ? MSG_VERIFY_OK : MSG_VERIFY_NG);
        }
        if (p < BLOCK_SIZE) {
            return outcome;  // the last block is not acknowledged
        }
        SendFrame(BuildAckFrame(FrameBuffer, expected));
        ++expected;
    }
}
