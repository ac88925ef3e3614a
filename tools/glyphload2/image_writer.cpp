// Stop-and-wait sender: the WRITE request, then every block as a DATA frame,
// each after the board's ACK of the frame before. An ERROR with block number
// 0 asks for the last frame again, byte for byte; any other fault ends the run.
#include "image_writer.h"

#include <cstring>

#include "comm_port.h"
#include "console.h"
#include "console_texts.h"
#include "frame_codec.h"
#include "received_frame.h"
#include "writer_texts.h"

namespace {
// The last frame written, stuffed, exactly as it went out.
uint8_t RetransmitBuffer[FRAME_BUFFER_SIZE];
int RetransmitLength = 0;

// Sends the frame built in FrameBuffer and keeps its stuffed bytes.
bool SendAndKeep(int n) {
    int stuffed = SendFrame(n);
    if (stuffed == 0) {
        ConsolePrint(MSG_FRAME_SIZE_ERROR);
        return false;
    }
    std::memcpy(RetransmitBuffer, FrameBuffer, static_cast<size_t>(stuffed));
    RetransmitLength = stuffed;
    return true;
}

bool SendBlock(const ImagePart& part, int k) {
    ImageBlock block;
    GetImageBlock(part, k, &block);
    return SendAndKeep(BuildDataFrame(FrameBuffer, static_cast<uint16_t>(k), block.bytes, block.length));
}
}  // namespace

bool WritePart(const ImagePart& part) {
    const int lastBlock = GetImageBlockCount(part);
    int16_t counter = 0;  // the block whose answer is awaited; 0 for the request
    if (!SendAndKeep(BuildWriteRequest(FrameBuffer, part.fileName))) {
        return false;
    }
    for (;;) {
        int n = 0;
        if (!ReceiveCheckedFrame(&n)) {
            return false;
        }
        uint16_t command = GetFrameCommand(FrameBuffer);
        uint16_t block = GetBlockNumber(FrameBuffer);
        if (command == CMD_ACK) {
            if (block != counter) {
                ConsolePrint(MSG_BLOCK_NO_ERROR);
                return false;
            }
            ConsolePrint(MSG_ACK_LINE_START);
            PrintFrameBytes(FrameBuffer, n);
            ConsolePrint("\n");
            if (counter >= lastBlock) {
                return true;
            }
            ++counter;
            if (!SendBlock(part, counter)) {
                return false;
            }
        } else if (command == CMD_ERROR) {
            PrintBoardError(n);
            if (block != 0) {
                return false;
            }
            ConsolePrint(MSG_RESENDING);
            SendStuffedFrame(RetransmitBuffer, RetransmitLength);
        }
        // Any other command is not the board's answer to us: wait on.
    }
}

bool WriteImagePart() {
    return WritePart(IMAGE_PART2);
}
